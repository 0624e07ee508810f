#include "listbuild/kept_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace listbuild {
namespace {

KeptList keptList(const std::vector<std::string>& lines, AreaStyle style) {
  KeptList list(style);
  for (const std::string& line : lines) list.addLine(line, "\r\n");
  return list;
}

TEST(KeptListTest, NamedEntryIsTheNameKestrelSplitsOff) {
  const struct {
    const char* line;
    AreaStyle style;
    std::optional<std::string> expected;
  } cases[] = {
      {"GAME.ZIP  A game", AreaStyle::kClassic, "GAME.ZIP"},
      {"GAME.ZIP", AreaStyle::kClassic, "GAME.ZIP"},
      {"\\DOCS  Manuals", AreaStyle::kClassic, "DOCS"},
      {"\\Old_releases \\2019", AreaStyle::kClassic, "Old_releases"},
      {"Q&A.PDF  skipped by kestrel, still named", AreaStyle::kClassic,
       "Q&A.PDF"},
      {"INDEX.HTM", AreaStyle::kClassic, "INDEX.HTM"},
      {"\"A B.zip\" two words", AreaStyle::kClassic, "\"A"},
      {"\"A B.zip\" two words", AreaStyle::kModern, "A B.zip"},
      {"\\\"Old releases\" quoted directory", AreaStyle::kModern,
       "Old releases"},
      {"\"say \"\"hi\"\".txt\"", AreaStyle::kModern, "say \"hi\".txt"},
      {"\"unclosed name", AreaStyle::kModern, "\"unclosed"},
      {"- a comment", AreaStyle::kClassic, std::nullopt},
      {"-dash.txt", AreaStyle::kModern, std::nullopt},
      {"   continued description", AreaStyle::kClassic, std::nullopt},
      {"\\ blank after the mark", AreaStyle::kClassic, std::nullopt},
      {"", AreaStyle::kModern, std::nullopt},
      {"\\", AreaStyle::kClassic, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(c.expected, namedEntry(c.line, c.style));
  }
}

// Whether a list already holds the line an update would add for one entry.
TEST(KeptListTest, HoldsAnEntryItNames) {
  const std::vector<std::string> kList = {
      "- Uploads of the week",
      "GAME.ZIP  A game",
      "           continued: NOTES.TXT is no entry",
      "\\DOCS     Manuals",
      "\"A B.zip\"  Quoted",
      "readme.txt  Lower case",
      "-dash.txt",
  };
  const struct {
    const char* entry_line;
    AreaStyle style;
    bool expected;
  } cases[] = {
      {"GAME.ZIP", AreaStyle::kClassic, true},
      {"\\GAME.ZIP", AreaStyle::kClassic, true},
      {"\\DOCS", AreaStyle::kModern, true},
      {"game.zip", AreaStyle::kClassic, false},
      {"game.zip", AreaStyle::kModern, true},
      {"README.TXT", AreaStyle::kModern, true},
      {"README.TXT", AreaStyle::kClassic, false},
      {"NOTES.TXT", AreaStyle::kClassic, false},
      {"\"A B.zip\"", AreaStyle::kModern, true},
      {"A", AreaStyle::kModern, false},
      {"Uploads", AreaStyle::kClassic, false},
      {"GAME.ZI", AreaStyle::kClassic, false},
      {"-dash.txt", AreaStyle::kClassic, true},  // a comment: the same line
      {"-other.txt", AreaStyle::kClassic, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry_line);
    KeptList list = keptList(kList, c.style);
    EXPECT_EQ(c.expected, list.holds(c.entry_line));
  }
}

TEST(KeptListTest, NamesNoEntryMatchedAreMissingInListOrder) {
  KeptList list = keptList({"ZED.ZIP  last", "\\GONE  a directory", "A.ZIP",
                            "ZED.ZIP  again", "KEPT.TXT"},
                           AreaStyle::kClassic);
  EXPECT_TRUE(list.holds("KEPT.TXT"));
  EXPECT_TRUE(list.holds("\\GONE"));
  EXPECT_FALSE(list.holds("NEW.TXT"));
  EXPECT_EQ((std::vector<std::string>{"ZED.ZIP", "A.ZIP"}),
            list.missingEntries());
}

TEST(KeptListTest, BytesAreTheListWithALastLineEnd) {
  const struct {
    const char* what;
    std::vector<std::pair<std::string, std::string>> lines;
    std::string expected;
    bool lf_in_line;
  } cases[] = {
      {"line ends kept",
       {{"A", "\r\n"}, {"B", "\r"}, {"C", "\n"}},
       "A\r\nB\rC\n",
       false},
      {"last line without its end",
       {{"A", "\r\n"}, {"B  text", ""}},
       "A\r\nB  text\r\n",
       false},
      {"a lone LF inside a line", {{"A x\nB y", "\r\n"}}, "A x\nB y\r\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    KeptList list(AreaStyle::kClassic);
    for (const auto& [line, end] : c.lines) list.addLine(line, end);
    EXPECT_EQ(c.expected, list.bytes());
    EXPECT_EQ(c.lf_in_line, list.hasLfInLine());
  }
}

}  // namespace
}  // namespace listbuild
