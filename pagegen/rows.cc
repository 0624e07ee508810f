// Row lines and cell texts of the index page.
#include "pagegen/rows.h"

#include "text/capture_line.h"
#include "text/link_escape.h"
#include "text/text.h"
#include "text/visible_text.h"

namespace rows {

namespace {
constexpr size_t kRepeatLimit = 8;
// A looked-up row's name cell: the link target and the link text go
// between these.
constexpr std::string_view kNameLineOpen =
    "<TR><TD><FONT SIZE=3 FACE=Helvetica,Georgia><B><A HREF=\"";
constexpr std::string_view kNameLineMiddle = "\">";
constexpr std::string_view kNameLineClose = "</A></FONT></TD>";
}  // namespace

bool isLongName(std::string_view name) {
  return name.size() > kLookupNameLimit &&
         name.find('\\') == std::string_view::npos;
}

std::string nameLine(std::string_view name, AreaStyle style) {
  return nameLine(name, name, style);
}

std::string nameLine(std::string_view name, std::string_view target,
                     AreaStyle style) {
  std::string line;
  nameLine(name, target, style, &line);
  return line;
}

void nameLine(std::string_view name, std::string_view target, AreaStyle style,
              std::string* line) {
  line->assign(kNameLineOpen);
  appendLinkTarget(target, line);
  line->append(kNameLineMiddle);
  if (style == AreaStyle::kModern && !visible::staysAsUtf8(name)) {
    std::string text;
    visible::appendCp437Text(name, &text);
    appendLinkText(text, line);
  } else {
    appendLinkText(name, line);
  }
  line->append(kNameLineClose);
}

void nameLine(std::string_view name, std::string_view target, AreaStyle style,
              const std::function<void(std::string_view piece)>& put) {
  constexpr size_t kPiece = 64 * 1024;
  std::string piece(kNameLineOpen);
  for (size_t at = 0; at < target.size(); at += kPiece) {
    appendLinkTarget(target.substr(at, kPiece), &piece, at == 0);
    put(piece);
    piece.clear();
  }
  piece = kNameLineMiddle;
  // The link text is UTF-8 as it stands, or code page 437, judged whole.
  bool as_it_is = style != AreaStyle::kModern || visible::staysAsUtf8(name);
  std::string text;
  for (size_t at = 0; at < name.size(); at += kPiece) {
    std::string_view part = name.substr(at, kPiece);
    if (!as_it_is) {
      text.clear();
      visible::appendCp437Text(part, &text);
      part = text;
    }
    appendLinkText(part, &piece);
    put(piece);
    piece.clear();
  }
  piece += kNameLineClose;
  put(piece);
}

void dateSizeLine(std::string_view date, std::string_view size, bool directory,
                  std::string* line) {
  line->assign("<TD ALIGN=LEFT>");
  if (date.size() >= 13 && date[12] == ' ') {
    line->append(date.substr(0, 12));
    line->append("&nbsp;");
    line->append(date.substr(13));
  } else {
    line->append(date);
  }
  line->append("</TD>");
  line->append(directory ? "<TD ALIGN=LEFT>" : "<TD ALIGN=RIGHT>");
  line->append(size);
  line->append("</TD>");
}

std::string longNameLine(std::string_view name) {
  return "<TR><TD ALIGN=CENTER><FONT SIZE=3 FACE=Helvetica,Georgia><B><A "
         "HREF=\"" +
         linkTarget(name) + "\"> &raquo; </A></FONT></TD>";
}

std::string longNameSizeLine() {
  return "<TD ALIGN=LEFT><B>&nbsp;{ LFN } &nbsp;&nbsp;&nbsp;&raquo;</B></TD>"
         "<TD ALIGN=RIGHT>?</TD>";
}

void appendLongNameFragment(std::string_view name, std::string* out) {
  out->append("<A HREF=\"");
  appendLinkTarget(name, out);
  out->append("\">");
  appendLinkText(name, out);
}

Cells notFoundCells() {
  return {"<B>&raquo; NOT found! &laquo;</B>", "-", false};
}

bool namesEntry(std::string_view line, std::string_view name, AreaStyle style) {
  // A modern name may begin or end with blanks: the whole name field
  // decides.
  if (style == AreaStyle::kModern)
    return capture_line::longNameField(line) == name;
  return text::startsWith(capture_line::nameText(line), name);
}

Cells cellsFromCapture(std::string_view line, std::string_view name,
                       AreaStyle style) {
  Cells cells = notFoundCells();
  if (line.empty() || text::allBlanks(line)) return cells;
  if (namesEntry(line, name, style)) {
    cells.found = true;
    cells.date = capture_line::dateField(line);
    cells.size = capture_line::sizeField(line);
  }
  if (capture_line::hasDirMark(line)) {
    cells.found = true;
    cells.directory = true;
    cells.date = capture_line::dateField(line);
    cells.size = "<img src=\"/icons/dir.png\">";
  }
  return cells;
}

std::string_view cleanFragment(std::string_view fragment) {
  // Blanks go from both ends, but the last character always stays.
  size_t first = fragment.find_first_not_of(' ');
  if (first == std::string_view::npos)
    first = fragment.empty() ? 0 : fragment.size() - 1;
  std::string_view cut = fragment.substr(first);
  size_t last = cut.find_last_not_of(' ');
  cut = cut.substr(
      0, last == std::string_view::npos ? (cut.empty() ? 0 : 1) : last + 1);
  if (cut.size() > kRepeatLimit &&
      cut.find_first_not_of(cut[0]) == std::string_view::npos) {
    return " ";
  }
  return cut;
}

void blankControlBytes(std::string* description, AreaStyle style) {
  unsigned char last_kept = style == AreaStyle::kModern ? 255 : 126;
  // Every byte is stored back, changed or not: a loop without a branch,
  // which the compiler runs many bytes at a time.
  unsigned char* bytes = reinterpret_cast<unsigned char*>(description->data());
  for (size_t i = 0, n = description->size(); i < n; ++i) {
    unsigned char byte = bytes[i];
    bool blank = byte < 32 || byte == 127 || byte > last_kept;
    bytes[i] = blank ? static_cast<unsigned char>(' ') : byte;
  }
}

}  // namespace rows
