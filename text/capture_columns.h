// The fixed columns of a "DIR /X" entry line, as the listing writes them and
// as both tools cut them: the date and time in 1-20, the size field in 21-39
// (with the directory mark "<DIR>" in 25-29), the short name in 40-51 and the
// name from 53 on. Columns count from 1.
#ifndef KESTREL_TEXT_CAPTURE_COLUMNS_H_
#define KESTREL_TEXT_CAPTURE_COLUMNS_H_

#include <string_view>

namespace capture_columns {

inline constexpr long kDateColumn = 1;
inline constexpr long kDateWidth = 20;
inline constexpr long kSizeColumn = 21;
inline constexpr long kSizeWidth = 19;
/// A file's size is right-aligned to end one column before the size field.
inline constexpr long kSizeDigitsWidth = kSizeWidth - 1;
inline constexpr std::string_view kDirMark = "<DIR>";
inline constexpr long kDirMarkColumn = 25;
inline constexpr long kShortNameColumn = 40;
inline constexpr long kShortNameWidth = 12;
inline constexpr long kNameColumn = 53;
/// The short name, padded, and the blank after it.
inline constexpr long kShortNameFieldWidth = kNameColumn - kShortNameColumn;

}  // namespace capture_columns

#endif  // KESTREL_TEXT_CAPTURE_COLUMNS_H_
