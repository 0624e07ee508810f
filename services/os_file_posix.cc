// File calls on POSIX. Missing directories on the way to a name are told
// apart from a missing file, as Windows does, by looking at the directory
// part once an open has failed with ENOENT. A disk file is held with an
// exclusive lock while it is open, so that a second opener that also locks
// (another tool run, the built-in interpreter) finds it in use.
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "services/error_record.h"
#include "services/os_error.h"
#include "services/os_file.h"

namespace {

int openFailure(const std::string& path, int code) {
  // Opening a directory as a file is refused as access denied on Windows.
  if (code == EISDIR) return kPermissionDenied;
  if (code != ENOENT) return errorFromSystemCode(code);
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return kFileNotFound;
  struct stat st;
  std::string dir = path.substr(0, slash);
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kPathNotFound;
  return kFileNotFound;
}

}  // namespace

int osOpen(const std::string& host_path, FileMode mode, OsFile* file) {
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it is
  // cleared again below so that reads and writes behave normally.
  int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  flags |= mode == FileMode::Input ? O_RDONLY : (O_WRONLY | O_CREAT);
  int fd;
  do {
    fd = open(host_path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return openFailure(host_path, errno);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    int error = errorFromSystemCode(errno);
    close(fd);
    return error;
  }
  if (S_ISDIR(st.st_mode)) {
    close(fd);
    return kPermissionDenied;
  }
  // A regular file ignores O_NONBLOCK; others get blocking I/O back.
  if (!S_ISREG(st.st_mode))
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  // No sharing: a file held by another opener is in use. The lock comes
  // before the truncation so that a file in use keeps its content. A file
  // system without locks cannot enforce this and is used all the same.
  if (S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) != 0 &&
      errno == EWOULDBLOCK) {
    close(fd);
    return kPermissionDenied;
  }
  if (mode == FileMode::Output && S_ISREG(st.st_mode) &&
      ftruncate(fd, 0) != 0) {
    int error = errorFromSystemCode(errno);
    close(fd);
    return error;
  }
  file->handle = fd;
  file->character_device = S_ISCHR(st.st_mode);
  return 0;
}

int osRead(const OsFile& file, char* buffer, size_t size, size_t* got) {
  ssize_t n;
  do {
    n = read(static_cast<int>(file.handle), buffer, size);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    *got = 0;
    return errorFromSystemCode(errno);
  }
  *got = static_cast<size_t>(n);
  return 0;
}

int osWrite(const OsFile& file, const char* data, size_t size,
            size_t* written) {
  // write() may take part of the bytes (a signal, a pipe); the rest is
  // offered again until the file takes no more.
  size_t done = 0;
  while (done < size) {
    ssize_t n = write(static_cast<int>(file.handle), data + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *written = done;
      // A full disk or device is a short write, not a rejection.
      if (errno == ENOSPC || errno == EDQUOT) return 0;
      return errorFromSystemCode(errno);
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  *written = done;
  return 0;
}

int osTruncateHere(const OsFile& file) {
  int fd = static_cast<int>(file.handle);
  off_t here = lseek(fd, 0, SEEK_CUR);
  // A pipe, socket or device has no length to set.
  if (here < 0) return errno == ESPIPE ? 0 : errorFromSystemCode(errno);
  if (ftruncate(fd, here) != 0 && errno != EINVAL)
    return errorFromSystemCode(errno);
  return 0;
}

int osClose(const OsFile& file) {
  if (close(static_cast<int>(file.handle)) != 0 && errno != EINTR)
    return errorFromSystemCode(errno);
  return 0;
}
