// What a tool run's files and commands go through on this host. Where the
// host has no cmd (POSIX), the built-in interpreter stands in front of the
// platform's runner and the run's scratch files are held in an overlay of
// the real file system; on Windows the real cmd runs the lines and opens
// the scratch files itself, so they stay on disk.
#ifndef KESTREL_SHELL_HOST_SHELL_H_
#define KESTREL_SHELL_HOST_SHELL_H_

#include <memory>

#include "platform/command_runner.h"
#include "platform/drive_path.h"
#include "platform/file_system.h"
#include "runtime/lookup_shortcut.h"
#include "runtime/scratch_files.h"

class HostShell {
 public:
  /// Built on `disk` and the platform's runner, with names found through
  /// `paths`; the interpreter's messages are a batch's console output
  /// (shown at a terminal alone), as in the tool's window.
  explicit HostShell(DrivePaths& paths, FileSystem& disk = realFileSystem());
  ~HostShell();
  HostShell(const HostShell&) = delete;
  HostShell& operator=(const HostShell&) = delete;

  /// The file system for every file of the run.
  FileSystem& files();
  /// The runner for every command of the run.
  CommandRunner& commands();
  /// The run's scratch files.
  ScratchFiles& scratch();
  /// The shortcut a lookup may take instead of running its batch.
  LookupShortcut& lookups();

 private:
  struct Layers;
  std::unique_ptr<Layers> layers_;
};

#endif  // KESTREL_SHELL_HOST_SHELL_H_
