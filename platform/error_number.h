// The tools' error numbers, the one error type of the file, command and
// interpreter layers: every failing operation returns one of these (kNoError
// for success), and the run's error record keeps it. Each number's message
// text is held here and nowhere else.
#ifndef KESTREL_PLATFORM_ERROR_NUMBER_H_
#define KESTREL_PLATFORM_ERROR_NUMBER_H_

#include <string>

enum ErrorNumber : int {
  kNoError = 0,
  kIllegalFunctionCall = 5,
  kOverflow = 6,
  kOutOfMemory = 7,
  kSubscriptOutOfRange = 9,
  kDivisionByZero = 11,
  kDeviceTimeout = 24,
  kInternalError = 51,
  kBadFileNameOrNumber = 52,
  kFileNotFound = 53,
  kBadFileMode = 54,
  kFileIsOpen = 55,
  kDeviceIoError = 57,
  kFileAlreadyExists = 58,
  kDiskFull = 61,
  kInputPastEnd = 62,
  kBadRecordNumber = 63,
  kBadFileName = 64,
  kTooManyFiles = 67,
  kDeviceUnavailable = 68,
  kCommError = 69,
  kPermissionDenied = 70,
  kDiskNotReady = 71,
  kDiskMediaError = 72,
  kRenameAcrossDisks = 74,
  kPathFileAccessError = 75,
  kPathNotFound = 76,
  kObjectError = 99,
  kGlobalMemoryCorrupt = 241,
  kStringSpaceCorrupt = 242,
};

/// Message text of an error number; "" for a number without one, and the
/// text of 0 for a number above 255.
std::string errorMessage(int number);

#endif  // KESTREL_PLATFORM_ERROR_NUMBER_H_
