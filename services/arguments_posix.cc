// POSIX command lines have no help switch of their own.
#include "services/arguments.h"

bool isHostHelpSwitch(std::string_view) { return false; }
