// The Windows system error code table.
#include "platform/os_error.h"

// clang-format off
ErrorNumber errorFromWindowsCode(unsigned long code) {
  switch (code) {
    case 1: case 16: case 37: return kPathFileAccessError;
    case 2: case 18: return kFileNotFound;
    case 3: return kPathNotFound;
    case 4: return kTooManyFiles;
    case 5: case 19: case 32: case 33: case 36: return kPermissionDenied;
    case 6: case 11: case 12: case 13: case 22: case 24: return kInternalError;
    case 7: case 9: case 10: return kGlobalMemoryCorrupt;
    case 8: case 14: return kOutOfMemory;
    case 15: case 20: return kDeviceUnavailable;
    case 17: return kRenameAcrossDisks;
    case 21: return kDiskNotReady;
    case 23: case 25: case 26: case 27: case 28: case 29: case 30: case 31:
    case 34: case 35:
      return kDiskMediaError;
    case 38: return kInputPastEnd;
    case 39: return kDiskFull;
    case 87: return kIllegalFunctionCall;
    case 112: return kDiskFull;
    default:
      // Every code from 40 on is a generic access failure; 0, a failure
      // that gave no reason, is an internal error.
      return code >= 40 ? kPathFileAccessError : kInternalError;
  }
}
// clang-format on
