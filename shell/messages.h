// The messages of the built-in interpreter and its DIR command, each text
// held once here, and the one way they reach standard error.
#ifndef KESTREL_SHELL_MESSAGES_H_
#define KESTREL_SHELL_MESSAGES_H_

#include <string>
#include <string_view>

inline constexpr std::string_view kSyntaxErrorMessage =
    "The syntax of the command is incorrect.";
inline constexpr std::string_view kBadNameMessage =
    "The filename, directory name, or volume label syntax is incorrect.";
inline constexpr std::string_view kPathNotFoundMessage =
    "The system cannot find the path specified.";
inline constexpr std::string_view kFileNotFoundMessage = "File Not Found";
inline constexpr std::string_view kNestedTooDeeplyMessage =
    "The commands are nested too deeply.";

/// The interpreter's message for a failed system call's errno.
std::string failureText(int system_code);

/// Writes `message` and a line end to standard error, every byte of it
/// shown as a glyph on a terminal and control bytes escaped in a pipe or a
/// file (see services/visible_text.h).
void printError(std::string_view message);

#endif  // KESTREL_SHELL_MESSAGES_H_
