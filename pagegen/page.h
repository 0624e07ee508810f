// Everything of the index page around its rows: the head (title, captions
// and the header row of the table) and the tail (after the last description
// cell: the link back to the top and the credit with the generation time).
#ifndef KESTREL_PAGEGEN_PAGE_H_
#define KESTREL_PAGEGEN_PAGE_H_

#include <string>
#include <vector>

#include "runtime/area_style.h"

namespace page {

/// The head lines, first to last: the title carries the area text only
/// when it is longer than 2 characters; the directory caption is there
/// only when the area text is not empty. The modern style declares the
/// utf-8 charset right after "<HEAD>" and writes both texts as UTF-8
/// (text/visible_text.h).
std::vector<std::string> headLines(const std::string& title,
                                   const std::string& area,
                                   AreaStyle style = AreaStyle::kClassic);

/// The tail lines that follow the last row's description cell, first to
/// last, with the given generation date and time.
std::vector<std::string> closingLines(const std::string& date,
                                      const std::string& time);

}  // namespace page

#endif  // KESTREL_PAGEGEN_PAGE_H_
