// Running a command line for a tool run, with the failure recorded in its
// error record.
#ifndef KESTREL_RUNTIME_COMMAND_H_
#define KESTREL_RUNTIME_COMMAND_H_

#include <string>
#include <string_view>

#include "platform/error_number.h"
#include "runtime/error_record.h"
#include "runtime/lookup_shortcut.h"

class CommandRunner;
class DrivePaths;

/// Runs the first 256 characters of `command_line` through `runner` and
/// waits for it without a time limit. Returns the exit code; when it cannot
/// be started, records the failure (53 for a missing program, its host
/// path found through `paths`) and returns 0.
int runCommand(ErrorRecord& errors, CommandRunner& runner, DrivePaths& paths,
               std::string_view command_line);

/// Takes `shortcut` for the lookup `batch` (see LookupShortcut::lookUp).
/// Memory that runs out on the way is recorded as when the batch cannot be
/// started, as `runCommand` records it; the result is then kRan.
LookupShortcut::Result takeLookupShortcut(ErrorRecord& errors,
                                          LookupShortcut& shortcut,
                                          DrivePaths& paths,
                                          const LookupBatch& batch,
                                          std::string* line);

#endif  // KESTREL_RUNTIME_COMMAND_H_
