#include "shell/dir_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <string>

#include "testing/test_drive.h"
#include "text/capture_line.h"

namespace {

TEST(DirListingTest, GroupedNumber) {
  struct {
    uint64_t value;
    const char* expected;
  } cases[] = {
      {0, "0"},
      {999, "999"},
      {1000, "1,000"},
      {12345, "12,345"},
      {100000, "100,000"},
      {7340032, "7,340,032"},
      {12345678901ULL, "12,345,678,901"},
      {UINT64_MAX, "18,446,744,073,709,551,615"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(c.expected, groupedNumber(c.value));
  }
}

TEST(DirListingTest, DateAndTimeOnATwelveHourClock) {
  TestDrive drive;  // TZ=UTC
  struct {
    time_t when;
    const char* expected;
  } cases[] = {
      {utcTime(2021, 3, 4, 9, 5), "03/04/2021  09:05 AM"},
      {utcTime(2021, 3, 4, 15, 30), "03/04/2021  03:30 PM"},
      {utcTime(1999, 12, 31, 12, 0), "12/31/1999  12:00 PM"},
      {utcTime(2000, 1, 1, 0, 7), "01/01/2000  12:07 AM"},
      {utcTime(2000, 1, 1, 23, 59), "01/01/2000  11:59 PM"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    std::string columns;
    appendDateTimeColumns(&columns, c.when);
    EXPECT_EQ(c.expected, columns);
  }
}

// Entry lines column for column, and the capture columns that both tools
// cut from them give back the entry's parts.
TEST(DirListingTest, EntryLinesHoldTheCaptureColumns) {
  TestDrive drive;
  time_t noon = utcTime(2015, 7, 3, 12, 0);
  struct {
    DirEntry entry;
    const char* line;  // in the short-name layout
    const char* size_field;
  } cases[] = {
      {{"a.txt", false, 5, noon},
       "07/03/2015  12:00 PM                 5              a.txt",
       "                 5 "},
      {{"b", false, 12345, noon},
       "07/03/2015  12:00 PM            12,345              b",
       "            12,345 "},
      {{"big file.zip", false, 7340032, noon},
       "07/03/2015  12:00 PM         7,340,032              big file.zip",
       "         7,340,032 "},
      {{"huge", false, 12345678901ULL, noon},
       "07/03/2015  12:00 PM    12,345,678,901              huge",
       "    12,345,678,901 "},
      {{"sub", true, 0, noon},
       "07/03/2015  12:00 PM    <DIR>                       sub",
       "    <DIR>          "},
      {{".", true, 0, noon},
       "07/03/2015  12:00 PM    <DIR>                       .",
       "    <DIR>          "},
      {{"..", true, 0, noon},
       "07/03/2015  12:00 PM    <DIR>                       ..",
       "    <DIR>          "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry.name);
    std::string line = entryLine(c.entry, DirFormat::kShortNames);
    EXPECT_EQ(c.line, line);
    EXPECT_EQ("07/03/2015  12:00 PM", capture_line::dateField(line));
    EXPECT_EQ(c.size_field, capture_line::sizeField(line));
    EXPECT_EQ(c.entry.directory, capture_line::hasDirMark(line));
    EXPECT_EQ(c.entry.name, capture_line::nameText(line));
    EXPECT_EQ(c.entry.name, capture_line::namesFromColumn40(line));

    // The plain layout has no short-name column; the bare one is the name.
    std::string plain = std::string(c.line, 39) + c.entry.name;
    EXPECT_EQ(plain, entryLine(c.entry, DirFormat::kNormal));
    EXPECT_EQ(c.entry.name, entryLine(c.entry, DirFormat::kBare));
  }
}

TEST(DirListingTest, VolumeSerial) {
  EXPECT_EQ("1234-ABCD", volumeSerialText(0x1234ABCDu));
  EXPECT_EQ("0000-0803", volumeSerialText(0x803u));
  // The high half of a wide device number still counts.
  EXPECT_EQ("0000-0003", volumeSerialText(0x100000002ULL));
}

TEST(DirListingTest, WildcardsHaveTheirDosMeaning) {
  struct {
    const char* pattern;
    const char* name;
    bool expected;
  } cases[] = {
      {"*.*", "a.txt", true},
      {"*.*", "README", true},
      {"*.*", "a.b.c", true},
      {"*.*", "trailing.", true},
      {"*", "anything.at.all", true},
      {"*.txt", "a.txt", true},
      {"*.txt", "a.b.txt", true},
      {"*.txt", "a.txt.bak", false},
      {"*.txt", "atxt", false},
      {"*.txt", "A.TXT", false},  // case-sensitive, as the file system
      {"*.", "README", true},
      {"*.", "a.txt", false},
      {"abc.*", "abc", true},
      {"abc.*", "abc.zip", true},
      {"abc.*", "abcd", false},
      {"a?c", "abc", true},
      {"a?c", "ac", false},
      {"a?c", "a.c", false},
      {"a??.txt", "a.txt", true},
      {"a??.txt", "ab.txt", true},
      {"a??.txt", "abcd.txt", false},
      {"?", "", true},
      {"?", "ab", false},
      {"f*e*.z?p", "file name.zip", true},
      {"f*e*.z?p", "fan.zip", false},
      {"**a", "bba", true},
      {"a|b*", "a|b;rm", true},
      {"[ab]*", "a", false},  // brackets are no wildcard
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pattern << " ~ " << c.name);
    EXPECT_EQ(c.expected, matchesPattern(c.pattern, c.name));
  }
}

TEST(DirListingTest, OrderFoldsLettersThenBytes) {
  std::vector<std::string> names = {"b",   "_x", "B",  "a.txt", "A", "ab",
                                    "Zed", "a",  "[z", "10",    "9"};
  std::sort(names.begin(), names.end(), listedBefore);
  // "_" (95) and "[" (91) come after the upper-case letters they are
  // compared with.
  EXPECT_EQ((std::vector<std::string>{"10", "9", "A", "a", "a.txt", "ab", "B",
                                      "b", "Zed", "[z", "_x"}),
            names);
}

}  // namespace
