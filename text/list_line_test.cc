#include "text/list_line.h"

#include <gtest/gtest.h>

#include <string>

#include "text/list_name.h"

namespace {

using list_line::Kind;

TEST(ListLineTest, ClassifiesByTheRulesInOrder) {
  struct {
    const char* line;
    Kind kind;
    int rule;
    const char* after;  // the line once classified
  } cases[] = {
      {"", Kind::kSkipped, 3, ""},
      {"    ", Kind::kSkipped, 3, "    "},
      {"-------", Kind::kSkipped, 3, "-------"},
      {"- a remark", Kind::kSkipped, 3, "- a remark"},
      {"\\-x", Kind::kEntry, 11, "-x"},
      {"\tREADME.TXT x", Kind::kSkipped, 6, "\tREADME.TXT x"},
      // A first byte outside 32 to 126 keeps a line out, on either side.
      {"\x01X", Kind::kSkipped, 6, "\x01X"},
      {"\x1fX", Kind::kSkipped, 6, "\x1fX"},
      {"~X", Kind::kEntry, 11, "~X"},
      {"\x7fX", Kind::kSkipped, 6, "\x7fX"},
      {"\\\x7f", Kind::kSkipped, 6, "\x7f"},
      {"\xe9t\xe9.TXT", Kind::kSkipped, 6, "\xe9t\xe9.TXT"},
      {"\\", Kind::kSkipped, 6, ""},
      {"Q&A.TXT Questions", Kind::kSkipped, 6, "Q&A.TXT Questions"},
      {"   more & more", Kind::kSkipped, 6, "   more & more"},
      {"PAGE.HTM", Kind::kSkipped, 7, "PAGE.HTM"},
      {"\\PAGE.HTM", Kind::kSkipped, 7, "PAGE.HTM"},
      {"PAGE.HTM x", Kind::kEntry, 11, "PAGE.HTM x"},
      {"INDEX.HTM", Kind::kSkipped, 8, "INDEX.HTM"},
      {"FILES.FIX", Kind::kSkipped, 8, "FILES.FIX"},
      {"INDEX~1.HTM", Kind::kSkipped, 8, "INDEX~1.HTM"},
      {"00_INDEX.HTM", Kind::kSkipped, 8, "00_INDEX.HTM"},
      {"DESCRIPT.ION", Kind::kSkipped, 8, "DESCRIPT.ION"},
      {"INDEX.HTM The old index", Kind::kEntry, 11, "INDEX.HTM The old index"},
      {"index.htm", Kind::kEntry, 11, "index.htm"},
      {"..", Kind::kSkipped, 9, ".."},
      {".profile x", Kind::kSkipped, 9, ".profile x"},
      {"\\ some text", Kind::kContinuation, 10, " some text"},
      {"   continued", Kind::kContinuation, 10, "   continued"},
      {"\\DOCS", Kind::kEntry, 11, "DOCS"},
      {"\\\\DOCS", Kind::kEntry, 11, "\\DOCS"},
      {"FILES.BBS", Kind::kEntry, 11, "FILES.BBS"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    std::string line = c.line;
    list_line::Sorted sorted = list_line::classify(&line, "PAGE.HTM");
    EXPECT_EQ(c.kind, sorted.kind);
    EXPECT_EQ(c.rule, sorted.rule);
    EXPECT_EQ(c.after, line);
  }
}

// Only a line that the "&" alone keeps out is told apart: the run warns of
// those, which a modern run would read.
TEST(ListLineTest, TellsLinesLeftOutForTheirAmpersand) {
  struct {
    const char* line;
    bool for_ampersand;
  } cases[] = {
      {"Q&A.TXT Questions", true},
      {"   more & more", true},
      {"\\Q&A", true},
      {"\\&", true},
      {"&", true},
      {"\t&", false},
      {"\xe9&", false},
      {"- & a remark", false},
      {"README.TXT x", false},
      {"\\", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    std::string line = c.line;
    list_line::Sorted sorted = list_line::classify(&line, "PAGE.HTM");
    EXPECT_EQ(c.for_ampersand, sorted.for_ampersand);
    line = c.line;
    EXPECT_FALSE(list_line::classify(&line, "PAGE.HTM", AreaStyle::kModern)
                     .for_ampersand);
  }
}

TEST(ListLineTest, SplitsAnEntryAtItsFirstBlank) {
  struct {
    const char* line;
    const char* name;
    const char* description;
  } cases[] = {
      {"README.TXT  Read me first", "README.TXT", " Read me first"},
      {"README.TXT", "README.TXT", ""},
      {"README.TXT ", "README.TXT", ""},
      {"README.TXT\tsome\ttext", "README.TXT\tsome\ttext", ""},
      {"A\nB C", "A\nB", "C"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    list_line::Entry entry = list_line::splitEntry(c.line);
    EXPECT_EQ(c.name, entry.name);
    EXPECT_EQ(c.description, entry.description);
  }
}

// The modern style: "&" and UTF-8 are ordinary, a name may stand in
// double quotes; everything else sorts out as in the classic style.
TEST(ListLineTest, ModernLines) {
  struct {
    const char* line;
    Kind kind;
    const char* name;
    const char* description;
  } cases[] = {
      {"Q&A.pdf Questions & answers", Kind::kEntry, "Q&A.pdf",
       "Questions & answers"},
      {"r\xc3\xa9sum\xc3\xa9.txt CV", Kind::kEntry, "r\xc3\xa9sum\xc3\xa9.txt",
       "CV"},
      {"\"Disk Utilities Pack.zip\"  Disk tools", Kind::kEntry,
       "Disk Utilities Pack.zip", " Disk tools"},
      {"\\\"Old releases 2019\"", Kind::kEntry, "Old releases 2019", ""},
      {"\"a b\"c d", Kind::kEntry, "a b", "c d"},
      // "" inside the quotes is one quote; the name ends at the quote that
      // is not part of a pair.
      {"\"say \"\"hi\"\".txt\" x", Kind::kEntry, "say \"hi\".txt", "x"},
      {"\"a\"\"\" b\" c", Kind::kEntry, "a\"", "b\" c"},
      {"\"\"\"\"", Kind::kEntry, "\"", ""},
      {"\" \"", Kind::kEntry, " ", ""},
      {"\"a\"\"b", Kind::kEntry, "\"a\"\"b", ""},
      // Without a closing quote, or with nothing between, the name ends at
      // its first blank as in a classic list.
      {"\"a b", Kind::kEntry, "\"a", "b"},
      {"\"\" x", Kind::kEntry, "\"\"", "x"},
      {"a\"b c", Kind::kEntry, "a\"b", "c"},
      // A bare name ends at a blank or a TAB; a TAB in the description,
      // or in a quoted name, stays.
      {"ms-vscode.live-server\t   Hosts a server", Kind::kEntry,
       "ms-vscode.live-server", "   Hosts a server"},
      {"a.zip\tone\ttwo", Kind::kEntry, "a.zip", "one\ttwo"},
      {"a.zip one\ttwo", Kind::kEntry, "a.zip", "one\ttwo"},
      {"\"a b\"\t\tx", Kind::kEntry, "a b", "\tx"},
      {"\"tab\there\" x", Kind::kEntry, "tab\there", "x"},
      {"a.zip\t", Kind::kEntry, "a.zip", ""},
      // A quoted dot name is skipped as a bare one is; a dot inside a name,
      // or an unclosed quote, is not a dot name.
      {"\".github\" Templates", Kind::kSkipped, "", ""},
      {"\\\".github\"", Kind::kSkipped, "", ""},
      {"\"..\"", Kind::kSkipped, "", ""},
      {"\"a .github\" x", Kind::kEntry, "a .github", "x"},
      {"\".github x", Kind::kEntry, "\".github", "x"},
      {"\x01X", Kind::kSkipped, "", ""},
      {"\x7fX", Kind::kSkipped, "", ""},
      {"\\", Kind::kSkipped, "", ""},
      {"  more & more", Kind::kContinuation, "", ""},
      {"PAGE.HTM", Kind::kSkipped, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    std::string line = c.line;
    list_line::Sorted sorted =
        list_line::classify(&line, "PAGE.HTM", AreaStyle::kModern);
    EXPECT_EQ(c.kind, sorted.kind);
    if (sorted.kind != Kind::kEntry) continue;
    list_line::Entry entry = list_line::splitEntry(line, AreaStyle::kModern);
    EXPECT_EQ(c.name, entry.name);
    EXPECT_EQ(c.description, entry.description);
  }
}

// Every name that a modern list writer gives reads back whole, as a file's
// line and as a directory's (after its backslash mark), with or without a
// description after it.
TEST(ListLineTest, ModernNamesReadBackAsWritten) {
  struct {
    const char* name;
    const char* written;
  } cases[] = {
      {"README.TXT", "README.TXT"},
      {"Q&A.pdf", "Q&A.pdf"},
      {"say\"hi\".txt", "say\"hi\".txt"},
      {"r\xc3\xa9sum\xc3\xa9.txt", "r\xc3\xa9sum\xc3\xa9.txt"},
      {"a b", "\"a b\""},
      {"\"README.TXT\"", "\"\"\"README.TXT\"\"\""},
      {"\"", "\"\"\"\""},
      {"\"\"", "\"\"\"\"\"\""},
      {" lead", "\" lead\""},
      {"trail ", "\"trail \""},
      {"   ", "\"   \""},
      {"say \"hi\".txt", "\"say \"\"hi\"\".txt\""},
      {"\\back", "\"\\back\""},
      {"\\", "\"\\\""},
      {"tab\there", "\"tab\there\""},
      {"-dash.txt", "\"-dash.txt\""},
      {"\177DEL", "\"\177DEL\""},
      {"INDEX.HTM x", "\"INDEX.HTM x\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.written, modernListName(c.name));
    for (const char* mark : {"", "\\"}) {
      for (const char* description : {"", "  Some text"}) {
        SCOPED_TRACE(std::string(mark) + "|" + description);
        std::string line = mark + modernListName(c.name) + description;
        list_line::Sorted sorted =
            list_line::classify(&line, "00_INDEX.HTM", AreaStyle::kModern);
        ASSERT_EQ(Kind::kEntry, sorted.kind);
        list_line::Entry entry =
            list_line::splitEntry(line, AreaStyle::kModern);
        EXPECT_EQ(c.name, entry.name);
        EXPECT_EQ(*description ? " Some text" : "", entry.description);
      }
    }
  }
}

// A DESCRIPT.ION line loses its manager data from the first Ctrl-D on.
TEST(ListLineTest, DropsManagerData) {
  struct {
    const char* line;
    const char* expected;
  } cases[] = {
      {"readme.txt Read me", "readme.txt Read me"},
      {"readme.txt Read me\x04\xc2", "readme.txt Read me"},
      {"\"Long name.zip\" Tools\x04\x01\x02\x04x", "\"Long name.zip\" Tools"},
      {"\x04only data", ""},
      {"a\tb\x04", "a\tb"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    std::string line = c.line;
    list_line::dropManagerData(&line);
    EXPECT_EQ(c.expected, line);
  }
}

}  // namespace
