// The drive root's lock on POSIX: flock on the root directory itself, so no
// file is added to the root. A root that may be written but not read (mode
// 333) cannot be opened so; there the lock is a file "$LOCK$" of mode 600 in
// the root instead, made by the rules of posix_open.h. The lock goes with the
// open descriptor, so it also ends when the process does, however it ends.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/drive_root_lock.h"
#include "platform/os_error.h"
#include "platform/posix_io.h"
#include "platform/posix_open.h"

namespace {

// Takes the lock on `fd`, waiting for another run that holds it; 0 or the
// errno of the failure.
int lockOrWait(int fd, const std::function<void()>& waiting) {
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
  if (errno != EWOULDBLOCK) return errno;
  waiting();
  if (retryAfterSignal(-1, [&] { return flock(fd, LOCK_EX); }) == 0) return 0;
  return errno;
}

// The lock file's path in `root`, where the root itself cannot be locked.
std::string lockFilePath(const std::string& root) { return root + "/$LOCK$"; }

// Opens the lock file in `root`; -1 with `*code` when it cannot be made.
int openLockFile(const std::string& root, int* code) {
  posix_open::WriteOptions options;
  options.links = posix_open::Links::kNone;
  options.start = posix_open::Start::kKeep;
  options.mode = 0600;
  posix_open::Opened opened =
      posix_open::openToWrite(lockFilePath(root), options);
  *code = opened.code;
  return opened.fd;
}

}  // namespace

FsStatus lockDriveRootOnDisk(const std::string& root,
                             const std::function<void()>& waiting,
                             OsFile* lock) {
  int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  int code = fd < 0 ? errno : lockOrWait(fd, waiting);
  if (code != 0) {
    if (fd >= 0) close(fd);
    fd = openLockFile(root, &code);
    if (fd >= 0 && (code = lockOrWait(fd, waiting)) != 0) {
      close(fd);
      fd = -1;
    }
  }
  if (fd < 0) {
    if (code == ENOENT)
      return FsStatus(missingFileOrPath(lockFilePath(root)), code);
    return FsStatus::fromSystem(code);
  }
  *lock = OsFile();
  lock->handle = fd;
  return kNoError;
}
