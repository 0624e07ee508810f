// Fuzzes the capture-line converter in both styles: any line gives a list
// line or none, never the capture's own entry, and a line without line-end
// bytes gives a list line without them; a modern name with a blank stands
// in quotes, after a directory's backslash mark; a default list line never
// begins with a backslash that is not the directory mark.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "listbuild/line_converter.h"
#include "text/capture_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  // The modern line: a name with a blank stands in quotes.
  std::optional<std::string> modern = listbuild::modernListLineFor(line);
  if (modern) {
    std::string_view body = *modern;
    if (capture_line::hasDirMark(line)) {
      if (body.empty() || body[0] != '\\') abort();
      body.remove_prefix(1);
    }
    if (body.find(' ') != std::string_view::npos &&
        (body.size() < 2 || body.front() != '"' || body.back() != '"'))
      abort();
  }

  std::string left_out;
  std::optional<std::string> list_line =
      listbuild::listLineFor(line, &left_out);
  if (list_line && !left_out.empty()) abort();
  if (!left_out.empty() && left_out[0] != '\\') abort();
  if (!list_line) return 0;
  // "<DIR>" anywhere in the line makes it a directory's.
  bool directory = line.find(capture_line::kDirMark) != std::string_view::npos;
  if (list_line->compare(0, 1, "\\") == 0 && !directory) abort();
  if (directory && list_line->compare(0, 2, "\\\\") == 0) abort();
  if (list_line->rfind(listbuild::kCaptureName, 0) == 0) abort();
  if (line.find_first_of("\r\n\x1a") == std::string_view::npos &&
      list_line->find_first_of("\r\n\x1a") != std::string::npos)
    abort();

  return 0;
}
