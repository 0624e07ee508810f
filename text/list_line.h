// The rules by which a FILES.BBS line is sorted out: skipped, a
// continuation of the description above, or an entry that starts a new row;
// `classify` applies them in their order. And the split of an entry line
// into its name and description text.
#ifndef KESTREL_TEXT_LIST_LINE_H_
#define KESTREL_TEXT_LIST_LINE_H_

#include <string>
#include <string_view>

#include "runtime/area_style.h"

namespace list_line {

enum class Kind { kSkipped, kContinuation, kEntry };

/// What a line was sorted out as, and the number of the rule that decided;
/// `for_ampersand` when rule 6 left out a line of a usable first byte for
/// the "&" it holds (a modern run reads such a line).
struct Sorted {
  Kind kind = Kind::kSkipped;
  int rule = 0;
  bool for_ampersand = false;
};

/// The rule of the page's own name, which falls between the rules that need
/// nothing but the line (1-6) and the later ones (8-11).
inline constexpr int kPageRule = 7;

/// Sorts out `*line` by rules 1 to 11 in their order; the directory mark of
/// rule 4 is dropped from `*line` on the way. In the modern style rules 5-6
/// are those of `isUnusableModern`.
Sorted classify(std::string* line, std::string_view page_name,
                AreaStyle style = AreaStyle::kClassic);

/// Rules 1-3: an empty line, a line of blanks, a "-" comment.
bool isBlankOrComment(std::string_view line);
/// Rule 4: drops one leading backslash (the directory mark); true if it did.
bool dropDirectoryMark(std::string* line);
/// Rules 5-6: empty now, a first byte outside 32-126, or an "&" anywhere.
bool isUnusable(std::string_view line);
/// Rule 5 alone: empty now, or a first byte outside 32-126.
bool hasUnusableFirstByte(std::string_view line);
/// Rules 5-6 of the modern style: empty now, or a first byte below 32 or
/// of 127; an "&" and bytes from 128 up (UTF-8 names) are ordinary.
bool isUnusableModern(std::string_view line);
/// Rule 8: the names of index and description files of other tools.
bool isReservedName(std::string_view line);
/// Rule 9: a first byte of ".".
bool isDotName(std::string_view line);
/// Rule 9 of the modern style also holds for a line that begins with a
/// quoted name whose first byte is ".".
bool isQuotedDotName(std::string_view line);
/// Rule 10: a first byte of blank.
bool isContinuation(std::string_view line);

/// Name and description text of an entry line: split at the first blank.
/// The line's own text becomes the description (or the name when there is
/// no blank), so a long line is not copied. In the modern style a name also
/// ends at a TAB, and a line that begins with a quoted name
/// (text/list_name.h: "" in it stands for one double quote) has that
/// name, blanks and TABs and all, and the text after the closing quote
/// (less one blank or TAB) as its description.
struct Entry {
  std::string name;
  std::string description;
};
Entry splitEntry(std::string line, AreaStyle style = AreaStyle::kClassic);

/// A file manager's DESCRIPT.ION line keeps its own data after a Ctrl-D
/// byte; drops that byte and all after it, so that the rest reads as a
/// list line.
void dropManagerData(std::string* line);

}  // namespace list_line

#endif  // KESTREL_TEXT_LIST_LINE_H_
