// What each tool's main makes for one run: the run's error record, the
// drive paths its names are found by, the host shell its files and commands
// go through, and the file table on that shell; and how the run's end
// becomes the process's exit code.
#ifndef KESTREL_SHELL_TOOL_RUN_H_
#define KESTREL_SHELL_TOOL_RUN_H_

#include <memory>

#include "runtime/error_record.h"
#include "runtime/file_table.h"
#include "shell/host_shell.h"

class ToolRun {
 public:
  ToolRun();
  ToolRun(const ToolRun&) = delete;
  ToolRun& operator=(const ToolRun&) = delete;

  ErrorRecord& errors() { return errors_; }
  HostShell& shell() { return *shell_; }
  FileTable& files() { return *files_; }

  /// The process's exit code for a run that ended with `exit_code`: 255
  /// when a failure left the run's own memory in doubt and ended it at
  /// once. Its files then stay as they are, none finished or put in place,
  /// and the scratch files held in memory never reach the disk.
  int finish(int exit_code);

 private:
  ErrorRecord errors_;
  DrivePaths paths_;
  std::unique_ptr<HostShell> shell_;
  std::unique_ptr<FileTable> files_;
};

#endif  // KESTREL_SHELL_TOOL_RUN_H_
