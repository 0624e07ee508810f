// Fuzzes the FILES.BBS line rules: every rule takes any line, and an entry
// splits into a name without a blank and the description after it, or in
// the modern style into a name without a blank or TAB, or a quoted name
// ("" for a quote in it), and the description after it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "text/list_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  // A DESCRIPT.ION line is its part before the first Ctrl-D.
  std::string listed = line;
  list_line::dropManagerData(&listed);
  if (listed.find('\x04') != std::string::npos ||
      line.compare(0, listed.size(), listed) != 0 ||
      (listed.size() < line.size() && line[listed.size()] != '\x04')) {
    abort();
  }
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

  // The modern split: either the one above with a TAB ending the name as a
  // blank does, or a name that the line begins with in quotes, each of its
  // quotes doubled, closed by a quote that no other follows, then at most
  // one blank or TAB before the description.
  list_line::Entry modern = list_line::splitEntry(line, AreaStyle::kModern);
  size_t end = line.find_first_of(" \t");
  std::string bare = line.substr(0, end);
  std::string after = end == std::string::npos ? "" : line.substr(end + 1);
  if (modern.name == bare && modern.description == after) return 0;
  if (modern.name.empty()) abort();
  std::string quoted = "\"";
  for (char c : modern.name) quoted += c == '"' ? "\"\"" : std::string(1, c);
  quoted += '"';
  if (line.compare(0, quoted.size(), quoted) != 0) abort();
  std::string rest = line.substr(quoted.size());
  if (!rest.empty() && rest[0] == '"') abort();
  bool separated = !rest.empty() && (rest[0] == ' ' || rest[0] == '\t');
  if (rest != (separated ? rest.substr(0, 1) : "") + modern.description)
    abort();
  // A quoted name is a dot name by its own first byte.
  if (list_line::isQuotedDotName(line) != (modern.name[0] == '.')) abort();
  return 0;
}
