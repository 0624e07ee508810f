// Under cmd, "/?" asks a program for its usage.
#include "services/arguments.h"

bool isHostHelpSwitch(std::string_view tail) { return tail == "/?"; }
