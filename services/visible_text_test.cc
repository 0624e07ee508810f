#include "services/visible_text.h"

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

TEST(VisibleTextTest, ControlBytesAreOneToThirtyOne) {
  EXPECT_FALSE(visible::hasControlByte(std::string("a\0b \x7f\xff", 6)));
  EXPECT_TRUE(visible::hasControlByte("a\x01"));
  EXPECT_TRUE(visible::hasControlByte("\x1f"));
}

}  // namespace
