// Message texts of failed system calls, and their output.
#include "shell/messages.h"

#include <errno.h>
#include <string.h>

#include <optional>

#include "platform/standard_streams.h"
#include "text/visible_text.h"

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

void printTo(std::optional<StandardStream> stream, std::string_view message) {
  if (!stream) return;
  // A message may quote a name, and no byte of a name may act on the
  // terminal that shows it.
  std::string text = isTerminal(*stream) ? visible::glyphText(message)
                                         : visible::caretText(message);
  text += '\n';
  writeToStream(*stream, text);
}

}  // namespace

std::string failureText(const FsStatus& status) {
  if (status.systemCode() != 0) return systemFailureText(status.systemCode());
  return numberFailureText(status.number());
}

Messages::Messages(BatchMessages where) {
  if (where == BatchMessages::kStandardError ||
      isTerminal(StandardStream::kError)) {
    errors_ = StandardStream::kError;
  } else if (isTerminal(StandardStream::kOutput)) {
    errors_ = StandardStream::kOutput;
  }
  // Else a batch's console has no terminal: its errors go nowhere.
}

void Messages::error(std::string_view message) const {
  printTo(errors_, message);
}

void Messages::warning(std::string_view message) const {
  printTo(StandardStream::kError, message);
}
