// errno values mapped through the Windows code of the same meaning, so that
// a failure reads the same on every platform.
#include <cerrno>

#include "platform/os_error.h"

namespace {

// Windows system error codes, named as the Windows headers name them.
enum WindowsCode : unsigned long {
  kErrorInvalidFunction = 1,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorTooManyOpenFiles = 4,
  kErrorAccessDenied = 5,
  kErrorInvalidHandle = 6,
  kErrorNotEnoughMemory = 8,
  kErrorInvalidData = 13,
  kErrorOutOfMemory = 14,
  kErrorInvalidDrive = 15,
  kErrorNotSameDevice = 17,
  kErrorNotReady = 21,
  kErrorCrc = 23,
  kErrorSeek = 25,
  kErrorWriteFault = 29,
  kErrorReadFault = 30,
  kErrorGenFailure = 31,
  kErrorSharingViolation = 32,
  kErrorLockViolation = 33,
  kErrorHandleEof = 38,
  kErrorHandleDiskFull = 39,
  kErrorNotSupported = 50,
  kErrorFileExists = 80,
  kErrorInvalidParameter = 87,
  kErrorBrokenPipe = 109,
  kErrorDiskFull = 112,
  kErrorInvalidName = 123,
  kErrorDirNotEmpty = 145,
  kErrorBusy = 170,
  kErrorAlreadyExists = 183,
  kErrorBadExeFormat = 193,
  kErrorFilenameExcedRange = 206,
  kErrorDirectory = 267,
  kErrorCantResolveFilename = 1921,
};

// clang-format off
unsigned long windowsCodeFor(int code) {
  switch (code) {
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES: case EPERM: case EROFS: case ETXTBSY:
      return kErrorAccessDenied;
    case EISDIR: return kErrorDirectory;
    case ENOSPC: case EDQUOT: case EFBIG: return kErrorDiskFull;
    case EMFILE: case ENFILE: return kErrorTooManyOpenFiles;
    case ENOMEM: return kErrorNotEnoughMemory;
    case EINVAL: return kErrorInvalidParameter;
    case EBADF: return kErrorInvalidHandle;
    case EIO: return kErrorGenFailure;
    case ENXIO: case ENODEV: return kErrorInvalidDrive;
    case EXDEV: return kErrorNotSameDevice;
    case EEXIST: return kErrorFileExists;
    case ENAMETOOLONG: return kErrorFilenameExcedRange;
    case ELOOP: return kErrorCantResolveFilename;
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case EBUSY: return kErrorBusy;
    case EAGAIN: return kErrorLockViolation;
    case EPIPE: return kErrorBrokenPipe;
    case ESPIPE: return kErrorSeek;
    case ENOEXEC: return kErrorBadExeFormat;
    case E2BIG: return kErrorInvalidParameter;
    case EILSEQ: return kErrorInvalidName;
    case ENOTSUP: return kErrorNotSupported;
    default: return kErrorInvalidFunction;
  }
}
// clang-format on

}  // namespace

ErrorNumber errorFromSystemCode(int code) {
  return errorFromWindowsCode(windowsCodeFor(code));
}
