// Running a command line for a tool run, with the failure recorded in its
// error record.
#ifndef KESTREL_RUNTIME_COMMAND_H_
#define KESTREL_RUNTIME_COMMAND_H_

#include <string>
#include <string_view>

#include "platform/error_number.h"
#include "runtime/error_record.h"

class CommandRunner;

/// Runs the first 256 characters of `command_line` through `runner` and
/// waits for it without a time limit. Returns the exit code; when it cannot
/// be started, records the failure (53 for a missing program) and returns 0.
int runCommand(ErrorRecord& errors, CommandRunner& runner,
               std::string_view command_line);


#endif  // KESTREL_RUNTIME_COMMAND_H_
