#include "text/capture_line.h"

#include <gtest/gtest.h>

namespace {

// Each line is written as its fixed-width pieces: columns 1-20, 21-39,
// 40-52 and the name from 53.
TEST(CaptureLineTest, CutsTheFixedColumns) {
  struct {
    const char* line;
    const char* date;
    const char* size;
    bool dir;
    const char* name_text;
    const char* names;
    const char* long_name;
  } cases[] = {
      {"03/04/2021  09:05 AM"
       "            12,345 "
       "             "
       "a.txt",
       "03/04/2021  09:05 AM", "            12,345 ", false, "a.txt", "a.txt",
       "a.txt"},
      {"03/04/2021  03:30 PM"
       "    <DIR>          "
       "             "
       "sub dir",
       "03/04/2021  03:30 PM", "    <DIR>          ", true, "sub dir",
       "sub dir", "sub dir"},
      {"12/31/1999  11:59 PM"
       "         7,340,032 "
       "LONGFI~1.TXT "
       "Long file name.txt",
       "12/31/1999  11:59 PM", "         7,340,032 ", false,
       "LONGFI~1.TXT Long file name.txt", "LONGFI~1.TXT Long file name.txt",
       "Long file name.txt"},
      // A short name shorter than its column keeps the padding inside.
      {"01/02/2003  04:05 AM"
       "                 1 "
       "SHORT.TXT    "
       "short.txt long",
       "01/02/2003  04:05 AM", "                 1 ", false,
       "SHORT.TXT    short.txt long", "SHORT.TXT    short.txt long",
       "short.txt long"},
      {"01/01/2020  12:00 AM"
       "    <DIR>          "
       "             "
       ".",
       "01/01/2020  12:00 AM", "    <DIR>          ", true, ".", ".", "."},
      // Blanks after the 13 blank columns stay in the names, not the text.
      {"01/01/2020  12:00 AM"
       "                 0 "
       "             "
       " x ",
       "01/01/2020  12:00 AM", "                 0 ", false, "x", " x ", " x "},
      // Cut off: the parts of a range that exist, or "".
      {"01/01/2020  12:00 AM    <DIR>", "01/01/2020  12:00 AM", "    <DIR>",
       true, "", "", ""},
      {"01/01/2020  12:00 AM    <DI", "01/01/2020  12:00 AM", "    <DI", false,
       "", "", ""},
      {"01/01/2020  12:00 AM"
       "    <DIR>          "
       "             ",
       "01/01/2020  12:00 AM", "    <DIR>          ", true, "", "", ""},
      {" Directory of C:\\AREA", " Directory of C:\\ARE", "A", false, "", "",
       ""},
      {"", "", "", false, "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(c.date, capture_line::dateField(c.line));
    EXPECT_EQ(c.size, capture_line::sizeField(c.line));
    EXPECT_EQ(c.dir, capture_line::hasDirMark(c.line));
    EXPECT_EQ(c.name_text, capture_line::nameText(c.line));
    EXPECT_EQ(c.names, capture_line::namesFromColumn40(c.line));
    EXPECT_EQ(c.long_name, capture_line::longNameField(c.line));
  }
}

}  // namespace
