// Fuzzes the FILES.BBS line rules: every rule takes any line, and an entry
// splits into a name without a blank and the description after it, or in
// the modern style into a quoted name and the description after it.
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

  // The modern split: a quoted name holds no quote and is followed by its
  // description; any other name ends at its first blank as above.
  list_line::Entry modern = list_line::splitEntry(line, AreaStyle::kModern);
  size_t close = line.find('"', 1);
  if (line[0] == '"' && close != std::string::npos && close > 1) {
    if (modern.name.find('"') != std::string::npos) abort();
    // The two quotes, and at most one blank before the description.
    size_t used = modern.name.size() + modern.description.size() + 2;
    if (used != line.size() && used + 1 != line.size()) abort();
  } else if (modern.name != entry.name ||
             modern.description != entry.description) {
    abort();
  }
  return 0;
}
