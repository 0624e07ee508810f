// File calls on POSIX. Names are opened by the rules of posix_open.h, so that
// a link planted in an area or the drive root never leads a run elsewhere.
// Missing directories on the way to a name are told apart from a missing
// file, as Windows does, by looking at the directory part once an open has
// failed with ENOENT. No file is locked: which files are in use is the file
// table's to know. The run's held scratch files (held_files.h) are opened,
// read and written in memory.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "services/held_files.h"
#include "services/os_error.h"
#include "services/os_file.h"
#include "services/posix_io.h"
#include "services/posix_open.h"

namespace {

using posix_open::Links;
using posix_open::Opened;

ErrorNumber openFailure(const std::string& path, const Opened& opened) {
  // A list that is a FIFO, socket or device is never waited on.
  if (opened.not_regular) return kPathFileAccessError;
  // Opening a directory as a file is refused as access denied on Windows.
  if (opened.code == EISDIR) return kPermissionDenied;
  if (opened.code != ENOENT) return errorFromSystemCode(opened.code);
  return missingFileOrPath(path);
}

Opened openOnDisk(const std::string& host_path, FileMode mode, OsFile* file) {
  if (mode == FileMode::Input)
    return posix_open::openToRead(host_path, Links::kOwnerMatch);
  if (mode == FileMode::Replace) {
    posix_open::Replacement replacement;
    dev_t device = 0;
    ino_t inode = 0;
    Opened opened =
        posix_open::openReplacement(host_path, &replacement, &device, &inode);
    file->staged = replacement.staged;
    file->target = replacement.target;
    file->device = device;
    file->inode = inode;
    return opened;
  }
  posix_open::WriteOptions options;
  options.links = mode == FileMode::Rewrite ? Links::kNone : Links::kOwnerMatch;
  // The file table cuts an `Output` file once it knows it is not in use.
  options.start = posix_open::Start::kKeep;
  return posix_open::openToWrite(host_path, options);
}

}  // namespace

ErrorNumber osOpen(const std::string& host_path, FileMode mode, OsFile* file) {
  intptr_t held = -1;
  ErrorNumber held_error = kNoError;
  if (openHeldFile(
          host_path,
          mode == FileMode::Input ? HeldAccess::kRead : HeldAccess::kWrite,
          &held, &held_error)) {
    if (held_error == kNoError) {
      *file = OsFile();
      file->handle = held;
    }
    return held_error;
  }
  *file = OsFile();
  Opened opened = openOnDisk(host_path, mode, file);
  if (opened.fd < 0) {
    *file = OsFile();
    return openFailure(host_path, opened);
  }
  struct stat st;
  if (fstat(opened.fd, &st) != 0) {
    ErrorNumber error = errorFromSystemCode(errno);
    OsFile failed = *file;
    failed.handle = opened.fd;
    osDiscard(failed);
    *file = OsFile();
    return error;
  }
  file->handle = opened.fd;
  file->character_device = S_ISCHR(st.st_mode);
  if (file->staged.empty()) {
    file->device = st.st_dev;
    file->inode = st.st_ino;
  }
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
  int fd = static_cast<int>(file.handle);
  if (!file.staged.empty()) {
    int code = posix_open::commitReplacement(
        fd, posix_open::Replacement{file.staged, file.target});
    return code == 0 ? kNoError : errorFromSystemCode(code);
  }
  if (close(fd) != 0 && errno != EINTR) return errorFromSystemCode(errno);
  return kNoError;
}

void osDiscard(const OsFile& file) {
  if (isHeldHandle(file.handle)) {
    closeHeldFile(file.handle);
  } else if (!file.staged.empty()) {
    posix_open::abandonReplacement(
        static_cast<int>(file.handle),
        posix_open::Replacement{file.staged, file.target});
  } else {
    close(static_cast<int>(file.handle));
  }
}
