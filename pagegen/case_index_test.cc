#include "pagegen/case_index.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Names are found whatever the case of their ASCII letters: a name added as
// written is itself, else the first in listing order of one folded form
// wins, in whatever order they were added; other bytes must match.
TEST(CaseIndexTest, FindsTheExactNameOrTheFirstInAnotherCase) {
  CaseIndex index;
  for (const char* name : {"DOCS", "Readme.txt", "readme.TXT", "README.TXT",
                           "caf\xc3\xa9.txt", "a_b", "[x]"}) {
    index.add(name);
  }
  EXPECT_EQ(7u, index.size());
  struct {
    const char* name;
    const char* expected;  // nullptr for none
  } cases[] = {
      {"docs", "DOCS"},
      {"DoCs", "DOCS"},
      {"readme.txt", "README.TXT"},
      {"README.txt", "README.TXT"},
      {"Readme.txt", "Readme.txt"},
      {"readme.TXT", "readme.TXT"},
      {"CAF\xc3\xa9.TXT", "caf\xc3\xa9.txt"},
      {"caf\xc3\x89.txt", nullptr},  // only ASCII letters fold
      {"A_B", "a_b"},
      // Bytes that differ from others by the case bit alone do not fold.
      {"a\x7f"
       "b",
       nullptr},
      {"[X]", "[x]"},
      {"{x}", nullptr},
      {"docs ", nullptr},
      {"doc", nullptr},
      {"", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string* found = index.find(c.name);
    if (c.expected == nullptr) {
      EXPECT_EQ(nullptr, found) << *found;
    } else {
      ASSERT_NE(nullptr, found);
      EXPECT_EQ(c.expected, *found);
    }
  }
}

}  // namespace
