#include "text/visible_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(VisibleTextTest, NoByteActsOnATerminal) {
  const struct {
    std::string text;
    std::string caret;  // for a pipe or a file
    std::string glyph;  // for a terminal
  } cases[] = {
      {"a\nEVIL.BAT", "a^JEVIL.BAT",
       "a\xe2\x97\x99"
       "EVIL.BAT"},
      {"\x1b]0;T\x07", "^[]0;T^G", "\xe2\x86\x90]0;T\xe2\x80\xa2"},
      {std::string("\0\x1f\x7f", 3), "^@^_^?", " \xe2\x96\xbc\xe2\x8c\x82"},
      // A C1 control, alone or as UTF-8, and a stray high byte.
      {"\x9b"
       "2J",
       "M-^[2J",
       "\xc2\xa2"
       "2J"},
      {"\xc2\x9b", "M-BM-^[", "\xe2\x94\xac\xc2\xa2"},
      {"\xe9t\xe9", "M-itM-i", "\xce\x98t\xce\x98"},
      // Well-formed UTF-8 and plain text stay as they are.
      {"r\xc3\xa9sum\xc3\xa9 ^J", "r\xc3\xa9sum\xc3\xa9 ^J",
       "r\xc3\xa9sum\xc3\xa9 ^J"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caret);
    EXPECT_EQ(c.caret, visible::caretText(c.text));
    EXPECT_EQ(c.glyph, visible::glyphText(c.text));
  }
}

// A page text that is UTF-8 stays as it is; any other is read as code page
// 437 throughout, so a keeper's DOS text shows as it did on the console.
TEST(VisibleTextTest, Utf8TextReadsOtherTextsAsCodePage437) {
  const struct {
    std::string text;
    std::string utf8;
  } cases[] = {
      {"D\x82marreur de programme \xae"
       "Ad\x8ale\xaf",
       "D\xc3\xa9marreur de programme \xc2\xab"
       "Ad\xc3\xa8le\xc2\xbb"},
      // "\xcd\xbb" alone would be UTF-8; in a CP437 frame it is "═╗".
      {"\xc9\xcd\xcd\xbb \xc8\xcd\xbc \xb3\xb0\xdf",
       "\xe2\x95\x94\xe2\x95\x90\xe2\x95\x90\xe2\x95\x97 "
       "\xe2\x95\x9a\xe2\x95\x90\xe2\x95\x9d "
       "\xe2\x94\x82\xe2\x96\x91\xe2\x96\x80"},
      // Well-formed UTF-8 of every length stays.
      {"caf\xc3\xa9 \xe2\x80\x93 \xf0\x9f\x98\x80 \xcd\xbb",
       "caf\xc3\xa9 \xe2\x80\x93 \xf0\x9f\x98\x80 \xcd\xbb"},
      // One byte that is no UTF-8 makes the whole text CP437.
      {"caf\xc3\xa9 \x82", "caf\xe2\x94\x9c\xe2\x8c\x90 \xc3\xa9"},
      // Cut, overlong and surrogate forms and a C1 control are no UTF-8.
      {"caf\xc3", "caf\xe2\x94\x9c"},
      {"\xc0\xaf", "\xe2\x94\x94\xc2\xbb"},
      {"\xed\xa0\x80", "\xcf\x86\xc3\xa1\xc3\x87"},
      {"\xc2\x85", "\xe2\x94\xac\xc3\xa0"},
      // Bytes below 128 stay, control bytes included, in either reading.
      {std::string("a\tb\x01\x7f\0", 6), std::string("a\tb\x01\x7f\0", 6)},
      {std::string("\x01\x82\0", 3), std::string("\x01\xc3\xa9\0", 4)},
      {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(visible::caretText(c.text));
    EXPECT_EQ(c.utf8, visible::utf8Text(c.text));
    std::string appended = "<";
    visible::appendUtf8Text(c.text, &appended);
    EXPECT_EQ("<" + c.utf8, appended);
  }
}

TEST(VisibleTextTest, ControlBytesAreOneToThirtyOne) {
  EXPECT_FALSE(visible::hasControlByte(std::string("a\0b \x7f\xff", 6)));
  EXPECT_TRUE(visible::hasControlByte("a\x01"));
  EXPECT_TRUE(visible::hasControlByte("\x1f"));
}

}  // namespace
