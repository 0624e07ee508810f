// Calls on POSIX file descriptors and paths that every POSIX part of the
// tools makes the same way: a call cut short by a signal is made again, a
// write goes on until all bytes are taken, and a name that is missing is told
// apart from a directory on its way that is missing.
#ifndef KESTREL_PLATFORM_POSIX_IO_H_
#define KESTREL_PLATFORM_POSIX_IO_H_

#include <errno.h>

#include <cstddef>
#include <string>

#include "platform/error_number.h"

/// Calls `call(args...)` again for as long as it returns `fail` with errno
/// EINTR; returns the last result (errno is left as the call set it).
template <typename Fail, typename Call, typename... Args>
auto retryAfterSignal(const Fail& fail, const Call& call, Args... args)
    -> decltype(call(args...)) {
  decltype(call(args...)) result;
  do {
    errno = 0;
    result = call(args...);
  } while (result == fail && errno == EINTR);
  return result;
}

/// Writes `size` bytes to `fd`, again and again until all are taken; a
/// descriptor that is not ready is waited for up to a second at a time.
/// Returns 0 or the errno of the failure that stopped it; `*written` (when
/// given) is how many bytes were taken, short also when the file took
/// nothing more. Async-signal-safe.
[[nodiscard]] int writeAll(int fd, const char* data, size_t size,
                           size_t* written = nullptr);

/// For a host path that does not exist: kPathNotFound when the directory it
/// names on its way is missing (or is no directory), else kFileNotFound.
[[nodiscard]] ErrorNumber missingFileOrPath(const std::string& path);

#endif  // KESTREL_PLATFORM_POSIX_IO_H_
