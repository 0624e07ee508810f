// Column cutting of capture lines.
#include "shell/capture_line.h"

#include "services/text.h"

namespace capture {

namespace {
constexpr long kNameColumn = 40;
constexpr long kShortNameWidth = 13;  // 12 columns and the blank after them
}  // namespace

std::string dateField(std::string_view line) { return text::mid(line, 1, 20); }

std::string sizeField(std::string_view line) { return text::mid(line, 21, 19); }

bool hasDirMark(std::string_view line) {
  return text::mid(line, 25, 5) == kDirMark;
}

std::string shortNameField(std::string_view line) {
  return text::mid(line, kNameColumn, 12);
}

std::string nameText(std::string_view line) {
  return text::trim(text::rest(line, kNameColumn));
}

std::string namesFromColumn40(std::string_view line) {
  std::string names = text::rest(line, kNameColumn);
  if (names.size() >= kShortNameWidth &&
      names.find_first_not_of(' ') >= static_cast<size_t>(kShortNameWidth)) {
    names.erase(0, kShortNameWidth);
  }
  return names;
}

}  // namespace capture
