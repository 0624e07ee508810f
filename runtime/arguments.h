// What a tool's command line asks for before any work starts: the run, its
// short usage or its version. Only a whole command tail is ever an option,
// so that every other tail stays the tool's own text and is never split;
// the tools answer help and version before they touch a console or a file.
#ifndef KESTREL_RUNTIME_ARGUMENTS_H_
#define KESTREL_RUNTIME_ARGUMENTS_H_

#include <string>
#include <string_view>
#include <utility>

#include "platform/command_line.h"
#include "runtime/area_style.h"

/// The text after the program name on a tool's command line. Each tool's
/// main makes it from the process's command line and hands it on: first to
/// `readCommandLine`, which takes an option in front off it, then to the run
/// that shows it.
class CommandTail {
 public:
  CommandTail() = default;
  explicit CommandTail(std::string text) : text_(std::move(text)) {}
  /// The tail of this process's command line (`platformCommandTail`).
  static CommandTail ofProcess(int argc, char** argv);

  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

enum class Request {
  kRun,      // do the tool's work
  kHelp,     // print the usage on standard output
  kVersion,  // print the version on standard output
  kMisuse,   // print the usage on standard error and fail
};

/// Whether a tool takes the command tail as text of its own (kestrel's
/// area text) or takes options only (wagtails).
enum class TailUse { kText, kNothing };

struct Arguments {
  Request request = Request::kRun;
  AreaStyle style = AreaStyle::kClassic;
  bool update = false;  // "--update": keep the list there is, add to it
  std::string text;     // a run's text (kText), or the tail that is misuse
};

/// The one option that may stand in front of a run's text.
inline constexpr std::string_view kModernOption = "--modern";
/// The option of a tool that takes options only, beside `kModernOption`.
inline constexpr std::string_view kUpdateOption = "--update";

/// Sorts out a command tail: exactly "--help", "-h" or the host's own help
/// switch asks for the usage, exactly "--version" for the version. A tail
/// whose first word is "--modern" asks for a run in the modern style, and
/// the rest after it and its blanks is the tail proper. Any other tail is
/// the run's text. A tool that takes options only (kNothing) takes
/// "--modern" and "--update" in either order, each at most once; any other
/// word, or one of them again, is misuse from that word on.
Arguments readArguments(std::string_view tail, TailUse use);

/// What a tool says about itself.
struct ToolDescription {
  const char* name;     // the program's name, as typed
  const char* version;  // e.g. "2.0"
  const char* usage;    // the short usage, lines ending in "\n"
};

/// Prints what `arguments` ask for (not a run) and returns the exit code: 0
/// after the usage or the version on standard output (1 when that output
/// fails), 2 after the misused tail and the usage on standard error.
int answerRequest(const Arguments& arguments, const ToolDescription& tool);

/// A tool's start: reads its command tail. True when the tool is to run as
/// `*arguments` say; a tool that takes text (kText) then has the run's text
/// as `*tail`. Otherwise the request has been answered and `*exit_code` is
/// the code to end with.
bool readCommandLine(CommandTail* tail, TailUse use,
                     const ToolDescription& tool, Arguments* arguments,
                     int* exit_code);

/// Exit code of a command line the tool does not take.
inline constexpr int kMisuseExitCode = 2;

#endif  // KESTREL_RUNTIME_ARGUMENTS_H_
