// Running a command line for a tool run, with the failure recorded in its
// error record, and the tool's own command tail.
#ifndef KESTREL_SERVICES_COMMAND_H_
#define KESTREL_SERVICES_COMMAND_H_

#include <string>
#include <string_view>

#include "services/error_number.h"
#include "services/error_record.h"

class CommandRunner;

/// Runs the first 256 characters of `command_line` through `runner` and
/// waits for it without a time limit. Returns the exit code; when it cannot
/// be started, records the failure (53 for a missing program) and returns 0.
int runCommand(ErrorRecord& errors, CommandRunner& runner,
               std::string_view command_line);

/// Fixes the command tail once at start, from the process's arguments.
void initCommandTail(int argc, char** argv);
/// Replaces the command tail with what remains of it once an option in
/// front has been taken off.
void setCommandTail(std::string tail);
/// The text after the program name on the tool's command line.
std::string commandTail();
/// The command tail as this platform keeps it: the command line as typed
/// where the system keeps one, else the arguments (`tailOfArguments`).
std::string platformCommandTail(int argc, char** argv);

/// The tail of a whole Windows-style command line (pure): a quoted program
/// name is skipped with its closing quote and the blanks after it; a line
/// that begins with blanks keeps the program name; otherwise the name ends
/// at the first byte of 32 or less and the blanks after it are skipped.
std::string tailOfCommandLine(std::string_view command_line);

/// The command tail from a process's arguments (pure): the arguments after
/// the program name, joined by one blank.
std::string tailOfArguments(int argc, char** argv);

#endif  // KESTREL_SERVICES_COMMAND_H_
