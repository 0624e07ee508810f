// Stop signals on Windows: a console window that closes ends the process
// without a handler of the tools', so nothing is registered; a file left half
// made under its hidden name is removed by the next run.
#include "platform/stop_signals.h"

void runOnStop(void (*)()) {}

void removeOnStop(const std::string&) {}

void keepOnStop(const std::string&) {}
