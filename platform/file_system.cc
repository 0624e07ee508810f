// What every file system shares: the status of a failed system call.
#include "platform/file_system.h"

#include "platform/os_error.h"

FsStatus FsStatus::fromSystem(int system_code) {
  return FsStatus(errorFromSystemCode(system_code), system_code);
}

FsStatus readWholeFile(FileSystem& files, const OsFile& file, uint64_t limit,
                       std::string* bytes) {
  char buffer[8192];
  uint64_t offset = 0;
  while (bytes->size() < limit) {
    size_t got = 0;
    FsStatus status = files.readAt(file, offset, buffer, sizeof buffer, &got);
    if (status != kNoError) return status;
    if (got == 0) break;
    bytes->append(buffer, got);
    offset += got;
  }
  return kNoError;
}
