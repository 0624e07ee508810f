// Small pieces that the POSIX tests share: a scratch directory that also
// puts the process's working state back, runs in a child process, a private
// tmpfs for full-disk cases and UTC times for fixed file dates.
#ifndef KESTREL_TESTING_TEST_SUPPORT_H_
#define KESTREL_TESTING_TEST_SUPPORT_H_

#include <sys/types.h>

#include <ctime>
#include <functional>
#include <string>
#include <vector>

// A fresh, empty directory in the temporary directory for one test, which
// the test may make its current directory or drive root: the current
// directory and the DRIVE_ROOT and TZ settings as they were when it was made
// come back, and the directory is removed with all below it, when it goes.
class ScratchDirectory {
 public:
  /// Makes the directory, named `prefix` and a unique suffix, mode 0700; a
  /// failure is reported to the running test and leaves path() empty.
  explicit ScratchDirectory(const std::string& prefix);
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  /// The directory's host path, without symbolic links.
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string old_cwd_;
  std::string old_drive_root_;
  bool had_drive_root_ = false;
  std::string old_tz_;
  bool had_tz_ = false;
};

// A tree of files below a root directory, laid out and read back by the
// tests: every name is relative to the root.
class TestTree {
 public:
  /// The root's host path.
  virtual const std::string& root() const = 0;
  /// The host path of `relative` below the root ("" is the root).
  std::string path(const std::string& relative) const;

  /// Makes the directory and those above it, open to every user.
  void makeDirectory(const std::string& relative);
  void writeFile(const std::string& relative, const std::string& bytes);
  /// Sets the access and modification time without following a link.
  void setTime(const std::string& relative, time_t when);
  /// The file's bytes; "" when it cannot be read.
  std::string readFile(const std::string& relative) const;
  /// True when the name exists, even as a link that leads nowhere.
  bool exists(const std::string& relative) const;
  /// Every path below the root (relative, sorted).
  std::vector<std::string> contents() const;

 protected:
  ~TestTree() = default;
};

/// The bytes of the file at `path` ("" when it cannot be read), and the
/// file made anew with `bytes`.
std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

/// `text` with every `mark` in it replaced by `with`, as in an expected
/// message that names a path known only at run time.
std::string replaceAll(std::string text, const std::string& mark,
                       const std::string& with);

/// Runs `body` in a forked child and returns its exit code (-1 when it did
/// not exit normally). For what must not touch this process: dropped
/// privileges, resource limits, private mounts.
int inChild(const std::function<int()>& body);

/// Mounts a tmpfs of `size` (as mount takes it, e.g. "16k") at `at` in a
/// mount namespace of this process's own, so that it goes away with the
/// process whatever happens. Without the right to do so as it is, the
/// process tries as root of a user namespace of its own. False when the
/// system allows neither.
bool mountPrivateTmpfs(const std::string& at, const std::string& size);

/// Fills the file system that holds `dir` with the file `dir`/filler until
/// it takes no more; false when it ends for another reason.
bool fillFileSystem(const std::string& dir);

/// Every path below `root`, relative to it and sorted, links not followed:
/// to see what a run changed on disk.
std::vector<std::string> pathsBelow(const std::string& root);

/// Makes the user nobody the owner of `path`, a symbolic link itself rather
/// than its target: a link planted by another user. False when it cannot.
bool giveToNobody(const std::string& path);

/// Waits until the process `pid` is queued for a file lock that another
/// process holds, as /proc/locks shows it ("->"), or until `ended` says the
/// process has ended; true in the first case. It only yields the processor
/// between looks: no time decides the outcome.
bool queuedForLock(pid_t pid, const std::function<bool()>& ended);

/// Waits until `ready` holds, looking again whenever a name in the
/// directory `dir` is made, written or moved, or until the process `pid`
/// (a child of this one) has ended; true in the first case. Events end the
/// wait, never a time.
bool waitForChangeIn(const std::string& dir, pid_t pid,
                     const std::function<bool()>& ready);

/// Seconds since the epoch of a UTC date and time.
time_t utcTime(int year, int month, int day, int hour, int minute);

#endif  // KESTREL_TESTING_TEST_SUPPORT_H_
