// POSIX command lines have no help switch of their own, and the system
// keeps no command line as typed: the tail is made from the arguments.
#include "platform/command_line.h"

bool isHostHelpSwitch(std::string_view) { return false; }

std::string platformCommandTail(int argc, char** argv) {
  return tailOfArguments(argc, argv);
}
