// The host shell on POSIX: the scratch overlay over the disk, and the
// built-in interpreter, working on the overlay, in front of the runner.
#include "shell/host_shell.h"

#include "shell/interpreter.h"
#include "shell/scratch_overlay.h"

struct HostShell::Layers {
  Layers(FileSystem& disk, CommandRunner& runner)
      : overlay(disk),
        interpreter(overlay, runner, BatchMessages::kConsoleOnly) {}
  ScratchOverlay overlay;
  Interpreter interpreter;
};

HostShell::HostShell(FileSystem& disk, CommandRunner& runner)
    : layers_(std::make_unique<Layers>(disk, runner)) {}

HostShell::~HostShell() = default;

FileSystem& HostShell::files() { return layers_->overlay; }
CommandRunner& HostShell::commands() { return layers_->interpreter; }
ScratchFiles& HostShell::scratch() { return layers_->overlay; }
