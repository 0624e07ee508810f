// The platform-independent part of command handling: the record keeping
// around the platform's runner, and the command tail.
#include "services/command.h"

#include <new>
#include <utility>

#include "services/drive_path.h"
#include "services/command_runner.h"

namespace {

constexpr size_t kCommandLimit = 256;
std::string g_tail;

}  // namespace

int runCommand(ErrorRecord& errors, CommandRunner& runner,
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
    FailedUse use;
    use.kind = FailedUse::kRun;
    std::string_view program = command_line.substr(0, command_line.find(' '));
    use.host_path = absoluteHostPath(program);
    errors.fail(error, std::move(use));
    return 0;
  }
  return exit_code;
}

void initCommandTail(int argc, char** argv) {
  g_tail = platformCommandTail(argc, argv);
}

void setCommandTail(std::string tail) { g_tail = std::move(tail); }

std::string commandTail() { return g_tail; }

std::string tailOfArguments(int argc, char** argv) {
  std::string tail;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) tail += ' ';
    tail += argv[i];
  }
  return tail;
}

std::string tailOfCommandLine(std::string_view line) {
  size_t i = 0;
  if (!line.empty() && line[0] == '"') {
    size_t close = line.find('"', 1);
    if (close == std::string_view::npos) return "";
    i = close + 1;
    while (i < line.size() && line[i] == ' ') ++i;
    return std::string(line.substr(i));
  }
  if (!line.empty() && line[0] == ' ') {
    while (i < line.size() && line[i] == ' ') ++i;
    return std::string(line.substr(i));
  }
  while (i < line.size() && static_cast<unsigned char>(line[i]) > ' ') ++i;
  if (i < line.size() && line[i] == ' ') {
    while (i < line.size() && line[i] == ' ') ++i;
  }
  return std::string(line.substr(i));
}
