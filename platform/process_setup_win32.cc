// Process setup on Windows: a write to a closed pipe fails there without a
// signal, and a missing standard handle is simply none, so nothing is to do.
#include "platform/process_setup.h"

void setUpProcess() {}
