// The messages of the built-in interpreter and its DIR command, each text
// held once here, and the one way they reach standard error.
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

/// Writes `message` and a line end as the batch's console output, every
/// byte of it shown as a glyph on a terminal and control bytes escaped in a
/// pipe or a file (see text/visible_text.h): to standard error, or
/// while a `BatchConsole` lives, to the terminal alone.
void printError(std::string_view message);

/// Writes a notice that the keeper must see whether a terminal is there or
/// not (a name left out of a listing) to standard error, as `printError`
/// shows it.
void printWarning(std::string_view message);

/// While it lives, the interpreter's messages are the console output of the
/// batch that a tool runs: shown at a terminal (standard error's, else
/// standard output's), and dropped without one, so that a good run from
/// cron prints nothing.
class BatchConsole {
 public:
  BatchConsole();
  ~BatchConsole();
  BatchConsole(const BatchConsole&) = delete;
  BatchConsole& operator=(const BatchConsole&) = delete;

 private:
  std::optional<StandardStream> outer_;
};

#endif  // KESTREL_SHELL_MESSAGES_H_
