// The messages of the built-in interpreter and its DIR command, each text
// held once here, and the one way they reach the standard streams.
#ifndef KESTREL_SHELL_MESSAGES_H_
#define KESTREL_SHELL_MESSAGES_H_

#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/standard_streams.h"

inline constexpr std::string_view kSyntaxErrorMessage =
    "The syntax of the command is incorrect.";
inline constexpr std::string_view kBadNameMessage =
    "The filename, directory name, or volume label syntax is incorrect.";
inline constexpr std::string_view kPathNotFoundMessage =
    "The system cannot find the path specified.";
inline constexpr std::string_view kFileNotFoundMessage = "File Not Found";
inline constexpr std::string_view kNestedTooDeeplyMessage =
    "The commands are nested too deeply.";

/// The interpreter's message for a failed file-system call: by the system's
/// own code where there is one, else by the error number.
std::string failureText(const FsStatus& status);

/// Where the interpreter's messages go: standard error, or, as a batch's
/// console output in the tool's window, to a terminal alone (dropped
/// without one, so that a good run from cron prints nothing).
enum class BatchMessages { kStandardError, kConsoleOnly };

/// The interpreter's messages for one run, each written with a line end and
/// every byte of it shown as a glyph on a terminal and control bytes
/// escaped in a pipe or a file (see text/visible_text.h).
class Messages {
 public:
  /// Decides where errors go for the run: standard error, or for
  /// kConsoleOnly the batch's console, which is standard error when it is a
  /// terminal, else standard output when that is one, else nowhere.
  explicit Messages(BatchMessages where = BatchMessages::kStandardError);

  /// Writes an error of a command where the run's errors go.
  void error(std::string_view message) const;

  /// Writes a notice that the keeper must see whether a terminal is there
  /// or not (a name left out of a listing): always to standard error.
  void warning(std::string_view message) const;

 private:
  std::optional<StandardStream> errors_;
};

#endif  // KESTREL_SHELL_MESSAGES_H_
