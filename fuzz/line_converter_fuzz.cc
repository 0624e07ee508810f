// Fuzzes the capture-line converter: any line gives a list line or none,
// never the capture's own entry, and a line without line-end bytes gives a
// list line without them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "listbuild/line_converter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  std::optional<std::string> list_line = listbuild::listLineFor(line);
  if (!list_line) return 0;
  if (list_line->rfind(listbuild::kCaptureName, 0) == 0) abort();
  if (line.find_first_of("\r\n\x1a") == std::string_view::npos &&
      list_line->find_first_of("\r\n\x1a") != std::string::npos)
    abort();
  return 0;
}
