// The page's lines as the tests expect them.
#include "testing/page_rows.h"

namespace page_rows {

std::string crlf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) out += line + "\r\n";
  return out;
}

std::string nameLine(const std::string& target, const std::string& text) {
  return "<TR><TD><FONT SIZE=3 FACE=Helvetica,Georgia><B><A HREF=\"" + target +
         "\">" + text + "</A></FONT></TD>";
}

std::string sizeField(const std::string& size) {
  return std::string(18 - size.size(), ' ') + size + " ";
}

std::string fileCells(const std::string& date, const std::string& size_field) {
  return "<TD ALIGN=LEFT>" + date + "</TD><TD ALIGN=RIGHT>" + size_field +
         "</TD>";
}

std::string directoryCells(const std::string& date) {
  return "<TD ALIGN=LEFT>" + date +
         "</TD><TD ALIGN=LEFT><img src=\"/icons/dir.png\"></TD>";
}

const char kNotFoundCells[] =
    "<TD ALIGN=LEFT><B>&raquo; NOT found! &laquo;</B></TD>"
    "<TD ALIGN=RIGHT>-</TD>";

std::string longNameLine(const std::string& target) {
  return "<TR><TD ALIGN=CENTER><FONT SIZE=3 FACE=Helvetica,Georgia><B>"
         "<A HREF=\"" +
         target + "\"> &raquo; </A></FONT></TD>";
}

const char kLongNameCells[] =
    "<TD ALIGN=LEFT><B>&nbsp;{ LFN } &nbsp;&nbsp;&nbsp;&raquo;</B></TD>"
    "<TD ALIGN=RIGHT>?</TD>";

std::string descriptionCell(const std::string& description) {
  return "<TD><B><FONT SIZE=3 FACE=Cambria,Georgia>" + description +
         "</TD></FONT></B></TR>";
}

std::string found(const std::string& name, const std::string& date,
                  const std::string& size_field) {
  return crlf({nameLine(name, name), fileCells(date, size_field)});
}

std::string directory(const std::string& name, const std::string& date) {
  return crlf({nameLine(name, name), directoryCells(date)});
}

std::string notFound(const std::string& name) {
  return crlf({nameLine(name, name), kNotFoundCells});
}

std::string longName(const std::string& target) {
  return crlf({longNameLine(target), kLongNameCells});
}

std::string cell(const std::string& description) {
  return crlf({descriptionCell(description)});
}

bool hasTail(const std::string& page) {
  const std::string end = "</HTML>\r\n";
  return page.size() >= end.size() &&
         page.compare(page.size() - end.size(), end.size(), end) == 0;
}

}  // namespace page_rows
