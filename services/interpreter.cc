// Placeholder until the interpreter is written: nothing can be started.
#include "services/interpreter.h"

#include "services/error_record.h"

bool isInterpreterCommand(std::string_view) { return false; }

int runInterpreterCommand(std::string_view, int* start_error) {
  *start_error = kFileNotFound;
  return 0;
}
