// The command line's options: help and version, each only as the whole
// tail; the modern style in front of a run's text, or with the update, in
// either order, for a tool that takes options only.
#include "runtime/arguments.h"

#include <cstdio>

namespace {

// True when the first word of `*tail` is `option`; it and the blanks after
// it are then taken off, as the blanks after a program name.
bool takeOption(std::string_view option, std::string_view* tail) {
  if (tail->substr(0, option.size()) != option) return false;
  std::string_view rest = tail->substr(option.size());
  if (!rest.empty() && rest[0] != ' ') return false;
  size_t text = rest.find_first_not_of(' ');
  *tail = text == std::string_view::npos ? "" : rest.substr(text);
  return true;
}

// The options of a tool that takes nothing else, each once, in any order.
void readOptionsOnly(std::string_view tail, Arguments* arguments) {
  bool modern = false;
  while (!tail.empty()) {
    if (!modern && takeOption(kModernOption, &tail)) {
      modern = true;
    } else if (!arguments->update && takeOption(kUpdateOption, &tail)) {
      arguments->update = true;
    } else {
      arguments->request = Request::kMisuse;
      arguments->text = std::string(tail);
      break;
    }
  }
  if (modern) arguments->style = AreaStyle::kModern;
}

}  // namespace

Arguments readArguments(std::string_view tail, TailUse use) {
  Arguments arguments;
  if (use == TailUse::kText && takeOption(kModernOption, &tail)) {
    arguments.style = AreaStyle::kModern;
    arguments.text = std::string(tail);
    return arguments;
  }
  if (tail == "--help" || tail == "-h" || isHostHelpSwitch(tail)) {
    arguments.request = Request::kHelp;
  } else if (tail == "--version") {
    arguments.request = Request::kVersion;
  } else if (use == TailUse::kText) {
    arguments.text = std::string(tail);
  } else {
    readOptionsOnly(tail, &arguments);
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

CommandTail CommandTail::ofProcess(int argc, char** argv) {
  return CommandTail(platformCommandTail(argc, argv));
}

bool readCommandLine(CommandTail* tail, TailUse use,
                     const ToolDescription& tool, Arguments* arguments,
                     int* exit_code) {
  *arguments = readArguments(tail->text(), use);
  if (arguments->request == Request::kRun) {
    // The option in front is not part of the run's text.
    if (use == TailUse::kText) *tail = CommandTail(arguments->text);
    return true;
  }
  *exit_code = answerRequest(*arguments, tool);
  return false;
}
