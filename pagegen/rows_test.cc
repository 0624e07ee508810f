#include "pagegen/rows.h"

#include <gtest/gtest.h>

namespace {

TEST(EntryRowsTest, LookupOnlyForShortNamesOrNamesWithABackslash) {
  struct {
    const char* name;
    bool long_name;
  } cases[] = {
      {"ABCDEFGH.TXT", false},        // 12 characters
      {"ABCDEFGHI.TXT", true},        // 13
      {"SUB\\ABCDEFGHI.TXT", false},  // any length with a backslash
      {"A", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.long_name, rows::isLongName(c.name));
  }
}

TEST(EntryRowsTest, CleanFragment) {
  struct {
    const char* fragment;
    const char* expected;
  } cases[] = {
      {"", ""},
      {" ", " "},
      {"     ", " "},
      {" Read me first", "Read me first"},
      {"  two  words  ", "two  words"},
      {"==========", " "},
      {"   =========   ", " "},
      {"========", "========"},
      {"=========x", "=========x"},
      {"\t\t\t\t\t\t\t\t\t", " "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fragment);
    EXPECT_EQ(c.expected, rows::cleanFragment(c.fragment));
  }
}

TEST(EntryRowsTest, CellsFromCaptureLine) {
  const std::string file =
      "03/05/2024  02:07 PM            12,345                "
      "README.TXT";
  const std::string dir =
      "03/05/2024  09:00 AM    <DIR>                       .";
  const std::string with_short =
      "03/05/2024  02:07 PM             1,000 LONGFI~1.TXT "
      "Long file name.txt";
  struct {
    std::string line;
    const char* name;
    const char* date;
    const char* size;
    bool directory;
  } cases[] = {
      {file, "README.TXT", "03/05/2024  02:07 PM", "            12,345 ",
       false},
      {file, "README", "03/05/2024  02:07 PM", "            12,345 ", false},
      {file, "readme.txt", "<B>&raquo; NOT found! &laquo;</B>", "-", false},
      {with_short, "LONGFI~1.TXT", "03/05/2024  02:07 PM",
       "             1,000 ", false},
      {dir, "DOCS", "03/05/2024  09:00 AM", "<img src=\"/icons/dir.png\">",
       true},
      {"", "X", "<B>&raquo; NOT found! &laquo;</B>", "-", false},
      {"     ", "X", "<B>&raquo; NOT found! &laquo;</B>", "-", false},
      {"03/05/2024  02:07 PM  short", "X", "<B>&raquo; NOT found! &laquo;</B>",
       "-", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line + " / " + c.name);
    rows::Cells cells = rows::cellsFromCapture(c.line, c.name);
    EXPECT_EQ(c.date, cells.date);
    EXPECT_EQ(c.size, cells.size);
    EXPECT_EQ(c.directory, cells.directory);
    EXPECT_EQ(c.date != rows::notFoundCells().date, cells.found);
  }
}

// The modern style compares the capture's whole name field with the entry
// name, so that blanks at either end and the rest of a longer name count;
// the default style keeps its trimmed, leading comparison.
TEST(EntryRowsTest, ModernCellsNeedTheWholeName) {
  // Columns 1 to 52 of a file line without a short name.
  const std::string stamp =
      "03/05/2024  02:07 PM            12,345 " + std::string(13, ' ');
  struct {
    std::string listed;
    const char* name;
    bool modern_found;
    bool classic_found;
  } cases[] = {
      {"README.TXT", "README.TXT", true, true},
      {"README.TXT", "README", false, true},
      {" lead", " lead", true, false},
      {" lead", "lead", false, true},
      {"trail ", "trail ", true, false},
      {"trail ", "trail", false, true},
      {"\"README.TXT\"", "\"README.TXT\"", true, true},
      {"README.TXT", "\"README.TXT\"", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("[" + c.listed + "] / [" + c.name + "]");
    std::string line = stamp + c.listed;
    for (AreaStyle style : {AreaStyle::kModern, AreaStyle::kClassic}) {
      bool found =
          style == AreaStyle::kModern ? c.modern_found : c.classic_found;
      rows::Cells cells = rows::cellsFromCapture(line, c.name, style);
      EXPECT_EQ(found ? "03/05/2024  02:07 PM" : rows::notFoundCells().date,
                cells.date);
      EXPECT_EQ(found ? "            12,345 " : "-", cells.size);
      EXPECT_EQ(found, cells.found);
    }
  }
  // A directory's listing shows it by its "." line in either style.
  rows::Cells dir = rows::cellsFromCapture(
      "03/05/2024  09:00 AM    <DIR>                       .", "DOCS",
      AreaStyle::kModern);
  EXPECT_TRUE(dir.directory);
  EXPECT_TRUE(dir.found);
  EXPECT_EQ("03/05/2024  09:00 AM", dir.date);
}

// A row found under another case links to the name on disk, escaped as a
// link target, and shows the list's name as its text.
TEST(EntryRowsTest, NameLineLinksToTheFoundName) {
  EXPECT_EQ(
      "<TR><TD><FONT SIZE=3 FACE=Helvetica,Georgia><B>"
      "<A HREF=\"Q%26A%20NOTES.TXT\">q&amp;a notes.txt</A></FONT></TD>",
      rows::nameLine("q&a notes.txt", "Q&A NOTES.TXT", AreaStyle::kModern));
  EXPECT_EQ(
      rows::nameLine("q&a notes.txt", "q&a notes.txt", AreaStyle::kModern),
      rows::nameLine("q&a notes.txt", AreaStyle::kModern));
}

TEST(EntryRowsTest, DateSizeLineMarksOnlyABlank13thCharacter) {
  const struct {
    std::string_view date;
    bool directory;
    std::string_view expected;
  } cases[] = {
      {"03/05/2024  02:07 PM", false,
       "<TD ALIGN=LEFT>03/05/2024  02:07 PM</TD><TD ALIGN=RIGHT>9</TD>"},
      {"3/5/2024     2:07 PM", false,
       "<TD ALIGN=LEFT>3/5/2024    &nbsp;2:07 PM</TD><TD ALIGN=RIGHT>9</TD>"},
      {"3/5/2024     ", true,
       "<TD ALIGN=LEFT>3/5/2024    &nbsp;</TD><TD ALIGN=LEFT>9</TD>"},
      {"short", false, "<TD ALIGN=LEFT>short</TD><TD ALIGN=RIGHT>9</TD>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.date);
    std::string line = "left over";
    rows::dateSizeLine(c.date, "9", c.directory, &line);
    EXPECT_EQ(c.expected, line);
  }
}

TEST(EntryRowsTest, BlankControlBytes) {
  std::string description = " a\tb\x7f\xe9\x01z";
  rows::blankControlBytes(&description);
  EXPECT_EQ(" a b   z", description);

  // The modern style keeps the bytes of UTF-8 text.
  std::string utf8 = " caf\xc3\xa9\t\x7f\xe2\x98\x95\x1b";
  rows::blankControlBytes(&utf8, AreaStyle::kModern);
  EXPECT_EQ(" caf\xc3\xa9  \xe2\x98\x95 ", utf8);
}

}  // namespace
