// Fuzzes the FILES.BBS line rules: every rule takes any line, and an entry
// splits into a name without a blank and the description after it, or in
// the modern style into a quoted name ("" for a quote in it) and the
// description after it.
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

  // The modern split: either the one above, or a name that the line begins
  // with in quotes, each of its quotes doubled, closed by a quote that no
  // other follows, then at most one blank before the description.
  list_line::Entry modern = list_line::splitEntry(line, AreaStyle::kModern);
  if (modern.name == entry.name && modern.description == entry.description)
    return 0;
  if (modern.name.empty()) abort();
  std::string quoted = "\"";
  for (char c : modern.name) quoted += c == '"' ? "\"\"" : std::string(1, c);
  quoted += '"';
  if (line.compare(0, quoted.size(), quoted) != 0) abort();
  std::string rest = line.substr(quoted.size());
  if (!rest.empty() && rest[0] == '"') abort();
  if (rest != modern.description && rest != " " + modern.description) abort();
  if (!rest.empty() && rest[0] == ' ' && rest == modern.description) abort();
  return 0;
}
