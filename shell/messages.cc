// Message texts of failed system calls, and their output.
#include "shell/messages.h"

#include <errno.h>
#include <string.h>
#include <unistd.h>

#include "services/posix_io.h"
#include "services/visible_text.h"

std::string failureText(int system_code) {
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

void printError(std::string_view message) {
  // A message may quote a name, and no byte of a name may act on the
  // terminal that shows it.
  std::string text = isatty(STDERR_FILENO) ? visible::glyphText(message)
                                           : visible::caretText(message);
  text += '\n';
  // A standard error that takes nothing more loses the message.
  (void)writeAll(STDERR_FILENO, text.data(), text.size());
}
