// The message texts of the error numbers.
#include "platform/error_number.h"

namespace {

struct Message {
  ErrorNumber number;
  const char* text;
};

constexpr Message kMessages[] = {
    {kNoError, "No Error"},
    {kIllegalFunctionCall, "Illegal function call"},
    {kOverflow, "Overflow"},
    {kOutOfMemory, "Out of memory"},
    {kSubscriptOutOfRange, "Subscript/Pointer out of range"},
    {kDivisionByZero, "Division by zero"},
    {kDeviceTimeout, "Device timeout"},
    {kInternalError, "Internal error"},
    {kBadFileNameOrNumber, "Bad file name or number"},
    {kFileNotFound, "File not found"},
    {kBadFileMode, "Bad file mode"},
    {kFileIsOpen, "File is open"},
    {kDeviceIoError, "Device I/O error"},
    {kFileAlreadyExists, "File already exists"},
    {kDiskFull, "Disk full"},
    {kInputPastEnd, "Input past end"},
    {kBadRecordNumber, "Bad record number"},
    {kBadFileName, "Bad file name"},
    {kTooManyFiles, "Too many files"},
    {kDeviceUnavailable, "Device unavailable"},
    {kCommError, "Comm error"},
    {kPermissionDenied, "Permission denied"},
    {kDiskNotReady, "Disk not ready"},
    {kDiskMediaError, "Disk media error"},
    {kRenameAcrossDisks, "Rename across disks"},
    {kPathFileAccessError, "Path/file access error"},
    {kPathNotFound, "Path not found"},
    {kObjectError, "Object error"},
    {kGlobalMemoryCorrupt, "Global memory corrupt"},
    {kStringSpaceCorrupt, "String space corrupt"},
};

}  // namespace

std::string errorMessage(int number) {
  if (number > 255) number = kNoError;
  for (const Message& message : kMessages)
    if (message.number == number) return message.text;
  return "";
}
