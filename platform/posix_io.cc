// Retried writes and the missing-name check on POSIX.
#include "platform/posix_io.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kReadyWaitMilliseconds = 1000;
}  // namespace

int writeAll(int fd, const char* data, size_t size, size_t* written) {
  size_t done = 0;
  int error = 0;
  while (done < size) {
    ssize_t n = write(fd, data + done, size - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      struct pollfd p = {fd, POLLOUT, 0};
      if (poll(&p, 1, kReadyWaitMilliseconds) > 0) continue;
      error = EAGAIN;
      break;
    } else {
      if (n < 0) error = errno;
      break;
    }
  }
  if (written != nullptr) *written = done;
  return error;
}

ErrorNumber missingFileOrPath(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return kFileNotFound;
  struct stat st;
  std::string dir = path.substr(0, slash);
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return kPathNotFound;
  return kFileNotFound;
}
