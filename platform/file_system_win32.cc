// File calls on Windows. Files are opened with no sharing, so that no other
// opener (another tool run, a child's del or DIR) can touch a file while it
// is open; a `Replace` file is written under a hidden name and moved over its
// name at the close (MoveFileEx, replacing and writing through); failures are
// the system's last-error codes, cleared before each call and mapped after it.
// Message boxes for missing disks are switched off in os_error_win32.cc.
#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/drive_root_lock.h"
#include "platform/file_system.h"
#include "platform/os_error.h"

namespace {

// The largest piece one ReadFile or WriteFile call is given.
constexpr size_t kMaxTransfer = 0x40000000;

HANDLE handleOf(const OsFile& file) {
  return reinterpret_cast<HANDLE>(file.handle);
}

// The status of the call that has just failed.
FsStatus lastFailure() {
  return FsStatus::fromSystem(static_cast<int>(GetLastError()));
}

bool isDiskFile(HANDLE handle) { return GetFileType(handle) == FILE_TYPE_DISK; }

// Moves a disk file's end to its current position.
FsStatus truncateAtPosition(HANDLE handle) {
  LONG high = 0;
  SetLastError(0);
  DWORD low = SetFilePointer(handle, 0, &high, FILE_CURRENT);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
    return lastFailure();
  SetLastError(0);
  if (!SetEndOfFile(handle)) return lastFailure();
  return kNoError;
}

// The hidden name beside `target` that its replacement is written under.
std::string stagedName(const std::string& target) {
  size_t cut = target.find_last_of("\\/");
  size_t base = cut == std::string::npos ? 0 : cut + 1;
  return target.substr(0, base) + "." + target.substr(base, 240) + ".new";
}

// Tests the name as an open for writing would, then makes the file that
// will replace it; a character device is written as it is.
FsStatus openReplacement(const std::string& host_path, OsFile* file) {
  SetLastError(0);
  HANDLE existing = CreateFileA(host_path.c_str(), GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (existing == INVALID_HANDLE_VALUE) {
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return lastFailure();
  } else if (GetFileType(existing) == FILE_TYPE_CHAR) {
    file->handle = reinterpret_cast<intptr_t>(existing);
    file->character_device = true;
    return kNoError;
  } else {
    CloseHandle(existing);
  }
  std::string staged = stagedName(host_path);
  DeleteFileA(staged.c_str());  // one left by a run that was stopped
  SetLastError(0);
  HANDLE handle = CreateFileA(staged.c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return lastFailure();
  file->handle = reinterpret_cast<intptr_t>(handle);
  file->staged = staged;
  file->target = host_path;
  return kNoError;
}

DWORD creationFor(FileMode mode) {
  switch (mode) {
    case FileMode::Input:
      return OPEN_EXISTING;
    case FileMode::Create:
      return CREATE_ALWAYS;
    default:
      return OPEN_ALWAYS;
  }
}

DWORD accessFor(FileMode mode) {
  if (mode == FileMode::Input) return GENERIC_READ;
  if (mode == FileMode::Hold) return GENERIC_READ | GENERIC_WRITE;
  return GENERIC_WRITE;
}

// Moves the file pointer; false when the call failed.
bool seekTo(HANDLE handle, int64_t offset, DWORD from, int64_t* old = nullptr) {
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER at;
  if (!SetFilePointerEx(handle, distance, &at, from)) return false;
  if (old != nullptr) *old = at.QuadPart;
  return true;
}

int64_t fileTimeToUnix(FILETIME time) {
  ULARGE_INTEGER value;
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  // 100 ns steps since 1601.
  return static_cast<int64_t>(value.QuadPart / 10000000ULL) - 11644473600LL;
}

FileStatus statusOf(DWORD attributes, DWORD size_high, DWORD size_low,
                    FILETIME written) {
  FileStatus status;
  status.kind = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FileStatus::kDirectory
                                                        : FileStatus::kFile;
  status.size = (uint64_t{size_high} << 32) | size_low;
  status.mtime = fileTimeToUnix(written);
  return status;
}

class WindowsFileSystem : public FileSystem {
 public:
  FsStatus open(const std::string& host_path, FileMode mode, OsFile* file,
                LinkRule) override {
    *file = OsFile();
    if (mode == FileMode::Replace) return openReplacement(host_path, file);
    SetLastError(0);
    HANDLE handle = CreateFileA(host_path.c_str(), accessFor(mode),
                                /*dwShareMode=*/0, nullptr, creationFor(mode),
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return lastFailure();
    file->made =
        GetLastError() != ERROR_ALREADY_EXISTS && mode != FileMode::Input;
    SetLastError(0);
    DWORD type = GetFileType(handle);
    if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) {
      FsStatus error = lastFailure();
      CloseHandle(handle);
      return error;
    }
    if (mode == FileMode::Append && type == FILE_TYPE_DISK)
      seekTo(handle, 0, FILE_END);
    file->handle = reinterpret_cast<intptr_t>(handle);
    file->character_device = type == FILE_TYPE_CHAR;
    return kNoError;
  }

  FsStatus read(const OsFile& file, char* buffer, size_t size,
                size_t* got) override {
    DWORD n = 0;
    SetLastError(0);
    if (!ReadFile(handleOf(file), buffer,
                  static_cast<DWORD>(std::min(size, kMaxTransfer)), &n,
                  nullptr)) {
      *got = 0;
      // A pipe whose writer has gone has simply come to its end.
      if (GetLastError() == ERROR_BROKEN_PIPE) return kNoError;
      return lastFailure();
    }
    *got = n;
    return kNoError;
  }

  FsStatus write(const OsFile& file, const char* data, size_t size,
                 size_t* written) override {
    // A disk file takes all bytes in one call; a pipe or device may take
    // part of them, and the rest is offered again until it takes no more.
    size_t done = 0;
    while (done < size) {
      DWORD n = 0;
      SetLastError(0);
      if (!WriteFile(handleOf(file), data + done,
                     static_cast<DWORD>(std::min(size - done, kMaxTransfer)),
                     &n, nullptr)) {
        *written = done + n;
        // A full disk or device is a short write, not a rejection.
        DWORD code = GetLastError();
        if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL)
          return kNoError;
        return FsStatus::fromSystem(static_cast<int>(code));
      }
      if (n == 0) break;
      done += n;
    }
    *written = done;
    return kNoError;
  }

  FsStatus readAt(const OsFile& file, uint64_t offset, char* buffer,
                  size_t size, size_t* got) override {
    int64_t old = 0;
    HANDLE handle = handleOf(file);
    if (!seekTo(handle, 0, FILE_CURRENT, &old) ||
        !seekTo(handle, static_cast<int64_t>(offset), FILE_BEGIN)) {
      return lastFailure();
    }
    FsStatus status = read(file, buffer, size, got);
    seekTo(handle, old, FILE_BEGIN);
    return status;
  }

  FsStatus writeAt(const OsFile& file, uint64_t offset, const char* data,
                   size_t size, size_t* written) override {
    int64_t old = 0;
    HANDLE handle = handleOf(file);
    if (!seekTo(handle, 0, FILE_CURRENT, &old) ||
        !seekTo(handle, static_cast<int64_t>(offset), FILE_BEGIN)) {
      return lastFailure();
    }
    FsStatus status = write(file, data, size, written);
    seekTo(handle, old, FILE_BEGIN);
    if (status == kNoError && *written < size)
      return FsStatus(kDiskFull, ERROR_DISK_FULL);
    return status;
  }

  FsStatus truncateHere(const OsFile& file) override {
    // A pipe or device has no length to set.
    if (!isDiskFile(handleOf(file))) return kNoError;
    return truncateAtPosition(handleOf(file));
  }

  FsStatus setLength(const OsFile& file, uint64_t length) override {
    int64_t old = 0;
    HANDLE handle = handleOf(file);
    if (!seekTo(handle, 0, FILE_CURRENT, &old) ||
        !seekTo(handle, static_cast<int64_t>(length), FILE_BEGIN)) {
      return lastFailure();
    }
    FsStatus status = truncateAtPosition(handle);
    seekTo(handle, old, FILE_BEGIN);
    return status;
  }

  // The real cmd opens the scratch files itself: nothing is held in memory
  // here, so no room is set aside and no text is written later.
  bool reserve(const OsFile&, uint64_t) override { return false; }
  bool writeLater(const OsFile&, std::function<std::string()>,
                  size_t) override {
    return false;
  }

  FsStatus close(const OsFile& file) override {
    if (!file.staged.empty()) FlushFileBuffers(handleOf(file));
    SetLastError(0);
    if (!CloseHandle(handleOf(file))) {
      FsStatus error = lastFailure();
      if (!file.staged.empty()) DeleteFileA(file.staged.c_str());
      return error;
    }
    if (file.staged.empty()) return kNoError;
    SetLastError(0);
    if (!MoveFileExA(file.staged.c_str(), file.target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      FsStatus error = lastFailure();
      DeleteFileA(file.staged.c_str());
      return error;
    }
    return kNoError;
  }

  void discard(const OsFile& file) override {
    CloseHandle(handleOf(file));
    if (!file.staged.empty()) DeleteFileA(file.staged.c_str());
  }

  FsStatus stat(const std::string& host_path, Follow,
                FileStatus* status) override {
    WIN32_FILE_ATTRIBUTE_DATA data;
    SetLastError(0);
    if (!GetFileAttributesExA(host_path.c_str(), GetFileExInfoStandard, &data))
      return lastFailure();
    *status = statusOf(data.dwFileAttributes, data.nFileSizeHigh,
                       data.nFileSizeLow, data.ftLastWriteTime);
    return kNoError;
  }

  FsStatus statOpen(const OsFile& file, FileStatus* status) override {
    BY_HANDLE_FILE_INFORMATION info;
    SetLastError(0);
    if (!GetFileInformationByHandle(handleOf(file), &info))
      return lastFailure();
    *status = statusOf(info.dwFileAttributes, info.nFileSizeHigh,
                       info.nFileSizeLow, info.ftLastWriteTime);
    status->device = info.dwVolumeSerialNumber;
    status->inode = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    status->links = info.nNumberOfLinks;
    return kNoError;
  }

  bool isOwnPlainFile(const std::string& host_path) override {
    DWORD attributes = GetFileAttributesA(host_path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes &
             (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  }

  FsStatus remove(const std::string& host_path) override {
    SetLastError(0);
    if (!DeleteFileA(host_path.c_str())) return lastFailure();
    return kNoError;
  }

  FsStatus listDirectory(const std::string& host_path,
                         DirectoryVisitor& visitor) override {
    std::string pattern = host_path + "\\*";
    WIN32_FIND_DATAA found;
    SetLastError(0);
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return lastFailure();
    visitor.expect(0, 0);
    do {
      std::string name = found.cFileName;
      if (name == "." || name == ".." || !visitor.wants(name)) continue;
      visitor.add(name, statusOf(found.dwFileAttributes, found.nFileSizeHigh,
                                 found.nFileSizeLow, found.ftLastWriteTime));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return kNoError;
  }

  FsStatus lockDriveRoot(const std::string& root,
                         const std::function<void()>& waiting,
                         OsFile* lock) override {
    return lockDriveRootOnDisk(root, waiting, lock);
  }

  uint64_t freeBytes(const std::string& host_path) override {
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExA(host_path.c_str(), &available, nullptr, nullptr))
      return 0;
    return available.QuadPart;
  }

  OsFile standardOutput() override {
    OsFile out;
    out.handle = reinterpret_cast<intptr_t>(GetStdHandle(STD_OUTPUT_HANDLE));
    return out;
  }
};

}  // namespace

FileSystem& realFileSystem() {
  static WindowsFileSystem files;
  return files;
}
