// File calls on Windows. Files are opened with no sharing, so that no other
// opener (another tool run, a child's del or DIR) can touch a file while it
// is open; a `Replace` file is written under a hidden name and moved over its
// name at the close (MoveFileEx, replacing and writing through); failures are
// the system's last-error codes, cleared before each call and mapped after it.
// Message boxes for missing disks are switched off in os_error_win32.cc.
#include <windows.h>

#include <algorithm>

#include "services/os_error.h"
#include "services/os_file.h"

namespace {

// The largest piece one ReadFile or WriteFile call is given.
constexpr size_t kMaxTransfer = 0x40000000;

HANDLE handleOf(const OsFile& file) {
  return reinterpret_cast<HANDLE>(file.handle);
}

// The error number of the call that has just failed.
ErrorNumber lastFailure() {
  return errorFromSystemCode(static_cast<int>(GetLastError()));
}

bool isDiskFile(HANDLE handle) { return GetFileType(handle) == FILE_TYPE_DISK; }

// Moves a disk file's end to its current position.
ErrorNumber truncateAtPosition(HANDLE handle) {
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
ErrorNumber openReplacement(const std::string& host_path, OsFile* file) {
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

}  // namespace

ErrorNumber osOpen(const std::string& host_path, FileMode mode, OsFile* file) {
  *file = OsFile();
  if (mode == FileMode::Replace) return openReplacement(host_path, file);
  bool input = mode == FileMode::Input;
  SetLastError(0);
  HANDLE handle = CreateFileA(
      host_path.c_str(), input ? GENERIC_READ : GENERIC_WRITE,
      /*dwShareMode=*/0, nullptr, input ? OPEN_EXISTING : OPEN_ALWAYS,
      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return lastFailure();
  SetLastError(0);
  DWORD type = GetFileType(handle);
  if (type == FILE_TYPE_UNKNOWN && GetLastError() != NO_ERROR) {
    ErrorNumber error = lastFailure();
    CloseHandle(handle);
    return error;
  }
  file->handle = reinterpret_cast<intptr_t>(handle);
  file->character_device = type == FILE_TYPE_CHAR;
  return kNoError;
}

ErrorNumber osRead(const OsFile& file, char* buffer, size_t size, size_t* got) {
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

ErrorNumber osWrite(const OsFile& file, const char* data, size_t size,
                    size_t* written) {
  // A disk file takes all bytes in one call; a pipe or device may take part
  // of them, and the rest is offered again until it takes no more.
  size_t done = 0;
  while (done < size) {
    DWORD n = 0;
    SetLastError(0);
    if (!WriteFile(handleOf(file), data + done,
                   static_cast<DWORD>(std::min(size - done, kMaxTransfer)), &n,
                   nullptr)) {
      *written = done + n;
      // A full disk or device is a short write, not a rejection.
      DWORD code = GetLastError();
      if (code == ERROR_DISK_FULL || code == ERROR_HANDLE_DISK_FULL)
        return kNoError;
      return errorFromSystemCode(static_cast<int>(code));
    }
    if (n == 0) break;
    done += n;
  }
  *written = done;
  return kNoError;
}

ErrorNumber osTruncateHere(const OsFile& file) {
  // A pipe or device has no length to set.
  if (!isDiskFile(handleOf(file))) return kNoError;
  return truncateAtPosition(handleOf(file));
}

ErrorNumber osClose(const OsFile& file) {
  if (!file.staged.empty()) FlushFileBuffers(handleOf(file));
  SetLastError(0);
  if (!CloseHandle(handleOf(file))) {
    ErrorNumber error = lastFailure();
    if (!file.staged.empty()) DeleteFileA(file.staged.c_str());
    return error;
  }
  if (file.staged.empty()) return kNoError;
  SetLastError(0);
  if (!MoveFileExA(file.staged.c_str(), file.target.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ErrorNumber error = lastFailure();
    DeleteFileA(file.staged.c_str());
    return error;
  }
  return kNoError;
}

void osDiscard(const OsFile& file) {
  CloseHandle(handleOf(file));
  if (!file.staged.empty()) DeleteFileA(file.staged.c_str());
}
