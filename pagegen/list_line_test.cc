#include "pagegen/list_line.h"

#include <gtest/gtest.h>

namespace {

// What the reader makes of a line, by the rules in their order (the page
// name rule is left to the run, which knows the page name).
std::string sortOut(std::string line) {
  using namespace list_line;
  if (isBlankOrComment(line)) return "ignored";
  dropDirectoryMark(&line);
  if (isUnusable(line)) return "ignored";
  if (isReservedName(line) || isDotName(line)) return "ignored";
  if (isContinuation(line)) return "continuation:" + line;
  Entry entry = splitEntry(line);
  return "entry:" + entry.name + "|" + entry.description;
}

TEST(ListReaderTest, SortsLinesByTheRulesInOrder) {
  struct {
    const char* line;
    const char* expected;
  } cases[] = {
      {"", "ignored"},
      {"    ", "ignored"},
      {"-------", "ignored"},
      {"- a remark", "ignored"},
      {"\tREADME.TXT x", "ignored"},
      {"\x01X", "ignored"},
      {"\xe9t\xe9.TXT", "ignored"},
      {"\\", "ignored"},
      {"\\-x", "entry:-x|"},
      {"\\DOCS", "entry:DOCS|"},
      {"\\\\DOCS", "entry:\\DOCS|"},
      {"\\ some text", "continuation: some text"},
      {"Q&A.TXT Questions", "ignored"},
      {"   more & more", "ignored"},
      {"INDEX.HTM", "ignored"},
      {"FILES.FIX", "ignored"},
      {"INDEX~1.HTM", "ignored"},
      {"00_INDEX.HTM", "ignored"},
      {"DESCRIPT.ION", "ignored"},
      {"INDEX.HTM The old index", "entry:INDEX.HTM|The old index"},
      {"index.htm", "entry:index.htm|"},
      {"FILES.BBS", "entry:FILES.BBS|"},
      {"..", "ignored"},
      {".profile x", "ignored"},
      {"   continued", "continuation:   continued"},
      {"README.TXT  Read me first", "entry:README.TXT| Read me first"},
      {"README.TXT", "entry:README.TXT|"},
      {"README.TXT ", "entry:README.TXT|"},
      {"README.TXT\tsome\ttext", "entry:README.TXT\tsome\ttext|"},
      {"A\nB C", "entry:A\nB|C"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(c.expected, sortOut(c.line));
  }
}

}  // namespace
