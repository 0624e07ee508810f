// File calls on POSIX. Missing directories on the way to a name are told
// apart from a missing file, as Windows does, by looking at the directory
// part once an open has failed with ENOENT. A disk file is held with an
// exclusive lock while it is open, so that a second opener that also locks
// (another tool run, the built-in interpreter) finds it in use. The run's
// held scratch files (held_files.h) are opened, read and written in memory.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "services/held_files.h"
#include "services/os_error.h"
#include "services/os_file.h"
#include "services/posix_io.h"

namespace {

ErrorNumber openFailure(const std::string& path, int code) {
  // Opening a directory as a file is refused as access denied on Windows.
  if (code == EISDIR) return kPermissionDenied;
  if (code != ENOENT) return errorFromSystemCode(code);
  return missingFileOrPath(path);
}

// Closes `fd` after a failure and hands the failure on.
ErrorNumber closeAfter(int fd, ErrorNumber error) {
  close(fd);
  return error;
}

}  // namespace

ErrorNumber osOpen(const std::string& host_path, FileMode mode, OsFile* file) {
  intptr_t held = -1;
  ErrorNumber held_error = kNoError;
  if (openHeldFile(
          host_path,
          mode == FileMode::Input ? HeldAccess::kRead : HeldAccess::kWrite,
          &held, &held_error)) {
    if (held_error == kNoError) *file = OsFile{held, false};
    return held_error;
  }
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it is
  // cleared again below so that reads and writes behave normally.
  int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  if (mode != FileMode::Input) flags |= O_CREAT;
  flags |= mode == FileMode::Input ? O_RDONLY : O_WRONLY;
  int fd = retryAfterSignal(
      -1, [&] { return open(host_path.c_str(), flags, 0666); });
  if (fd < 0) return openFailure(host_path, errno);
  struct stat st;
  if (fstat(fd, &st) != 0) return closeAfter(fd, errorFromSystemCode(errno));
  if (S_ISDIR(st.st_mode)) return closeAfter(fd, kPermissionDenied);
  // A regular file ignores O_NONBLOCK; others get blocking I/O back.
  if (!S_ISREG(st.st_mode))
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // No sharing: a file held by another opener is in use. The lock comes
  // before the truncation so that a file in use keeps its content. A file
  // system without locks cannot enforce this and is used all the same.
  if (S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) != 0 &&
      errno == EWOULDBLOCK) {
    return closeAfter(fd, kPermissionDenied);
  }
  if (mode == FileMode::Output && S_ISREG(st.st_mode) &&
      ftruncate(fd, 0) != 0) {
    return closeAfter(fd, errorFromSystemCode(errno));
  }
  file->handle = fd;
  file->character_device = S_ISCHR(st.st_mode);
  return kNoError;
}

ErrorNumber osRead(const OsFile& file, char* buffer, size_t size, size_t* got) {
  if (isHeldHandle(file.handle)) {
    int code = 0;
    *got = readHeldFile(file.handle, buffer, size, &code);
    return code == 0 ? kNoError : errorFromSystemCode(code);
  }
  int fd = static_cast<int>(file.handle);
  ssize_t n = retryAfterSignal(-1, [&] { return read(fd, buffer, size); });
  if (n < 0) {
    *got = 0;
    return errorFromSystemCode(errno);
  }
  *got = static_cast<size_t>(n);
  return kNoError;
}

ErrorNumber osWrite(const OsFile& file, const char* data, size_t size,
                    size_t* written) {
  int code = 0;
  if (isHeldHandle(file.handle)) {
    *written = writeHeldFile(file.handle, data, size, &code);
  } else {
    code = writeAll(static_cast<int>(file.handle), data, size, written);
  }
  // A full disk or device is a short write, not a rejection.
  if (code == 0 || code == ENOSPC || code == EDQUOT) return kNoError;
  return errorFromSystemCode(code);
}

ErrorNumber osTruncateHere(const OsFile& file) {
  if (isHeldHandle(file.handle)) {
    cutHeldFileHere(file.handle);
    return kNoError;
  }
  int fd = static_cast<int>(file.handle);
  off_t here = lseek(fd, 0, SEEK_CUR);
  // A pipe, socket or device has no length to set.
  if (here < 0) return errno == ESPIPE ? kNoError : errorFromSystemCode(errno);
  if (ftruncate(fd, here) != 0 && errno != EINVAL)
    return errorFromSystemCode(errno);
  return kNoError;
}

ErrorNumber osClose(const OsFile& file) {
  if (isHeldHandle(file.handle)) {
    closeHeldFile(file.handle);
    return kNoError;
  }
  if (close(static_cast<int>(file.handle)) != 0 && errno != EINTR)
    return errorFromSystemCode(errno);
  return kNoError;
}
