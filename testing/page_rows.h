// The lines of a kestrel page that the end-to-end tests expect, written out
// in full once for them all: each row form's two lines and a row's
// description cell, alone or joined with the page's CR LF line ends.
#ifndef KESTREL_TESTING_PAGE_ROWS_H_
#define KESTREL_TESTING_PAGE_ROWS_H_

#include <string>
#include <vector>

namespace page_rows {

/// The lines, each ended by CR LF, as the page holds them.
std::string crlf(const std::vector<std::string>& lines);

/// A looked-up row's first line: a link to `target` that shows `text`.
std::string nameLine(const std::string& target, const std::string& text);
/// The size field of a file of `size` bytes, written as the listing groups
/// it ("12,345"): right-aligned in 18 columns, then a blank.
std::string sizeField(const std::string& size);
/// A looked-up row's second line: the date and a file's size field, or
/// the date and the folder image of a directory, or a name not found.
std::string fileCells(const std::string& date, const std::string& size_field);
std::string directoryCells(const std::string& date);
extern const char kNotFoundCells[];
/// A long name's row, which is not looked up: its two lines.
std::string longNameLine(const std::string& target);
extern const char kLongNameCells[];
/// A row's last cell, its description (which begins with a blank).
std::string descriptionCell(const std::string& description);

/// Whole rows, each line ended by CR LF: a file found with its date and
/// size field, a directory, a name not found, a long name, and the
/// description cell that closes a row.
std::string found(const std::string& name, const std::string& date,
                  const std::string& size_field);
std::string directory(const std::string& name, const std::string& date);
std::string notFound(const std::string& name);
std::string longName(const std::string& target);
std::string cell(const std::string& description);

/// True when the page ends with its tail's last line.
bool hasTail(const std::string& page);

}  // namespace page_rows

#endif  // KESTREL_TESTING_PAGE_ROWS_H_
