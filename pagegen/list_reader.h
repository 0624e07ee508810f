// The rules by which a FILES.BBS line is sorted out: ignored, a
// continuation of the description above, or an entry that starts a new row;
// and the split of an entry line into its name and description text.
#ifndef KESTREL_PAGEGEN_LIST_READER_H_
#define KESTREL_PAGEGEN_LIST_READER_H_

#include <string>
#include <string_view>

namespace list_line {

/// Rules 1-3: an empty line, a line of blanks, a "-" comment.
bool isBlankOrComment(std::string_view line);
/// Rule 4: drops one leading backslash (the directory mark); true if it did.
bool dropDirectoryMark(std::string* line);
/// Rules 5-6: empty now, a first byte outside 32-126, or an "&" anywhere.
bool isUnusable(std::string_view line);
/// Rule 8: the names of index and description files of other tools.
bool isReservedName(std::string_view line);
/// Rule 9: a first byte of ".".
bool isDotName(std::string_view line);
/// Rule 10: a first byte of blank.
bool isContinuation(std::string_view line);

/// Name and description text of an entry line: split at the first blank.
/// The line's own text becomes the description (or the name when there is
/// no blank), so a long line is not copied.
struct Entry {
  std::string name;
  std::string description;
};
Entry splitEntry(std::string line);

}  // namespace list_line

#endif  // KESTREL_PAGEGEN_LIST_READER_H_
