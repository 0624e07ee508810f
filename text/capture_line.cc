// Column cutting of capture lines.
#include "text/capture_line.h"

#include "text/text.h"

namespace capture_line {

using namespace capture_columns;

std::string dateField(std::string_view line) {
  return text::mid(line, kDateColumn, kDateWidth);
}

std::string sizeField(std::string_view line) {
  return text::mid(line, kSizeColumn, kSizeWidth);
}

bool hasDirMark(std::string_view line) {
  return text::mid(line, kDirMarkColumn, kDirMark.size()) == kDirMark;
}

std::string nameText(std::string_view line) {
  return text::trim(text::rest(line, kShortNameColumn));
}

std::string longNameField(std::string_view line) {
  return text::rest(line, kNameColumn);
}

std::string namesFromColumn40(std::string_view line) {
  std::string names = text::rest(line, kShortNameColumn);
  constexpr size_t kField = kShortNameFieldWidth;
  if (names.size() >= kField && names.find_first_not_of(' ') >= kField)
    names.erase(0, kField);
  return names;
}

}  // namespace capture_line
