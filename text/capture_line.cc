// Column cutting of capture lines.
#include "text/capture_line.h"

#include "text/text.h"

namespace capture_line {

using namespace capture_columns;

std::string_view dateField(std::string_view line) {
  return text::midView(line, kDateColumn, kDateWidth);
}

std::string_view sizeField(std::string_view line) {
  return text::midView(line, kSizeColumn, kSizeWidth);
}

bool hasDirMark(std::string_view line) {
  return text::midView(line, kDirMarkColumn, kDirMark.size()) == kDirMark;
}

std::string_view nameText(std::string_view line) {
  return text::trimView(text::restView(line, kShortNameColumn));
}

std::string_view longNameField(std::string_view line) {
  return text::restView(line, kNameColumn);
}

std::string namesFromColumn40(std::string_view line) {
  std::string names = text::rest(line, kShortNameColumn);
  constexpr size_t kField = kShortNameFieldWidth;
  if (names.size() >= kField && names.find_first_not_of(' ') >= kField)
    names.erase(0, kField);
  return names;
}

}  // namespace capture_line
