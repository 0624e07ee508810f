#include "shell/dir_entry_table.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Entries added past the room reserved keep their own names and data, and
// sorting a tail leaves the entries before it where they are.
TEST(DirEntryTableTest, GrowsPastItsReserveAndSortsATail) {
  struct {
    const char* name;
    bool directory;
    uint64_t size;
    int64_t mtime;
  } added[] = {
      {"..", true, 0, 7},
      {"zeta.zip", false, 12345678901ULL, -86400},
      {"A name longer than any short string buffer.txt", false, 5, 1},
      {"", false, 0, 0},
      {"alpha", true, 0, 4102444800},
  };
  DirEntryTable table;
  table.reserve(1, 2);
  for (const auto& a : added) table.add(a.name, a.directory, a.size, a.mtime);
  table.sortFrom(1);
  const int order[] = {0, 3, 2, 4, 1};
  ASSERT_EQ(5u, table.size());
  size_t index = 0;
  for (const DirEntry& entry : table) {
    const auto& want = added[order[index]];
    SCOPED_TRACE(want.name);
    EXPECT_EQ(want.name, entry.name);
    EXPECT_EQ(want.directory, entry.directory);
    EXPECT_EQ(want.size, entry.size);
    EXPECT_EQ(want.mtime, entry.mtime);
    ++index;
  }
  EXPECT_EQ(5u, index);
}

}  // namespace
