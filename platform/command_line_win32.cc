// Under cmd, "/?" asks a program for its usage. The command tail is cut
// from the process's own command line.
#include <windows.h>

#include "platform/command_line.h"

bool isHostHelpSwitch(std::string_view tail) { return tail == "/?"; }

std::string platformCommandTail(int /*argc*/, char** /*argv*/) {
  // The arguments have lost the line's own quoting and blanks; the tail is
  // the line as it was typed.
  const char* line = GetCommandLineA();
  return tailOfCommandLine(line != nullptr ? line : "");
}
