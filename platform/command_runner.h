// The one interface through which a tool run starts commands. The platform's
// runner starts the named program and waits for it, knowing nothing of what
// the line means; a layer in front of it (the built-in interpreter, the
// tests' failing operations) takes the lines it knows and passes on the rest.
#ifndef KESTREL_PLATFORM_COMMAND_RUNNER_H_
#define KESTREL_PLATFORM_COMMAND_RUNNER_H_

#include <memory>
#include <string_view>

#include "platform/drive_path.h"
#include "platform/error_number.h"

class CommandRunner {
 public:
  virtual ~CommandRunner() = default;
  /// Runs a command line and waits for it: kNoError and its exit code in
  /// `*exit_code`, or the reason it could not be started (53 for a missing
  /// program; `*exit_code` is then 0).
  [[nodiscard]] virtual ErrorNumber run(std::string_view command_line,
                                        int* exit_code) = 0;
};

/// The platform's runner: the program named first on the line, started as
/// a child of the tool and waited for without a time limit.
/// The platform's runner: starts the named program and waits for it. A
/// program named with a path is found through `paths`, like any file.
std::unique_ptr<CommandRunner> makePlatformRunner(DrivePaths& paths);

#endif  // KESTREL_PLATFORM_COMMAND_RUNNER_H_
