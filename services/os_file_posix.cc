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

#include "services/kept_files.h"
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

// Takes the parked file of a kept path (emptied for
// `Output`); false when none is parked.
bool reuseKeptFile(const std::string& host_path, FileMode mode, OsFile* file) {
  intptr_t handle = takeKeptFile(host_path);
  if (handle == -1) return false;
  // A kept file is read and written at its kept position, so it needs no
  // rewinding.
  int fd = static_cast<int>(handle);
  KeptState* kept = keptState(handle);
  if (mode == FileMode::Output && kept->size != 0 && ftruncate(fd, 0) != 0) {
    // Opened anew by the caller instead.
    (void)parkKeptFile(handle);
    forgetKeptFile(host_path);
    return false;
  }
  if (mode == FileMode::Output) kept->size = 0;
  file->handle = fd;
  file->character_device = false;
  return true;
}

}  // namespace

ErrorNumber osOpen(const std::string& host_path, FileMode mode, OsFile* file) {
  if (reuseKeptFile(host_path, mode, file)) return kNoError;
  // A kept file serves for reading and for writing alike.
  bool keep = wantsKeptFile(host_path);
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it is
  // cleared again below so that reads and writes behave normally.
  int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  if (mode != FileMode::Input) flags |= O_CREAT;
  int fd = -1;
  if (keep) {
    fd = retryAfterSignal(
        -1, [&] { return open(host_path.c_str(), flags | O_RDWR, 0666); });
    // A file this run may only read or only write is not kept.
    if (fd < 0 && errno == EACCES) keep = false;
  }
  if (!keep) {
    flags |= mode == FileMode::Input ? O_RDONLY : O_WRONLY;
    fd = retryAfterSignal(-1,
                          [&] { return open(host_path.c_str(), flags, 0666); });
  }
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
  if (keep && S_ISREG(st.st_mode))
    adoptKeptFile(host_path, fd, mode == FileMode::Output ? 0 : st.st_size);
  return kNoError;
}

ErrorNumber osRead(const OsFile& file, char* buffer, size_t size, size_t* got) {
  int fd = static_cast<int>(file.handle);
  KeptState* kept = keptState(file.handle);
  ssize_t n = retryAfterSignal(-1, [&] {
    return kept ? pread(fd, buffer, size, kept->position)
                : read(fd, buffer, size);
  });
  if (n < 0) {
    *got = 0;
    return errorFromSystemCode(errno);
  }
  if (kept) kept->position += n;
  *got = static_cast<size_t>(n);
  return kNoError;
}

namespace {

// Writes all bytes to a kept file at its position; 0 or the errno of the
// failure that stopped it.
int writeKept(int fd, KeptState* kept, const char* data, size_t size,
              size_t* written) {
  *written = 0;
  int code = 0;
  while (*written < size) {
    ssize_t n = retryAfterSignal(-1, [&] {
      return pwrite(fd, data + *written, size - *written, kept->position);
    });
    if (n <= 0) {
      code = n < 0 ? errno : ENOSPC;
      break;
    }
    *written += static_cast<size_t>(n);
    kept->position += n;
  }
  if (kept->size >= 0 && kept->position > kept->size)
    kept->size = kept->position;
  return code;
}

}  // namespace

ErrorNumber osWrite(const OsFile& file, const char* data, size_t size,
                    size_t* written) {
  int fd = static_cast<int>(file.handle);
  KeptState* kept = keptState(file.handle);
  int code = kept ? writeKept(fd, kept, data, size, written)
                  : writeAll(fd, data, size, written);
  // A full disk or device is a short write, not a rejection.
  if (code == 0 || code == ENOSPC || code == EDQUOT) return kNoError;
  return errorFromSystemCode(code);
}

ErrorNumber osTruncateHere(const OsFile& file) {
  int fd = static_cast<int>(file.handle);
  KeptState* kept = keptState(file.handle);
  // A kept file of the length already is left as it is.
  if (kept != nullptr && kept->size == kept->position) return kNoError;
  off_t here = kept ? kept->position : lseek(fd, 0, SEEK_CUR);
  // A pipe, socket or device has no length to set.
  if (here < 0) return errno == ESPIPE ? kNoError : errorFromSystemCode(errno);
  if (ftruncate(fd, here) != 0 && errno != EINVAL) {
    if (kept) kept->size = -1;
    return errorFromSystemCode(errno);
  }
  if (kept) kept->size = here;
  return kNoError;
}

ErrorNumber osClose(const OsFile& file) {
  if (parkKeptFile(file.handle)) return kNoError;
  if (close(static_cast<int>(file.handle)) != 0 && errno != EINTR)
    return errorFromSystemCode(errno);
  return kNoError;
}
