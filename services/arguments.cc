// The command line's options: help and version, each only as the whole
// tail.
#include "services/arguments.h"

#include <cstdio>

#include "services/command.h"

Arguments readArguments(std::string_view tail, TailUse use) {
  Arguments arguments;
  if (tail == "--help" || tail == "-h" || isHostHelpSwitch(tail)) {
    arguments.request = Request::kHelp;
  } else if (tail == "--version") {
    arguments.request = Request::kVersion;
  } else if (use == TailUse::kText) {
    arguments.text = std::string(tail);
  } else if (!tail.empty()) {
    arguments.request = Request::kMisuse;
    arguments.text = std::string(tail);
  }
  return arguments;
}

int answerRequest(const Arguments& arguments, const ToolDescription& tool) {
  switch (arguments.request) {
    case Request::kHelp:
      std::fputs(tool.usage, stdout);
      break;
    case Request::kVersion:
      std::printf("%s %s\n", tool.name, tool.version);
      break;
    case Request::kMisuse:
      std::fprintf(stderr, "%s: unexpected arguments: %s\n", tool.name,
                   arguments.text.c_str());
      std::fputs(tool.usage, stderr);
      return kMisuseExitCode;
    case Request::kRun:
      break;
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

bool readCommandLine(int argc, char** argv, TailUse use,
                     const ToolDescription& tool, int* exit_code) {
  initCommandTail(argc, argv);
  Arguments arguments = readArguments(commandTail(), use);
  if (arguments.request == Request::kRun) return true;
  *exit_code = answerRequest(arguments, tool);
  return false;
}
