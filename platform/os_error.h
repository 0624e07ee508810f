// Turns operating-system failure codes into the tools' error numbers. The
// Windows table is the reference; other systems map each of their codes to
// the number of the Windows code with the same meaning.
#ifndef KESTREL_PLATFORM_OS_ERROR_H_
#define KESTREL_PLATFORM_OS_ERROR_H_

#include "platform/error_number.h"

/// Error number for a Windows system error code (pure; used by the Windows
/// layer and as the reference for the others).
[[nodiscard]] ErrorNumber errorFromWindowsCode(unsigned long code);

/// Error number for this platform's own failure code (errno on POSIX,
/// GetLastError() on Windows).
[[nodiscard]] ErrorNumber errorFromSystemCode(int code);

#endif  // KESTREL_PLATFORM_OS_ERROR_H_
