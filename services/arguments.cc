// The command line's options: help and version, each only as the whole
// tail.
#include "services/arguments.h"

#include <cstdio>

#include "services/command.h"

namespace {

// True when the first word of `*tail` is the modern option; it and the
// blanks after it are then taken off, as the blanks after a program name.
bool takeModernOption(std::string_view* tail) {
  if (tail->substr(0, kModernOption.size()) != kModernOption) return false;
  std::string_view rest = tail->substr(kModernOption.size());
  if (!rest.empty() && rest[0] != ' ') return false;
  size_t text = rest.find_first_not_of(' ');
  *tail = text == std::string_view::npos ? "" : rest.substr(text);
  return true;
}

}  // namespace

Arguments readArguments(std::string_view tail, TailUse use) {
  Arguments arguments;
  if (takeModernOption(&tail)) {
    arguments.style = AreaStyle::kModern;
    if (use == TailUse::kText) {
      arguments.text = std::string(tail);
    } else if (!tail.empty()) {
      arguments.request = Request::kMisuse;
      arguments.text = std::string(tail);
    }
    return arguments;
  }
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
                     const ToolDescription& tool, AreaStyle* style,
                     int* exit_code) {
  initCommandTail(argc, argv);
  Arguments arguments = readArguments(commandTail(), use);
  *style = arguments.style;
  if (arguments.request == Request::kRun) {
    if (use == TailUse::kText) setCommandTail(arguments.text);
    return true;
  }
  *exit_code = answerRequest(arguments, tool);
  return false;
}
