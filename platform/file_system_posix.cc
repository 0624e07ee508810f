// The real file system on POSIX. Names are opened by the rules of
// posix_open.h, so that a link planted in an area or the drive root never
// leads a run elsewhere. Missing directories on the way to a name are told
// apart from a missing file, as Windows does, by looking at the directory
// part once a call has failed with ENOENT. No file is locked: which files are
// in use is the file table's to know.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/drive_root_lock.h"
#include "platform/file_system.h"
#include "platform/posix_io.h"
#include "platform/posix_open.h"

namespace {

using posix_open::Links;
using posix_open::Opened;

int fdOf(const OsFile& file) { return static_cast<int>(file.handle); }

// The status of a failed call whose errno is `code` on `path`: a missing
// name is a missing file or a missing directory on its way.
FsStatus failureAt(const std::string& path, int code) {
  if (code == ENOENT) return FsStatus(missingFileOrPath(path), code);
  return FsStatus::fromSystem(code);
}

FsStatus openFailure(const std::string& path, const Opened& opened) {
  // A list that is a FIFO, socket or device is never waited on.
  if (opened.not_regular) return FsStatus(kPathFileAccessError);
  // Opening a directory as a file is refused as access denied on Windows.
  if (opened.code == EISDIR) return FsStatus(kPermissionDenied, EISDIR);
  return failureAt(path, opened.code);
}

Links linksOf(LinkRule rule) {
  return rule == LinkRule::kNone ? Links::kNone : Links::kOwnerMatch;
}

Opened openReplacing(const std::string& host_path, OsFile* file) {
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

Opened openOnDisk(const std::string& host_path, FileMode mode, LinkRule rule,
                  OsFile* file) {
  if (mode == FileMode::Input)
    return posix_open::openToRead(host_path, linksOf(rule));
  if (mode == FileMode::Replace) return openReplacing(host_path, file);
  posix_open::WriteOptions options;
  options.links = linksOf(rule);
  // The file table cuts an `Output` file once it knows it is not in use.
  options.start = posix_open::Start::kKeep;
  if (mode == FileMode::Create) options.start = posix_open::Start::kEmpty;
  if (mode == FileMode::Append) options.start = posix_open::Start::kEnd;
  if (mode == FileMode::Rewrite || mode == FileMode::Hold)
    options.links = Links::kNone;
  options.read_too = mode == FileMode::Hold;
  return posix_open::openToWrite(host_path, options);
}

void fillStatus(const struct stat& st, FileStatus* status) {
  status->kind = S_ISREG(st.st_mode)   ? FileStatus::kFile
                 : S_ISDIR(st.st_mode) ? FileStatus::kDirectory
                                       : FileStatus::kOther;
  status->size = st.st_size < 0 ? 0 : static_cast<uint64_t>(st.st_size);
  status->mtime = static_cast<int64_t>(st.st_mtime);
  status->device = st.st_dev;
  status->inode = st.st_ino;
  status->links = st.st_nlink;
}

// Stats `name` in the directory `dir_fd`, following a link; a link that
// cannot be followed and any special file show their own (lstat) data.
bool statEntry(int dir_fd, const char* name, struct stat* st) {
  if (fstatat(dir_fd, name, st, 0) == 0 &&
      (S_ISREG(st->st_mode) || S_ISDIR(st->st_mode))) {
    return true;
  }
  return fstatat(dir_fd, name, st, AT_SYMLINK_NOFOLLOW) == 0;
}

// Tells the visitor how many names `dir` holds and rewinds it. One
// extra pass over the names costs little next to a stat per entry, and it
// keeps a large table from being copied, old and new at once, as it grows.
void countNames(DIR* dir, DirectoryVisitor& visitor) {
  size_t count = 0;
  size_t name_bytes = 0;
  while (const dirent* item = readdir(dir)) {
    if (strcmp(item->d_name, ".") == 0 || strcmp(item->d_name, "..") == 0)
      continue;
    ++count;
    name_bytes += strlen(item->d_name);
  }
  rewinddir(dir);
  visitor.expect(count, name_bytes);
}

class PosixFileSystem : public FileSystem {
 public:
  FsStatus open(const std::string& host_path, FileMode mode, OsFile* file,
                LinkRule links) override {
    *file = OsFile();
    Opened opened = openOnDisk(host_path, mode, links, file);
    if (opened.fd < 0) {
      *file = OsFile();
      return openFailure(host_path, opened);
    }
    struct stat st;
    if (fstat(opened.fd, &st) != 0) {
      FsStatus error = FsStatus::fromSystem(errno);
      file->handle = opened.fd;
      discard(*file);
      *file = OsFile();
      return error;
    }
    file->handle = opened.fd;
    file->made = opened.made;
    file->character_device = S_ISCHR(st.st_mode);
    if (file->staged.empty()) {
      file->device = st.st_dev;
      file->inode = st.st_ino;
    }
    return kNoError;
  }

  FsStatus read(const OsFile& file, char* buffer, size_t size,
                size_t* got) override {
    int fd = fdOf(file);
    ssize_t n = retryAfterSignal(-1, [&] { return ::read(fd, buffer, size); });
    *got = n < 0 ? 0 : static_cast<size_t>(n);
    return n < 0 ? FsStatus::fromSystem(errno) : FsStatus();
  }

  FsStatus write(const OsFile& file, const char* data, size_t size,
                 size_t* written) override {
    int code = writeAll(fdOf(file), data, size, written);
    // A full disk or device is a short write, not a rejection.
    if (code == 0 || code == ENOSPC || code == EDQUOT) return kNoError;
    return FsStatus::fromSystem(code);
  }

  FsStatus readAt(const OsFile& file, uint64_t offset, char* buffer,
                  size_t size, size_t* got) override {
    ssize_t n = retryAfterSignal(-1, pread, fdOf(file), buffer, size,
                                 static_cast<off_t>(offset));
    *got = n < 0 ? 0 : static_cast<size_t>(n);
    return n < 0 ? FsStatus::fromSystem(errno) : FsStatus();
  }

  FsStatus writeAt(const OsFile& file, uint64_t offset, const char* data,
                   size_t size, size_t* written) override {
    *written = 0;
    while (*written < size) {
      ssize_t n = retryAfterSignal(-1, pwrite, fdOf(file), data + *written,
                                   size - *written,
                                   static_cast<off_t>(offset + *written));
      if (n < 0) return FsStatus::fromSystem(errno);
      if (n == 0) return FsStatus::fromSystem(ENOSPC);
      *written += static_cast<size_t>(n);
    }
    return kNoError;
  }

  FsStatus truncateHere(const OsFile& file) override {
    int fd = fdOf(file);
    off_t here = lseek(fd, 0, SEEK_CUR);
    // A pipe, socket or device has no length to set.
    if (here < 0)
      return errno == ESPIPE ? FsStatus() : FsStatus::fromSystem(errno);
    if (ftruncate(fd, here) != 0 && errno != EINVAL)
      return FsStatus::fromSystem(errno);
    return kNoError;
  }

  FsStatus setLength(const OsFile& file, uint64_t length) override {
    if (ftruncate(fdOf(file), static_cast<off_t>(length)) != 0)
      return FsStatus::fromSystem(errno);
    return kNoError;
  }

  bool reserve(const OsFile& file, uint64_t size) override {
#ifdef __linux__
    return retryAfterSignal(-1, fallocate, fdOf(file), FALLOC_FL_KEEP_SIZE,
                            off_t{0}, static_cast<off_t>(size)) == 0;
#else
    (void)file;
    (void)size;
    return false;
#endif
  }

  bool writeLater(const OsFile&, std::function<std::string()>,
                  size_t) override {
    return false;
  }

  FsStatus close(const OsFile& file) override {
    int fd = fdOf(file);
    if (!file.staged.empty()) {
      int code = posix_open::commitReplacement(
          fd, posix_open::Replacement{file.staged, file.target});
      return code == 0 ? FsStatus() : FsStatus::fromSystem(code);
    }
    if (::close(fd) != 0 && errno != EINTR) return FsStatus::fromSystem(errno);
    return kNoError;
  }

  void discard(const OsFile& file) override {
    if (!file.staged.empty()) {
      posix_open::abandonReplacement(
          fdOf(file), posix_open::Replacement{file.staged, file.target});
    } else {
      ::close(fdOf(file));
    }
  }

  FsStatus stat(const std::string& host_path, Follow follow,
                FileStatus* status) override {
    struct stat st;
    int rc = follow == Follow::kLinks ? ::stat(host_path.c_str(), &st)
                                      : lstat(host_path.c_str(), &st);
    if (rc != 0) return failureAt(host_path, errno);
    fillStatus(st, status);
    return kNoError;
  }

  FsStatus statOpen(const OsFile& file, FileStatus* status) override {
    struct stat st;
    if (fstat(fdOf(file), &st) != 0) return FsStatus::fromSystem(errno);
    fillStatus(st, status);
    return kNoError;
  }

  bool isOwnPlainFile(const std::string& host_path) override {
    struct stat st;
    return lstat(host_path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           st.st_nlink == 1 && st.st_uid == geteuid();
  }

  FsStatus remove(const std::string& host_path) override {
    if (unlink(host_path.c_str()) != 0) return failureAt(host_path, errno);
    return kNoError;
  }

  FsStatus listDirectory(const std::string& host_path,
                         DirectoryVisitor& visitor) override {
    DIR* dir = opendir(host_path.c_str());
    if (dir == nullptr) {
      int code = errno;
      if (code == ENOENT || code == ENOTDIR)
        return FsStatus(kPathNotFound, code);
      return FsStatus(kPathFileAccessError, code);
    }
    countNames(dir, visitor);
    int dir_fd = dirfd(dir);
    while (const dirent* item = readdir(dir)) {
      const char* name = item->d_name;
      if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0) continue;
      if (!visitor.wants(name)) continue;
      struct stat st;
      if (!statEntry(dir_fd, name, &st)) continue;
      FileStatus status;
      fillStatus(st, &status);
      visitor.add(name, status);
    }
    closedir(dir);
    return kNoError;
  }

  FsStatus lockDriveRoot(const std::string& root,
                         const std::function<void()>& waiting,
                         OsFile* lock) override {
    return lockDriveRootOnDisk(root, waiting, lock);
  }

  uint64_t freeBytes(const std::string& host_path) override {
    struct statvfs vfs;
    if (statvfs(host_path.c_str(), &vfs) != 0) return 0;
    return static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
  }

  OsFile standardOutput() override {
    OsFile out;
    out.handle = STDOUT_FILENO;
    return out;
  }
};

}  // namespace

FileSystem& realFileSystem() {
  static PosixFileSystem files;
  return files;
}
