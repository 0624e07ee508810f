// The one interface through which a tool run touches files: the file
// table's opens, reads and writes, the built-in interpreter's batches,
// output files and removals, and the DIR listing's lookups. The platform has
// one real implementation (file_system_posix.cc, file_system_win32.cc), where
// the rules for opening names safely live; layers such as the scratch
// overlay and the tests' failing operations wrap another FileSystem.
#ifndef KESTREL_PLATFORM_FILE_SYSTEM_H_
#define KESTREL_PLATFORM_FILE_SYSTEM_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/error_number.h"

/// The outcome of a file-system call: the tools' error number of the
/// failure (kNoError for success) and the platform's own code behind it
/// (errno on POSIX; 0 where the failure came from no system call), which the
/// built-in interpreter quotes as the system words it. It converts to its
/// number, so a caller that keeps only numbers takes it as one.
class [[nodiscard]] FsStatus {
 public:
  FsStatus(ErrorNumber number = kNoError, int system_code = 0)  // NOLINT
      : number_(number), system_code_(system_code) {}
  /// The status of a failed system call with this code.
  static FsStatus fromSystem(int system_code);
  operator ErrorNumber() const { return number_; }  // NOLINT
  ErrorNumber number() const { return number_; }
  int systemCode() const { return system_code_; }

 private:
  ErrorNumber number_;
  int system_code_;
};

/// `Input` reads a file of the keeper's; `Output` writes one in place, its
/// old content kept until the writer cuts it; `Create` writes one anew,
/// emptied at the open; `Append` writes at its end. `Rewrite` is `Output`
/// for a run's own scratch file, written over in place instead of being cut
/// to length 0 first (cutting a file to 0 and writing it again makes some
/// file systems flush it at its close); the writer cuts it to its new
/// length. `Replace` is `Output` for a file that readers must only ever see
/// whole, such as the page: it is written under a hidden name beside it and
/// takes its place at the close. `Hold` is `Rewrite` with read access too,
/// for a scratch file that a layer above keeps in memory. Every mode but
/// `Input` makes a missing file.
enum class FileMode { Input, Output, Create, Append, Rewrite, Replace, Hold };

/// Whose links a name may lead through: the keeper's files (a symbolic link
/// whose owner owns its target), or the tools' own scratch files in the
/// drive root (none).
enum class LinkRule { kKeepers, kNone };

/// An open file: the handle, whether it is a character device (console,
/// printer, /dev/null) rather than a disk file, and the file's identity
/// (device and inode, 0 where the system gives none; for `Replace` those of
/// the file it replaces), by which a tool tells that it has the same file
/// open twice. `layer` is the file system that made the handle when that is
/// not the real one.
struct OsFile {
  intptr_t handle = -1;
  bool character_device = false;
  bool made = false;  // the open made the file
  uint64_t device = 0;
  uint64_t inode = 0;
  std::string staged;  // for `Replace`: the hidden name written meanwhile
  std::string target;  // for `Replace`: the name it goes to at the close
  const void* layer = nullptr;
};

/// What a name is, as `stat` finds it.
struct FileStatus {
  enum Kind { kFile, kDirectory, kOther };
  Kind kind = kOther;
  uint64_t size = 0;
  int64_t mtime = 0;  // modification time, seconds since the epoch
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t links = 1;  // names of the file
};

/// Whether `stat` follows a symbolic link at the name itself.
enum class Follow { kLinks, kNoLinks };

