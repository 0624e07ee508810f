// The drive root's lock on POSIX: flock on the root directory itself, so no
// file is added to the root. The lock goes with the open descriptor, so it
// also ends when the process does, however it ends.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "services/drive_lock.h"

DriveLock::~DriveLock() {
  if (held()) close(static_cast<int>(handle_));
}

void DriveLock::take(const std::string& root,
                     const std::function<void()>& waiting) {
  if (held()) return;
  int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  int rc = flock(fd, LOCK_EX | LOCK_NB);
  if (rc != 0 && errno == EWOULDBLOCK) {
    waiting();
    do {
      rc = flock(fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
  }
  if (rc != 0) {
    close(fd);
    return;
  }
  handle_ = fd;
}
