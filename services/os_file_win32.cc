// File calls on Windows. Files are opened with no sharing, so that no other
// opener (another tool run, a child's del or DIR) can touch a file while it
// is open; failures are the system's last-error codes, cleared before each
// call and mapped after it. Message boxes for missing disks are switched
// off in os_error_win32.cc.
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

}  // namespace

ErrorNumber osOpen(const std::string& host_path, FileMode mode, OsFile* file) {
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
  // An existing disk file is cut to length 0. Opening the file as it is
  // and cutting it, rather than recreating it, keeps its attributes.
  if (mode == FileMode::Output && type == FILE_TYPE_DISK) {
    SetLastError(0);
    DWORD start = SetFilePointer(handle, 0, nullptr, FILE_BEGIN);
    ErrorNumber error = kNoError;
    if (start == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
      error = lastFailure();
    } else {
      error = truncateAtPosition(handle);
    }
    if (error != kNoError) {
      CloseHandle(handle);
      return error;
    }
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
  SetLastError(0);
  if (!CloseHandle(handleOf(file))) return lastFailure();
  return kNoError;
}
