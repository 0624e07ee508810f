// The capture-line rules, applied in a fixed order: empty and blank-led
// lines first, then directory lines, then file lines, and last the
// capture's own entry.
#include "listbuild/line_converter.h"

#include <utility>

#include "text/capture_columns.h"
#include "text/capture_line.h"
#include "text/list_name.h"
#include "text/text.h"

namespace listbuild {

namespace {

// Once the backslash is in front of a directory's names, the blank after
// the short-name column stands one place further on.
constexpr size_t kLongNameBlank = capture_columns::kShortNameFieldWidth + 1;

}  // namespace

std::optional<std::string> listLineFor(std::string_view capture_line,
                                       std::string* left_out) {
  // Header and summary lines are empty or begin with a blank.
  if (capture_line.empty() || capture_line[0] == ' ') return std::nullopt;

  std::string names = capture_line::namesFromColumn40(capture_line);
  bool directory = text::find(capture_line, capture_line::kDirMark) != 0;
  // A reader would take the name's own backslash for the directory mark and
  // look up the rest (Windows gives no such name).
  if (beginsWithDirectoryMark(names)) {
    if (left_out != nullptr) *left_out = names;
    return std::nullopt;
  }
  std::string line;
  if (directory) {
    line = "\\" + names;
    // The listed directory itself and its parent.
    if (line == "\\" || line == "\\." || line == "\\..") return std::nullopt;
    // The long name after a short name gets a backslash of its own, so that
    // a reader taking the short name as the entry still sees a directory.
    if (line.size() > kLongNameBlank && line[kLongNameBlank - 1] == ' ')
      line.insert(kLongNameBlank, "\\");
  } else {
    line = std::move(names);
  }

  if (text::startsWith(line, kCaptureName)) return std::nullopt;
  return line;
}

std::optional<std::string> modernListLineFor(std::string_view capture_line) {
  if (capture_line.empty() || capture_line[0] == ' ') return std::nullopt;
  std::string name(capture_line::longNameField(capture_line));
  bool directory = capture_line::hasDirMark(capture_line);
  if (name.empty() || name == kCaptureName) return std::nullopt;
  if (directory && (name == "." || name == "..")) return std::nullopt;
  std::string written = modernListName(name);
  return directory ? "\\" + written : written;
}

}  // namespace listbuild
