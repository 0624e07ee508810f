// Turns one line of a "dir /x" capture into the line that the new file list
// gets for it: the name (or the short name, padded, and the long name), with
// a leading backslash for a subdirectory. Header and summary lines, "." and
// "..", the capture file's own entry and, in the default style, a name
// beginning with a backslash give no list line.
#ifndef KESTREL_LISTBUILD_LINE_CONVERTER_H_
#define KESTREL_LISTBUILD_LINE_CONVERTER_H_

#include <optional>
#include <string>
#include <string_view>

namespace listbuild {

/// The name under which the listing is captured, in the drive root; its own
/// entry is left out of the list.
inline constexpr std::string_view kCaptureName = "$lvtr$.txt";

/// The list line for `capture_line` (without its line end), or nullopt when
/// the line stands for nothing that belongs in the list. A name beginning
/// with a backslash gets no line either; `*left_out` (when given) is set to
/// it, so that the caller can say so.
std::optional<std::string> listLineFor(std::string_view capture_line,
                                       std::string* left_out = nullptr);

/// The modern list line for `capture_line`: the whole name from the first
/// column, in double quotes when it needs them (text/list_name.h),
/// after a backslash for a subdirectory.
std::optional<std::string> modernListLineFor(std::string_view capture_line);

}  // namespace listbuild

#endif  // KESTREL_LISTBUILD_LINE_CONVERTER_H_
