// Message texts of failed system calls, and their output.
#include "shell/messages.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

#include "services/posix_io.h"
#include "services/visible_text.h"

namespace {

std::string systemFailureText(int system_code) {
  switch (system_code) {
    case ENOENT:
      return "The system cannot find the file specified.";
    case ENOTDIR:
      return std::string(kPathNotFoundMessage);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return "Access is denied.";
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return "There is not enough space on the disk.";
    case ENAMETOOLONG:
      return "The filename or extension is too long.";
    case ELOOP:
      return "The name of the file cannot be resolved by the system.";
    default:
      return strerror(system_code);
  }
}

// A failure that no system call gave: the same words for the same cause.
std::string numberFailureText(ErrorNumber number) {
  switch (number) {
    case kFileNotFound:
      return systemFailureText(ENOENT);
    case kPathNotFound:
      return std::string(kPathNotFoundMessage);
    case kPermissionDenied:
      return systemFailureText(EACCES);
    case kDiskFull:
      return systemFailureText(ENOSPC);
    default:
      return errorMessage(number);
  }
}

// Where `printError` writes: standard error, the batch console's terminal,
// or nowhere (-1).
int g_message_fd = STDERR_FILENO;

void printTo(int fd, std::string_view message) {
  if (fd < 0) return;
  // A message may quote a name, and no byte of a name may act on the
  // terminal that shows it.
  std::string text =
      isatty(fd) ? visible::glyphText(message) : visible::caretText(message);
  text += '\n';
  // A stream that takes nothing more loses the message.
  (void)writeAll(fd, text.data(), text.size());
}

}  // namespace

std::string failureText(const FsStatus& status) {
  if (status.systemCode() != 0) return systemFailureText(status.systemCode());
  return numberFailureText(status.number());
}

void printError(std::string_view message) { printTo(g_message_fd, message); }

void printWarning(std::string_view message) { printTo(STDERR_FILENO, message); }

BatchConsole::BatchConsole() : outer_fd_(g_message_fd) {
  g_message_fd = isatty(STDERR_FILENO)   ? STDERR_FILENO
                 : isatty(STDOUT_FILENO) ? STDOUT_FILENO
                                         : -1;
}

BatchConsole::~BatchConsole() { g_message_fd = outer_fd_; }
