// An area of today's names run through both tools with --modern: long
// names, blanks, "&", UTF-8 names and descriptions, a subdirectory with a
// blank. wagtails lists every name whole, the keeper adds descriptions, and
// kestrel gives every entry its found or directory row.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "testing/html_references.h"
#include "testing/page_rows.h"
#include "testing/test_area.h"

namespace {

const std::string kFileDate = "03/14/2024  09:26 PM";
const std::string kDirDate = "12/01/2023  08:05 AM";

struct Entry {
  std::string name;
  bool directory;
  size_t size;              // files only
  std::string list_line;    // as wagtails --modern writes it
  std::string description;  // what the keeper adds, UTF-8
};

const std::vector<Entry>& areaEntries() {
  static const std::vector<Entry> entries = {
      {"A very long name for a file.tar.gz", false, 1234567,
       "\"A very long name for a file.tar.gz\"", "Archive d'\xc3\xa9t\xc3\xa9"},
      {"Disk Utilities Pack.zip", false, 56789, "\"Disk Utilities Pack.zip\"",
       "Disk tools \xe2\x80\x93 caf\xc3\xa9 \xe2\x98\x95"},
      {"docs", true, 0, "\\docs",
       "Handb\xc3\xbc"
       "cher"},
      {"long-name-without-blanks-2024.zip", false, 3,
       "long-name-without-blanks-2024.zip", "\xe6\x97\xa5\xe6\x9c\xac"},
      {"Old releases 2019", true, 0, "\\\"Old releases 2019\"",
       "\xc3\x84ltere Versionen"},
      {"Q&A.pdf", false, 12, "Q&A.pdf", "Questions & answers"},
      {"README.TXT", false, 7, "README.TXT", "Read me first"},
      {"r\xc3\xa9sum\xc3\xa9.txt", false, 42, "r\xc3\xa9sum\xc3\xa9.txt",
       "Lebenslauf \xc2\xbb neu \xc2\xab"},
  };
  return entries;
}

void layOut(TestArea* area) {
  area->makeDirectory("AREA");
  for (const Entry& entry : areaEntries()) {
    std::string path = "AREA/" + entry.name;
    if (entry.directory) {
      area->makeDirectory(path);
      area->writeFile(path + "/inner.txt", "inside");
      area->setTime(path, utcTime(2023, 12, 1, 8, 5));
    } else {
      area->writeFile(path, std::string(entry.size, 'x'));
      area->setTime(path, utcTime(2024, 3, 14, 21, 26));
    }
  }
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string percentDecoded(const std::string& target) {
  std::string out;
  for (size_t i = 0; i < target.size(); ++i) {
    if (target[i] == '%' && i + 2 < target.size()) {
      out += static_cast<char>(
          std::strtol(target.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += target[i];
    }
  }
  return out;
}

// "12,345" for 12345.
std::string grouped(size_t value) {
  std::string digits = std::to_string(value);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
    digits.insert(static_cast<size_t>(at), ",");
  return digits;
}

// The page without its generation time, which moves on between runs.
std::string withoutTime(const std::string& page) {
  std::string out;
  for (const std::string& line : linesOf(page))
    if (line.find("as of &nbsp;") == std::string::npos) out += line + "\n";
  return out;
}

class ModernAreaTest : public testing::Test {
 protected:
  void SetUp() override { layOut(&area_); }

  // wagtails --modern lists every entry whole.
  void buildList() {
    TestArea::Result built =
        area_.run(WAGTAILS_PATH, "AREA", false, {"--modern"});
    ASSERT_EQ(0, built.exit_code) << built.err;
    std::vector<std::string> lines =
        linesOf(area_.readFile("AREA/filesbbs.new"));
    std::vector<std::string> expected;
    for (const Entry& entry : areaEntries())
      expected.push_back(entry.list_line);
    ASSERT_EQ(expected, lines);
    std::filesystem::remove(area_.path("AREA/filesbbs.new"));
  }

  // The list with the keeper's descriptions added, with `line_end`.
  void writeList(const std::string& line_end) {
    std::string list;
    for (const Entry& entry : areaEntries())
      list += entry.list_line + "  " + entry.description + line_end;
    area_.writeFile("AREA/FILES.BBS", list);
  }

  TestArea area_;
};

TEST_F(ModernAreaTest, EveryEntryIsFoundWithItsDescription) {
  buildList();
  writeList("\r\n");
  TestArea::Result paged = area_.run(KESTREL_PATH, "AREA", false,
                                     {"--modern", "Caf\xc3\xa9", "Area"});
  ASSERT_EQ(0, paged.exit_code) << paged.err;
  // The interpreter's messages (the first run finds no earlier capture to
  // delete) stay off standard error without a terminal.
  EXPECT_EQ("", paged.err);
  const std::string page = area_.readFile("AREA/00_INDEX.HTM");
  EXPECT_TRUE(html::isUtf8(page));
  std::vector<std::string> lines = linesOf(page);
  ASSERT_LE(4u, lines.size());
  EXPECT_EQ("<HEAD>", lines[1]);
  EXPECT_EQ("<META charset=\"utf-8\">", lines[2]);
  EXPECT_EQ("<TITLE>  - Area: Caf\xc3\xa9 Area</TITLE>", lines[3]);
  EXPECT_EQ(std::string::npos, page.find("NOT found!"));
  EXPECT_EQ(std::string::npos, page.find("{ LFN }"));

  std::set<std::string> linked;
  size_t row = 0;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i].rfind("<TR><TD", 0) != 0) continue;
    ASSERT_LT(row, areaEntries().size()) << lines[i];
    const Entry& entry = areaEntries()[row++];
    SCOPED_TRACE(entry.name);
    size_t href = lines[i].find("HREF=\"") + 6;
    std::string target = lines[i].substr(href, lines[i].find('"', href) - href);
    EXPECT_TRUE(
        std::filesystem::exists(area_.path("AREA/" + percentDecoded(target))))
        << target;
    linked.insert(percentDecoded(target));
    std::string cells =
        entry.directory
            ? page_rows::directoryCells(kDirDate)
            : page_rows::fileCells(kFileDate,
                                   page_rows::sizeField(grouped(entry.size)));
    EXPECT_EQ(cells, lines[i + 1]);
    EXPECT_NE(std::string::npos,
              page.find(page_rows::descriptionCell(" " + entry.description)));
  }
  EXPECT_EQ(areaEntries().size(), row);
  EXPECT_EQ(areaEntries().size(), linked.size());

  // The same list saved with LF line ends gives the same page.
  writeList("\n");
  TestArea::Result again = area_.run(KESTREL_PATH, "AREA", false,
                                     {"--modern", "Caf\xc3\xa9", "Area"});
  ASSERT_EQ(0, again.exit_code) << again.err;
  EXPECT_EQ("", again.err);  // the scratch capture is there now
  EXPECT_EQ(withoutTime(page),
            withoutTime(area_.readFile("AREA/00_INDEX.HTM")));
}

// Without a list, kestrel --modern makes one of the bare names, each
// written as wagtails --modern writes it, and finds every entry.
TEST_F(ModernAreaTest, MadeListQuotesNamesWithBlanks) {
  TestArea::Result paged = area_.run(KESTREL_PATH, "AREA", false, {"--modern"});
  ASSERT_EQ(0, paged.exit_code) << paged.err;
  // The interpreter's messages (the first run finds no earlier capture to
  // delete) stay off standard error without a terminal.
  EXPECT_EQ("", paged.err);
  std::vector<std::string> expected;
  for (const Entry& entry : areaEntries()) {
    expected.push_back(entry.list_line.substr(entry.directory ? 1 : 0));
    if (entry.name == "docs") expected.push_back("FILES.BBS");
  }
  EXPECT_EQ(expected, linesOf(area_.readFile("AREA/FILES.BBS")));
  const std::string page = area_.readFile("AREA/00_INDEX.HTM");
  EXPECT_EQ(std::string::npos, page.find("NOT found!")) << page;
  for (const Entry& entry : areaEntries()) {
    SCOPED_TRACE(entry.name);
    EXPECT_NE(std::string::npos,
              page.find(entry.directory ? kDirDate : kFileDate));
  }
}

// Without the option an LF list is still one line, but the keeper is told
// once why and what to do.
TEST_F(ModernAreaTest, ClassicRunWarnsOfLfLineEnds) {
  area_.writeFile("AREA/FILES.BBS", "README.TXT  one\ndocs  two\nx\n");
  TestArea::Result paged = area_.run(KESTREL_PATH, "AREA");
  ASSERT_EQ(0, paged.exit_code) << paged.err;
  EXPECT_EQ(
      "kestrel: FILES.BBS has LF line ends, so its lines run together; "
      "convert it to CR LF line ends (for example with unix2dos) or run "
      "kestrel --modern\n",
      paged.err);
  EXPECT_EQ(std::string::npos,
            area_.readFile("AREA/00_INDEX.HTM").find("<META"));

  area_.writeFile("AREA/FILES.BBS", "README.TXT  one\r\ndocs  two\r\n");
  EXPECT_EQ("", area_.run(KESTREL_PATH, "AREA").err);
}

// Names that a bare list line would change: each stands in quotes, "" for
// a quote of its own, and reads back whole. A real README.TXT lies beside
// "README.TXT", whose row must not show it.
struct QuotedEntry {
  std::string name;
  bool directory;
  std::string list_line;  // as wagtails --modern writes it
  int minute;             // of its time, so that each row shows its own
};

const std::vector<QuotedEntry>& quotedEntries() {
  static const std::vector<QuotedEntry> entries = {
      {"\"", false, "\"\"\"\"", 1},
      {"\"README.TXT\"", false, "\"\"\"README.TXT\"\"\"", 2},
      {" lead", false, "\" lead\"", 3},
      {"trail ", false, "\"trail \"", 4},
      {"a b", false, "\"a b\"", 5},
      {"say \"hi\".txt", false, "\"say \"\"hi\"\".txt\"", 6},
      {"-dash.txt", false, "\"-dash.txt\"", 7},
      {"README.TXT", false, "README.TXT", 8},
      {"say\"hi\".txt", false, "say\"hi\".txt", 9},
      {"\177DEL", false, "\"\177DEL\"", 12},
      {"say \"dir\"", true, "\\\"say \"\"dir\"\"\"", 10},
      {"\"docs\"", true, "\\\"\"\"docs\"\"\"", 11},
  };
  return entries;
}

// The date and size cells that `entry`'s row must show.
std::string cellsOf(const QuotedEntry& entry, size_t size) {
  std::string date =
      "03/14/2024  09:" + std::string(entry.minute < 10 ? "0" : "") +
      std::to_string(entry.minute) + " AM";
  if (entry.directory) return page_rows::directoryCells(date);
  return page_rows::fileCells(date, page_rows::sizeField(std::to_string(size)));
}

class QuotedNamesTest : public testing::Test {
 protected:
  void SetUp() override {
    area_.makeDirectory("AREA");
    size_t size = 1;
    for (const QuotedEntry& entry : quotedEntries()) {
      std::string path = "AREA/" + entry.name;
      if (entry.directory) {
        area_.makeDirectory(path);
      } else {
        area_.writeFile(path, std::string(size++, 'x'));
      }
      area_.setTime(path, utcTime(2024, 3, 14, 9, entry.minute));
    }
  }

