// What every file system shares: the status of a failed system call.
#include "platform/file_system.h"

#include "platform/os_error.h"

FsStatus FsStatus::fromSystem(int system_code) {
  return FsStatus(errorFromSystemCode(system_code), system_code);
}
