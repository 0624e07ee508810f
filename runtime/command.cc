// The platform-independent part of command handling: the record keeping
// around the platform's runner.
#include "runtime/command.h"

#include <new>
#include <utility>

#include "platform/command_runner.h"
#include "platform/drive_path.h"

namespace {

constexpr size_t kCommandLimit = 256;

// Records that the program at the start of `command_line` could not run.
void failToRun(ErrorRecord& errors, DrivePaths& paths, ErrorNumber error,
               std::string_view command_line) {
  FailedUse use;
  use.kind = FailedUse::kRun;
  std::string_view program = command_line.substr(0, command_line.find(' '));
  use.host_path = paths.absoluteHostPath(program);
  errors.fail(error, std::move(use));
}

}  // namespace

int runCommand(ErrorRecord& errors, CommandRunner& runner, DrivePaths& paths,
               std::string_view command_line) {
  int exit_code = 0;
  ErrorNumber error = kNoError;
  // The built-in interpreter runs in this process: memory that runs out
  // there is this run's failure, like a program that cannot be started.
  try {
    error = runner.run(command_line.substr(0, kCommandLimit), &exit_code);
  } catch (const std::bad_alloc&) {
    error = kOutOfMemory;
  }
  if (error != kNoError) {
    failToRun(errors, paths, error, command_line);
    return 0;
  }
  return exit_code;
}

LookupShortcut::Result takeLookupShortcut(ErrorRecord& errors,
                                          LookupShortcut& shortcut,
                                          DrivePaths& paths,
                                          const LookupBatch& batch,
                                          std::string* line) {
  try {
    return shortcut.lookUp(batch, line);
  } catch (const std::bad_alloc&) {
    failToRun(errors, paths, kOutOfMemory, batch.batch_name);
    return LookupShortcut::Result::kRan;
  }
}