  // Every entry has exactly one row, its own: the link's target and text
  // read back as its name, and the cells show its own date and size.
  void expectOwnRows(const std::string& page) {
    std::vector<std::string> lines = linesOf(page);
    size_t size = 1;
    for (const QuotedEntry& entry : quotedEntries()) {
      SCOPED_TRACE("[" + entry.name + "]");
      std::string cells = cellsOf(entry, entry.directory ? 0 : size++);
      int rows = 0;
      for (size_t i = 0; i + 1 < lines.size(); ++i) {
        std::string target, text;
        if (!nameCell(lines[i], &target, &text) || target != entry.name)
          continue;
        ++rows;
        EXPECT_EQ(entry.name, text);
        EXPECT_EQ(cells, lines[i + 1]);
      }
      EXPECT_EQ(1, rows) << page;
    }
    EXPECT_EQ(std::string::npos, page.find("NOT found!")) << page;
  }

  // The link target and text of a row's name cell, as a browser reads them.
  static bool nameCell(const std::string& line, std::string* target,
                       std::string* text) {
    const std::string open =
        "<TR><TD><FONT SIZE=3 FACE=Helvetica,Georgia><B>"
        "<A HREF=\"";
    if (line.rfind(open, 0) != 0) return false;
    size_t end = line.find("\">", open.size());
    size_t close = line.find("</A>", end);
    if (end == std::string::npos || close == std::string::npos) return false;
    *target = html::percentDecoded(
        html::decodeReferences(line.substr(open.size(), end - open.size()),
                               html::Context::kAttribute));
    *text = html::decodeReferences(line.substr(end + 2, close - end - 2),
                                   html::Context::kText);
    return true;
  }

