// The scratch files of a run held in memory: a file system that wraps the
// real one and answers for the held paths itself, from memory, while every
// other call goes through to the file system below. The run that owns it
// names the paths when it takes the drive root and lets them go at its end,
// when their last contents are written through.
#ifndef KESTREL_SHELL_SCRATCH_OVERLAY_H_
#define KESTREL_SHELL_SCRATCH_OVERLAY_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "runtime/scratch_files.h"

/// A path is looked at on its first use: only a plain file of one name (or
/// none yet) of the run's own, on a file system that can set room aside for
/// it, is held; any other is used below as before. One longer than 1 MiB
/// is held in its disk file, unread, until the run writes it anew.
/// Each held path keeps its disk file open (made empty when it was missing,
/// and removed again at the release unless the run made it) with room set
/// aside for its contents, so that the write at the release cannot find the
/// disk full where a write in place would have found room; a write beyond
/// that room asks the disk for more first, so a full disk shows as a short
/// write at once. A file grown beyond 1 MiB goes on in its disk file.
class ScratchOverlay : public FileSystem, public ScratchFiles {
 public:
  /// A longer file is held in its disk file.
  static constexpr uint64_t kLargestHeld = uint64_t{1} << 20;

  explicit ScratchOverlay(FileSystem& below);
  ~ScratchOverlay() override;
  ScratchOverlay(const ScratchOverlay&) = delete;
  ScratchOverlay& operator=(const ScratchOverlay&) = delete;

  // ScratchFiles.
  void hold(const std::vector<std::string>& host_paths) override;
  ErrorNumber release() override;

  /// A text made piece by piece: each piece is handed to a `Put`.
  using Put = std::function<void(std::string_view piece)>;
  using Tail = std::function<void(const Put& put)>;

  /// Makes the held file at `host_path` hold `*text`, as opening it to be
  /// written anew, writing the text and closing it do, with `ending` as its
  /// last text to be made later (see `writeLater`; at the release it goes
  /// to disk piece by piece, never whole in memory), where the file is held,
  /// not open, and has room for both; else false, with nothing changed. The text is taken, not copied: `*text` is left holding any
  /// bytes.
  bool replaceInMemory(const std::string& host_path, std::string* text,
                       Tail ending = nullptr, size_t ending_room = 0);
  /// Sets room aside for `size` bytes of the held file at `host_path`, as
  /// writing them would; false where it is not held, is open, or the disk
  /// has no room.
  bool reserveInMemory(const std::string& host_path, uint64_t size);
  /// True where the file at `host_path` is held and not open: it may be
  /// made anew. `*exists` says whether it is there now.
  bool mayMakeAnew(const std::string& host_path, bool* exists);
  /// How many times a stat or a listing was answered for a held file so
  /// far: a caller that compares it before and after its own lookups knows
  /// whether they met one.
  uint64_t heldAnswers() const { return held_answers_; }
  /// True when the run changes what a listing of the directory of this
  /// identity shows: it writes, removes or holds a file there or in one of
  /// its directories (whose time then changes).
  bool changesIn(uint64_t device, uint64_t inode);

  // FileSystem: the held paths and the handles of their files are answered
  // here; all else goes below.
  FsStatus open(const std::string& host_path, FileMode mode, OsFile* file,
                LinkRule links) override;
  FsStatus read(const OsFile& file, char* buffer, size_t size,
                size_t* got) override;
  FsStatus write(const OsFile& file, const char* data, size_t size,
                 size_t* written) override;
  FsStatus readAt(const OsFile& file, uint64_t offset, char* buffer,
                  size_t size, size_t* got) override;
  FsStatus writeAt(const OsFile& file, uint64_t offset, const char* data,
                   size_t size, size_t* written) override;
  FsStatus truncateHere(const OsFile& file) override;
  FsStatus setLength(const OsFile& file, uint64_t length) override;
  bool reserve(const OsFile& file, uint64_t size) override;
  bool writeLater(const OsFile& file, std::function<std::string()> text,
                  size_t room) override;
  FsStatus close(const OsFile& file) override;
  void discard(const OsFile& file) override;
  FsStatus stat(const std::string& host_path, Follow follow,
                FileStatus* status) override;
  FsStatus statOpen(const OsFile& file, FileStatus* status) override;
  bool isOwnPlainFile(const std::string& host_path) override;
  FsStatus remove(const std::string& host_path) override;
  FsStatus listDirectory(const std::string& host_path,
                         DirectoryVisitor& visitor) override;
  FsStatus lockDriveRoot(const std::string& root,
                         const std::function<void()>& waiting,
                         OsFile* lock) override;
  uint64_t freeBytes(const std::string& host_path) override;
  OsFile standardOutput() override;

 private:
  struct Held;
  class HeldListing;

  // The held file at `host_path`, looked at first when not yet; null when
  // the path is not held.
  Held* heldAt(const std::string& host_path);
  // The held file that an open handle of this layer is on.
  Held* byHandle(const OsFile& file);
  // The held file whose disk file has this identity; null for none.
  Held* heldWithIdentity(uint64_t device, uint64_t inode);
  void lookAt(Held& file);
  bool openOnDisk(Held& file);
  bool makeRoom(Held& file, uint64_t size);
  // A held file's status: what its disk file is, with the run's contents.
  void describe(Held& file, FileStatus* status);
  FsStatus load(Held& file);
  FsStatus writeContents(Held& file);
  FsStatus moveToDisk(Held& file);
  FsStatus writeOut(Held& file);
  FsStatus writeWithEnding(Held& file);
  // Ends a held file at `length` when it is longer.
  FsStatus cut(Held& file, uint64_t length);
  size_t writeInMemory(Held& file, const char* data, size_t size,
                       FsStatus* status);

  // Notes that the run changes the directory of `host_path` and so the one
  // above it.
  void noteChangeAt(const std::string& host_path);

  FileSystem& below_;
  std::vector<Held> files_;
  // The directories, by device and inode, whose listings the run changes.
  std::vector<std::pair<uint64_t, uint64_t>> changed_directories_;
  uint64_t held_answers_ = 0;
};

#endif  // KESTREL_SHELL_SCRATCH_OVERLAY_H_
