// The host shell on Windows: the disk and the runner as they are; the real
// cmd writes into the tool's console window itself.
#include "shell/host_shell.h"

struct HostShell::Layers {
  FileSystem& disk;
  std::unique_ptr<CommandRunner> runner;
};

HostShell::HostShell(DrivePaths& paths, FileSystem& disk)
    : layers_(new Layers{disk, makePlatformRunner(paths)}) {}

HostShell::~HostShell() = default;

FileSystem& HostShell::files() { return layers_->disk; }
CommandRunner& HostShell::commands() { return *layers_->runner; }
ScratchFiles& HostShell::scratch() { return scratchFilesOnDisk(); }
LookupShortcut& HostShell::lookups() { return noLookupShortcut(); }
