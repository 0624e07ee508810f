// Windows failure codes are the reference codes of the error table. Every
// Windows service maps its failures here, so this file also switches off the
// system's critical-error and file-not-found message boxes before the tool
// starts: a missing disk or drive then comes back as an error number.
#include <windows.h>

#include "platform/os_error.h"

namespace {

// Sets the error mode once, before main; it lasts for the whole process.
struct QuietSystemErrors {
  QuietSystemErrors() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  }
};
const QuietSystemErrors g_quiet_system_errors;

}  // namespace

ErrorNumber errorFromSystemCode(int code) {
  return errorFromWindowsCode(static_cast<unsigned long>(code));
}
