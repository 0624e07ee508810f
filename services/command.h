// Running a command line for a tool run, with the failure recorded in its
// error record.
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


#endif  // KESTREL_SERVICES_COMMAND_H_
