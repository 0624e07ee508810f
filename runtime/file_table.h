// The file table of a tool run: text files opened under small file numbers
// and read or written one line at a time. Lines end in CR or CR LF when
// read and CR LF when written; Ctrl-Z ends the data. Failures are recorded
// in the run's error record and give neutral results.
#ifndef KESTREL_RUNTIME_FILE_TABLE_H_
#define KESTREL_RUNTIME_FILE_TABLE_H_

#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

#include "platform/drive_path.h"
#include "platform/file_system.h"
#include "runtime/error_record.h"

/// Where a line read from a file ends: at CR (one LF right after it belongs
/// to the line end), or at CR LF, CR or a lone LF.
enum class LineEnds { kCr, kCrOrLf };

/// What reading `text` as a file of lines (ended as LineEnds::kCr says),
/// each read after a check for its end, leaves as the last line read after
/// at most `reads` reads: "" when none is read. `*looked_past_end` is true
/// when the reading looked for a byte beyond `text`, as a file read from
/// memory then asks for its next bytes.
std::string_view lastLineRead(std::string_view text, int reads,
                              bool* looked_past_end);

class FileTable {
 public:
  /// Names become host paths through `paths`; every file operation goes
  /// through `files`.
  FileTable(ErrorRecord& errors, DrivePaths& paths,
            FileSystem& files = realFileSystem())
      : errors_(errors), paths_(paths), fs_(files) {}
  ~FileTable();
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  /// How the run's names become host paths.
  DrivePaths& paths() { return paths_; }
  /// What the run's files go through.
  FileSystem& fileSystem() { return fs_; }

  /// Opens `name` (first 255 bytes) under `number`. Fails with 64 for an
  /// empty name or one with a wildcard or NUL, 52 for a negative number, 55
  /// for a number in use, 70 for a file in use, else with the system's
  /// mapped failure.
  void openFile(int16_t number, std::string_view name, FileMode mode);
  /// The next line without its line end; "" and 62 past the end, "" and 7
  /// for a line longer than 256 MiB or one that memory cannot hold.
  std::string readLine(int16_t number, LineEnds ends = LineEnds::kCr);
  /// `readLine` into `*line`, which keeps the room it had. `*line_end`
  /// (when given) gets the bytes that ended the line: "\r\n", "\r", "\n",
  /// or "" for a last line that ends at the end of the data.
  void readLine(int16_t number, std::string* line,
                LineEnds ends = LineEnds::kCr, std::string* line_end = nullptr);
  /// Hands the bytes to the system in one write, at once.
  void writeText(int16_t number, std::string_view text);
  /// Writes CR LF.
  void writeLineEnd(int16_t number);
  /// Writes the parts one after the other and CR LF, as one line: in one
  /// write at once, or part by part when the line is too long to be put
  /// together first.
  void writeLine(int16_t number, std::initializer_list<std::string_view> parts);
  /// True when no byte is left or the next byte is Ctrl-Z; true and 53 for
  /// a number that is not open.
  bool atEndOfFile(int16_t number);
  /// From now on the writes to `number` are gathered and handed to the
  /// system in blocks, by `flush` and at the close: for a file that nobody
  /// reads before it is whole. A failure shows where a block is written.
  void gatherWrites(int16_t number);
  /// Hands what was gathered for `number` to the system.
  void flush(int16_t number);
  /// Closes `number`; a number that is not open is no failure.
  void closeFile(int16_t number);
  /// Closes every open file; reports the first failure.
  void closeAllFiles();

  bool isOpen(int16_t number) const { return files_.count(number) != 0; }

 private:
  // Large enough that a very long line costs few reads.
  static constexpr size_t kBufferSize = 4096;
  struct Entry {
    OsFile file;
    FileMode mode = FileMode::Input;
    int16_t number = 0;
    std::string host_path;  // for a report that names the file
    char buffer[kBufferSize];
    size_t held = 0;
    size_t position = 0;
    bool gathering = false;  // writes wait in `gathered`
    std::string gathered;
  };
  // Writes what `entry` gathered; kNoError or the failure.
  ErrorNumber writeGathered(Entry& entry);

  // Makes the next byte available; false at the end or on a read failure
  // (whose number is then in `*error`).
  bool fill(Entry& entry, ErrorNumber* error);
  Entry* entryFor(int16_t number);
  // True when another entry than `number` has `file` open.
  bool isOpenAlready(const OsFile& file, int16_t number) const;
  // Appends the bytes to a line being read; false, with 7 recorded, when
  // the line grows beyond the limit or memory runs out.
  bool append(const Entry& entry, std::string* line, const char* begin,
              const char* end);
  // Records `error` as a failure of a read or write of `entry`.
  void failOn(const Entry& entry, ErrorNumber error);
  void write(int16_t number, std::string_view bytes);
  // Closes and removes one entry; returns the mapped failure or kNoError,
  // and what failed in `*use`.
  [[nodiscard]] ErrorNumber closeEntry(std::map<int16_t, Entry>::iterator it,
                                       FailedUse* use);

  // The longest line that `writeLine` puts together before writing it.
  static constexpr size_t kLineBufferLimit = 64 * 1024;
  ErrorRecord& errors_;
  DrivePaths& paths_;
  FileSystem& fs_;
  std::string line_buffer_;  // reused by `writeLine`
  std::map<int16_t, Entry> files_;
  // The node of the entry closed last, for the next open to use again.
  std::map<int16_t, Entry>::node_type spare_entry_;
};

#endif  // KESTREL_RUNTIME_FILE_TABLE_H_
