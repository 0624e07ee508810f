// What every file system shares: the status of a failed system call.
#include "services/file_system.h"

#include "services/os_error.h"

FsStatus FsStatus::fromSystem(int system_code) {
  return FsStatus(errorFromSystemCode(system_code), system_code);
}
