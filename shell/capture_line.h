// Cuts one line of a directory listing capture by its fixed columns: the
// date and time in 1-20, the size field in 21-39 (with the directory mark
// "<DIR>" in 25-29), the short name in 40-51 and the name from 53 on.
// Cutting never fails: a range past the end yields what exists, or "".
#ifndef KESTREL_SHELL_CAPTURE_LINE_H_
#define KESTREL_SHELL_CAPTURE_LINE_H_

#include <string>
#include <string_view>

namespace capture {

/// The listing's own directory mark.
inline constexpr std::string_view kDirMark = "<DIR>";

/// Columns 1 to 20: date, two blanks, time.
std::string dateField(std::string_view line);
/// Columns 21 to 39: the size as printed, or the directory mark.
std::string sizeField(std::string_view line);
/// True when columns 25 to 29 hold "<DIR>".
bool hasDirMark(std::string_view line);
/// Columns 40 to 51: the short name, blank-padded ("" when cut off).
std::string shortNameField(std::string_view line);
/// Columns 40 to the end, leading and trailing blanks removed.
std::string nameText(std::string_view line);
/// Columns 40 to the end; when its first 13 characters are all blanks (no
/// short name of its own), those 13 are removed.
std::string namesFromColumn40(std::string_view line);

}  // namespace capture

#endif  // KESTREL_SHELL_CAPTURE_LINE_H_