/// What a directory listing is given, name by name.
class DirectoryVisitor {
 public:
  virtual ~DirectoryVisitor() = default;
  /// Before the names: how many there are and their bytes, for room.
  virtual void expect(size_t names, size_t name_bytes) = 0;
  /// True when the entry `name` is wanted, and so looked up.
  virtual bool wants(std::string_view name) = 0;
  /// A wanted entry and what it is.
  virtual void add(std::string_view name, const FileStatus& status) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  /// Opens a host path. `Input` needs an existing readable regular file
  /// (another kind fails with 75); the write modes make a missing file.
  /// Where links can be planted, a link is followed only as `links` allows
  /// (`Rewrite` and `Hold` never follow one, `Replace` the keeper's), and a
  /// link that may not be followed is replaced by a file of its own, never
  /// written through.
  virtual FsStatus open(const std::string& host_path, FileMode mode,
                        OsFile* file, LinkRule links = LinkRule::kKeepers) = 0;
  /// Reads up to `size` bytes; `*got` of 0 means the end of the file.
  virtual FsStatus read(const OsFile& file, char* buffer, size_t size,
                        size_t* got) = 0;
  /// Hands all bytes to the system at once; `*written` comes back short
  /// only when the disk or device takes no more.
  virtual FsStatus write(const OsFile& file, const char* data, size_t size,
                         size_t* written) = 0;
  /// Reads or writes at `offset`, leaving the position as it was.
  virtual FsStatus readAt(const OsFile& file, uint64_t offset, char* buffer,
                          size_t size, size_t* got) = 0;
  virtual FsStatus writeAt(const OsFile& file, uint64_t offset,
                           const char* data, size_t size, size_t* written) = 0;
  /// Sets the end of the file at the current position.
  virtual FsStatus truncateHere(const OsFile& file) = 0;
  /// Sets the length of the file.
  virtual FsStatus setLength(const OsFile& file, uint64_t length) = 0;
  /// Sets disk room aside for `size` bytes without changing the length;
  /// false where the file system cannot.
  virtual bool reserve(const OsFile& file, uint64_t size) = 0;
  /// Writes `text()` at the file's end when it is read up to there or goes
  /// to disk, rather than now: for a last line that costs a system call to
  /// make and is seldom read. False, with nothing written, where the layer
  /// cannot (the caller then writes the text itself).
  virtual bool writeLater(const OsFile& file, std::function<std::string()> text,
                          size_t room) = 0;
  /// Closes the file; a `Replace` file then takes its name's place.
  virtual FsStatus close(const OsFile& file) = 0;
  /// Closes a file that must leave no trace: a `Replace` file is removed.
  virtual void discard(const OsFile& file) = 0;

  /// What `host_path` is; a missing name fails with 53 or 76.
  virtual FsStatus stat(const std::string& host_path, Follow follow,
                        FileStatus* status) = 0;
  /// What an open file is.
  virtual FsStatus statOpen(const OsFile& file, FileStatus* status) = 0;
  /// True when `host_path`, not followed if it is a link, is a plain file
  /// of the run's own user with no other name: one that may be written over
  /// in place instead of being removed and made anew.
  virtual bool isOwnPlainFile(const std::string& host_path) = 0;
  /// Removes a file (never a directory).
  virtual FsStatus remove(const std::string& host_path) = 0;
  /// Lists the names in a directory but "." and "..", in the system's
  /// order, to `visitor`; a wanted name is looked up following a link to a
  /// file or directory, any other link or special file showing itself.
  virtual FsStatus listDirectory(const std::string& host_path,
                                 DirectoryVisitor& visitor) = 0;
  /// Takes the lock that runs sharing the drive root at `root` hold while
  /// they use its scratch files, waiting for as long as another run holds
  /// it; `waiting` is called once before such a wait. The lock is held
  /// until `*lock` is closed. Fails when the root offers no lock in any way.
  virtual FsStatus lockDriveRoot(const std::string& root,
                                 const std::function<void()>& waiting,
                                 OsFile* lock) = 0;
  /// The bytes free for the run's user on the disk of `host_path`; 0 when
  /// unknown.
  virtual uint64_t freeBytes(const std::string& host_path) = 0;
  /// The process's standard output, for the interpreter's commands.
  virtual OsFile standardOutput() = 0;
};

/// The platform's own file system, one for the whole process.
FileSystem& realFileSystem();

/// Appends the bytes of the open `file` from its start to `*bytes` until
/// its end or until `*bytes` holds `limit` bytes or more (a length known
/// already spares the read that finds the end), through `files`; the
/// file's position stays as it was.
FsStatus readWholeFile(FileSystem& files, const OsFile& file, uint64_t limit,
                       std::string* bytes);

#endif  // KESTREL_PLATFORM_FILE_SYSTEM_H_
