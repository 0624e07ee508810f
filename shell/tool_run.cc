// A tool's run as its main holds it.
#include "shell/tool_run.h"

#include <utility>

#include "runtime/step_guard.h"

ToolRun::ToolRun()
    : shell_(std::make_unique<HostShell>(paths_)),
      files_(std::make_unique<FileTable>(errors_, paths_, shell_->files())) {}

int ToolRun::finish(int exit_code) {
  if (!errors_.fatal()) return exit_code;
  leaveAsItIs(std::move(files_));
  leaveAsItIs(std::move(shell_));
  return 255;
}
