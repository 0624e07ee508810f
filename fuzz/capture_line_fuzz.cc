// Fuzzes the capture cutter: any line is cut, and no field is wider than
// its columns.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "services/capture_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  if (capture::dateField(line).size() > 20) abort();
  if (capture::sizeField(line).size() > 19) abort();
  if (capture::shortNameField(line).size() > 12) abort();
  if (capture::hasDirMark(line) && size < 29) abort();
  std::string name = capture::nameText(line);
  if (!name.empty() && (name.front() == ' ' || name.back() == ' ')) abort();
  if (capture::namesFromColumn40(line).size() + 39 > size && size >= 39)
    abort();
  return 0;
}
