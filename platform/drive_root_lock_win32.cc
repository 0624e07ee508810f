// The drive root's lock on Windows: a hidden file "$LOCK$" in the root, held
// open with no sharing for the whole run. It is deleted when its handle is
// closed, so the root keeps no trace of it, and the system closes the handle
// when the process ends, however it ends.
#include <windows.h>

#include "platform/drive_root_lock.h"
#include "platform/os_error.h"

namespace {

// How long one try sleeps before the next while another run holds the lock.
constexpr DWORD kRetryMilliseconds = 200;
// A lock file that is being deleted cannot be opened for a short while; this
// many tries in a row with access denied mean the root cannot be written.
constexpr int kDeniedTries = 25;

std::string lockPath(const std::string& root) {
  std::string path = root;
  if (path.empty() || (path.back() != '\\' && path.back() != '/')) path += '\\';
  return path + "$LOCK$";
}

}  // namespace

FsStatus lockDriveRootOnDisk(const std::string& root,
                             const std::function<void()>& waiting,
                             OsFile* lock) {
  std::string path = lockPath(root);
  bool told = false;
  int denied = 0;
  for (;;) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                    nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      *lock = OsFile();
      lock->handle = reinterpret_cast<intptr_t>(file);
      return kNoError;
    }
    DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED) {
      if (++denied >= kDeniedTries) return kPermissionDenied;
    } else if (error == ERROR_SHARING_VIOLATION) {
      denied = 0;
      if (!told) {
        told = true;
        waiting();
      }
    } else {
      return FsStatus::fromSystem(static_cast<int>(error));
    }
    Sleep(kRetryMilliseconds);
  }
}
