// Child processes on Windows: the command line goes to CreateProcessA as it
// is, so the system finds the program (and runs a batch file through cmd,
// as it does for any batch file); the child shares the tool's console,
// environment and current directory and is waited for.
#include <windows.h>

#include <string>

#include "platform/command_runner.h"
#include "platform/os_error.h"

namespace {

// Starts the line's program and waits for it.
ErrorNumber createAndWait(std::string_view command_line, int* exit_code) {
  *exit_code = 0;
  std::string line(command_line);
  // A line that names no program has no program to find.
  if (line.find_first_not_of(' ') == std::string::npos) return kFileNotFound;
  // A NUL would end the line early on its way to the system, which would
  // then run another command than the one given.
  if (line.find('\0') != std::string::npos)
    return errorFromSystemCode(ERROR_INVALID_NAME);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};
  SetLastError(0);
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr,
                      /*bInheritHandles=*/FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &process)) {
    return errorFromSystemCode(static_cast<int>(GetLastError()));
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  *exit_code = static_cast<int>(code);
  return kNoError;
}

class WindowsRunner : public CommandRunner {
 public:
  ErrorNumber run(std::string_view command_line, int* exit_code) override {
    return createAndWait(command_line, exit_code);
  }
};

}  // namespace

// The system finds a program named with a path itself.
std::unique_ptr<CommandRunner> makePlatformRunner(DrivePaths&) {
  return std::make_unique<WindowsRunner>();
}
