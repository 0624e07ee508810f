#include "text/text.h"

#include <gtest/gtest.h>

namespace {

TEST(TextTest, Mid) {
  struct {
    const char* s;
    long position;
    long length;
    const char* expected;
  } cases[] = {
      {"abcdef", 1, 3, "abc"}, {"abcdef", 4, 10, "def"}, {"abcdef", 7, 1, ""},
      {"abcdef", 0, 3, ""},    {"abcdef", 2, 0, ""},     {"", 1, 1, ""},
      {"abcdef", 6, 1, "f"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.s << " " << c.position << " " << c.length);
    EXPECT_EQ(c.expected, text::mid(c.s, c.position, c.length));
  }
  EXPECT_EQ("cdef", text::rest("abcdef", 3));
  EXPECT_EQ("", text::rest("abcdef", 7));
}

TEST(TextTest, Find) {
  struct {
    const char* haystack;
    const char* needle;
    long start;
    long expected;
  } cases[] = {
      {"a\\b\\c", "\\", 1, 2}, {"a\\b\\c", "\\", 3, 4}, {"abc", "x", 1, 0},
      {"", "x", 1, 0},         {"", "", 1, 0},          {"abc", "", 2, 2},
      {"abcabc", "bc", 3, 5},  {"abc", "ABC", 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.haystack << " / " << c.needle);
    EXPECT_EQ(c.expected, text::find(c.haystack, c.needle, c.start));
  }
}

TEST(TextTest, TrimTouchesBlanksOnly) {
  EXPECT_EQ("a b", text::trim("  a b  "));
  EXPECT_EQ("\ta\t", text::trim(" \ta\t "));
  EXPECT_EQ("", text::trim("    "));
  EXPECT_EQ("a  ", text::trimLeft("  a  "));
  EXPECT_EQ("  a", text::trimRight("  a  "));
  EXPECT_TRUE(text::allBlanks("   "));
  EXPECT_FALSE(text::allBlanks(""));
  EXPECT_FALSE(text::allBlanks(" \t "));
  EXPECT_EQ(-1, text::firstCode(""));
  EXPECT_EQ(255, text::firstCode("\xff"));
}

}  // namespace
