// Running a command line as a child and waiting for it. Lines that need the
// system's command interpreter (a batch file, or "cmd /c ...") go to the
// interpreter where the host has none.
#ifndef KESTREL_SERVICES_COMMAND_H_
#define KESTREL_SERVICES_COMMAND_H_

#include <string>
#include <string_view>

#include "services/error_number.h"
#include "services/error_record.h"

class OsInterface;

/// Runs the first 256 characters of `command_line` and waits for it without
/// a time limit. Returns the child's exit code; when it cannot be started,
/// records the failure (53 for a missing program) and returns 0.
int runCommand(ErrorRecord& errors, std::string_view command_line);
/// The same through `os`.
int runCommand(ErrorRecord& errors, OsInterface& os,
               std::string_view command_line);

/// From now on what the commands that `runCommand` starts print about
/// themselves is the console output of a batch, as in the tool's console
/// window: shown at a terminal, dropped without one, so that a good run from
/// cron prints nothing. The tools call it at start; the real cmd of Windows
/// writes into the tool's console as it is.
void showCommandMessagesOnTheConsoleOnly();

/// The platform's runner behind `runCommand`: kNoError and the exit code in
/// `*exit_code`, or the reason it could not be started (`*exit_code` 0).
[[nodiscard]] ErrorNumber startCommand(std::string_view command_line,
                                       int* exit_code);

#endif  // KESTREL_SERVICES_COMMAND_H_
