// Fuzzes the FILES.BBS line rules: every rule takes any line, and an entry
// splits into a name without a blank and the description after it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "pagegen/list_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  if (list_line::isBlankOrComment(line)) return 0;
  bool had_mark = list_line::dropDirectoryMark(&line);
  if (had_mark && line.size() + 1 != size) abort();
  if (list_line::isUnusable(line)) return 0;
  list_line::isReservedName(line);
  list_line::isDotName(line);
  if (list_line::isContinuation(line)) return 0;
  list_line::Entry entry = list_line::splitEntry(line);
  if (entry.name.find(' ') != std::string::npos) abort();
  std::string joined = entry.name;
  if (entry.name.size() < line.size()) joined += " " + entry.description;
  if (joined != line) abort();
  return 0;
}
