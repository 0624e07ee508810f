// Cuts one line of a directory listing capture by its fixed columns
// (capture_columns.h). Cutting never fails: a range past the end yields what
// exists, or "". The fields are parts of the line itself.
#ifndef KESTREL_TEXT_CAPTURE_LINE_H_
#define KESTREL_TEXT_CAPTURE_LINE_H_

#include <string>
#include <string_view>

#include "text/capture_columns.h"

namespace capture_line {

/// The listing's own directory mark.
inline constexpr std::string_view kDirMark = capture_columns::kDirMark;

/// Columns 1 to 20: date, two blanks, time.
std::string_view dateField(std::string_view line);
/// Columns 21 to 39: the size as printed, or the directory mark.
std::string_view sizeField(std::string_view line);
/// True when columns 25 to 29 hold "<DIR>".
bool hasDirMark(std::string_view line);
/// Columns 40 to the end, leading and trailing blanks removed.
std::string_view nameText(std::string_view line);
/// Columns 53 to the end, as they are: the whole name of the entry.
std::string_view longNameField(std::string_view line);
/// Columns 40 to the end; when its first 13 characters are all blanks (no
/// short name of its own), those 13 are removed.
std::string namesFromColumn40(std::string_view line);

}  // namespace capture_line

#endif  // KESTREL_TEXT_CAPTURE_LINE_H_
