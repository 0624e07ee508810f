// The host shell on POSIX: the scratch overlay over the disk, and the
// built-in interpreter, working on the overlay, in front of the runner.
#include "shell/host_shell.h"
#include "shell/in_process_lookup.h"
#include "shell/interpreter.h"
#include "shell/scratch_overlay.h"

struct HostShell::Layers {
  Layers(DrivePaths& paths, FileSystem& disk)
      : runner(makePlatformRunner(paths)),
        overlay(disk),
        interpreter(overlay, paths, *runner, BatchMessages::kConsoleOnly),
        lookups(overlay, interpreter) {}
  std::unique_ptr<CommandRunner> runner;
  ScratchOverlay overlay;
  Interpreter interpreter;
  InProcessLookup lookups;
};

HostShell::HostShell(DrivePaths& paths, FileSystem& disk)
    : layers_(std::make_unique<Layers>(paths, disk)) {}

HostShell::~HostShell() = default;

FileSystem& HostShell::files() { return layers_->overlay; }
CommandRunner& HostShell::commands() { return layers_->interpreter; }
ScratchFiles& HostShell::scratch() { return layers_->overlay; }
LookupShortcut& HostShell::lookups() { return layers_->lookups; }