  TestArea area_;
};

TEST_F(QuotedNamesTest, WagtailsListReadsBackWhole) {
  TestArea::Result built =
      area_.run(WAGTAILS_PATH, "AREA", false, {"--modern"});
  ASSERT_EQ(0, built.exit_code) << built.err;
  EXPECT_EQ("", built.err);
  std::multiset<std::string> expected;
  for (const QuotedEntry& entry : quotedEntries())
    expected.insert(entry.list_line);
  std::vector<std::string> lines = linesOf(area_.readFile("AREA/filesbbs.new"));
  EXPECT_EQ(expected, std::multiset<std::string>(lines.begin(), lines.end()));

  std::filesystem::rename(area_.path("AREA/filesbbs.new"),
                          area_.path("AREA/FILES.BBS"));
  TestArea::Result paged = area_.run(KESTREL_PATH, "AREA", false, {"--modern"});
  ASSERT_EQ(0, paged.exit_code) << paged.err;
  expectOwnRows(area_.readFile("AREA/00_INDEX.HTM"));
}

TEST_F(QuotedNamesTest, MadeListReadsBackWhole) {
  TestArea::Result paged = area_.run(KESTREL_PATH, "AREA", false, {"--modern"});
  ASSERT_EQ(0, paged.exit_code) << paged.err;
  // The interpreter's messages (the first run finds no earlier capture to
  // delete) stay off standard error without a terminal.
  EXPECT_EQ("", paged.err);
  expectOwnRows(area_.readFile("AREA/00_INDEX.HTM"));
}

}  // namespace
