// The table rows of the index page: the lines that start a row for a
// looked-up entry or a long name, the late description cell, the cell texts
// taken from a directory listing capture, and the cleaning of description
// fragments before they join the row's description.
#ifndef KESTREL_PAGEGEN_ROWS_H_
#define KESTREL_PAGEGEN_ROWS_H_

#include <functional>
#include <string>
#include <string_view>

#include "runtime/area_style.h"

namespace rows {

/// Names longer than this without a backslash are not looked up.
inline constexpr size_t kLookupNameLimit = 12;

/// True when the entry gets a long-name row instead of a lookup.
bool isLongName(std::string_view name);

/// The name cell of a looked-up row; in the modern style the link text is
/// the name as UTF-8 (text/visible_text.h), the target its own bytes.
std::string nameLine(std::string_view name,
                     AreaStyle style = AreaStyle::kClassic);
/// The same with the link to `target`, the name as the entry was found,
/// while the link text shows the list's `name`.
std::string nameLine(std::string_view name, std::string_view target,
                     AreaStyle style);
/// The same into `*line`.
void nameLine(std::string_view name, std::string_view target, AreaStyle style,
              std::string* line);
/// The same handed to `put` a piece at a time, each piece from at most 64
/// KiB of the name: a very long name is never held twice over.
void nameLine(std::string_view name, std::string_view target, AreaStyle style,
              const std::function<void(std::string_view piece)>& put);
/// The date and size cells into `*line`; a blank as the date text's 13th
/// character becomes "&nbsp;", and the size cell is left-aligned for a
/// directory.
void dateSizeLine(std::string_view date, std::string_view size, bool directory,
                  std::string* line);
/// The name cell of a long-name row.
std::string longNameLine(std::string_view name);
/// The date and size cells of a long-name row.
std::string longNameSizeLine();
/// Appends the fragment that a long-name row adds to its description: a
/// link showing the whole name (left open, with no closing tag).
void appendLongNameFragment(std::string_view name, std::string* out);
/// The description cell that closes a row: these around the description.
inline constexpr std::string_view kDescriptionCellOpen =
    "<TD><B><FONT SIZE=3 FACE=Cambria,Georgia>";
inline constexpr std::string_view kDescriptionCellClose =
    "</TD></FONT></B></TR>";

/// Date and size cell texts of a looked-up entry: parts of the capture
/// line they were cut from, or texts of their own.
struct Cells {
  std::string_view date;
  std::string_view size;
  bool directory = false;
  bool found = false;  // the capture line lists the entry or a directory
};
/// The cells before the capture has been read: "NOT found!" and "-".
Cells notFoundCells();
/// True when capture line `line` lists entry `name`: its name text begins
/// with the name, or in the modern style its whole name field is the name.
bool namesEntry(std::string_view line, std::string_view name,
                AreaStyle style = AreaStyle::kClassic);
/// The cells that capture line `line` gives for entry `name`.
Cells cellsFromCapture(std::string_view line, std::string_view name,
                       AreaStyle style = AreaStyle::kClassic);

/// A fragment trimmed of blanks (never below one character), and a rule of
/// more than 8 repeated characters replaced by one blank. The result is a
/// part of `fragment`, or a blank of its own.
std::string_view cleanFragment(std::string_view fragment);
/// Every byte below 32 or above 126 becomes a blank; in the modern style
/// only those below 32 and 127, so that UTF-8 text stays whole.
void blankControlBytes(std::string* description,
                       AreaStyle style = AreaStyle::kClassic);

}  // namespace rows

#endif  // KESTREL_PAGEGEN_ROWS_H_
