// How a name is written into a list and read back from one, shared by the
// tool that makes lists, the one that makes a missing list itself and the
// one that reads them. In the modern style a name that a bare line would
// change stands in double quotes, where "" stands for one double quote; the
// default style has no quotes, so a name it cannot hold is left out.
#ifndef KESTREL_TEXT_LIST_NAME_H_
#define KESTREL_TEXT_LIST_NAME_H_

#include <optional>
#include <string>
#include <string_view>

/// True when `name` cannot stand in a list of the default style: it begins
/// with a backslash, which a reader takes for the directory mark.
bool beginsWithDirectoryMark(std::string_view name);
/// Says on standard error that `name` was left out of a list for that, in
/// the words the directory listing uses for the names it leaves out.
void reportDirectoryMarkName(std::string_view name);

/// How a warning about a list (or a configuration file) saved with LF line
/// ends, which a reader of the default style takes as one line, goes on: the
/// remedy, "convert it to CR LF line ends (...) or run " and `command`.
std::string lfLineEndsAdvice(std::string_view command);

/// True when `name` needs quotes in a modern list: it holds a blank or a
/// tab, or begins with a double quote (a quoted name), a backslash (the
/// directory mark), "-" (a comment line) or a control byte (a line that is
/// skipped).
bool needsListQuotes(std::string_view name);

/// `name` as a modern list writes it: as it is, or in double quotes with
/// each double quote in it doubled when `needsListQuotes`.
std::string modernListName(std::string_view name);

/// A quoted name at the start of a list line and where the line goes on.
struct QuotedName {
  std::string name;
  size_t end;  // the position just after the closing quote
};
/// The quoted name that `line` begins with: from its first double quote to
/// the next one that is not part of a "" pair, each "" read as one quote.
/// nullopt when `line` does not begin with a double quote, the closing one
/// is missing, or the name between them is empty.
std::optional<QuotedName> readQuotedName(std::string_view line);

#endif  // KESTREL_TEXT_LIST_NAME_H_
