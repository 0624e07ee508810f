// The built-in command interpreter: runs the batch files and "cmd /c" lines
// that the tools write (del, DIR /X, DIR /B, output redirection) in process,
// where the host has no such interpreter. Nothing else ever runs: a list
// line that reaches a command is one literal name, never a shell command.
#ifndef KESTREL_SHELL_INTERPRETER_H_
#define KESTREL_SHELL_INTERPRETER_H_

#include <string_view>

#include "services/error_number.h"

/// True when `command_line` is for the interpreter: its first word names a
/// batch file (ends in .BAT or .CMD, any case) or it is "cmd /c ...".
bool isInterpreterCommand(std::string_view command_line);

/// Runs such a line; `*exit_code` is its exit code (0 success, 1 failure;
/// messages go to standard error). Returns the error number when it cannot
/// start at all (the batch file does not exist or cannot be read; the exit
/// code is then 0), else kNoError.
[[nodiscard]] ErrorNumber runInterpreterCommand(std::string_view command_line,
                                                int* exit_code);

#endif  // KESTREL_SHELL_INTERPRETER_H_
