// The two tools together: the list that wagtails builds, renamed to
// FILES.BBS, gives kestrel a page with one row for every file and
// subdirectory of the area, and no other row.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "testing/page_rows.h"
#include "testing/test_area.h"

namespace {

const std::string kFileDate = "03/14/2024  09:26 PM";
const std::string kDirDate = "12/01/2023  08:05 AM";

// The two lines of a row: a file found (`size` as the listing groups it),
// a directory, a long name.
using Row = std::pair<std::string, std::string>;
Row fileRow(const std::string& name, const std::string& size) {
  return {page_rows::nameLine(name, name),
          page_rows::fileCells(kFileDate, page_rows::sizeField(size))};
}
Row directoryRow(const std::string& name) {
  return {page_rows::nameLine(name, name), page_rows::directoryCells(kDirDate)};
}
Row longNameRow(const std::string& name) {
  return {page_rows::longNameLine(name), page_rows::kLongNameCells};
}

// The opening line of each table row of `page` and the line after it.
std::vector<std::pair<std::string, std::string>> rowsOf(
    const std::string& page) {
  std::vector<std::string> lines;
  std::istringstream in(page);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  std::vector<std::pair<std::string, std::string>> rows;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("<TR><TD", 0) == 0) {
      rows.emplace_back(lines[i],
                        i + 1 < lines.size() ? lines[i + 1] : std::string());
    }
  }
  return rows;
}

// Runs wagtails with `args` in AREA, puts its list in place as FILES.BBS and
// runs kestrel on it; both must end well. `*page` is the page.
void listThenPage(TestArea& area, const std::vector<std::string>& args,
                  std::string* page) {
  TestArea::Result built = area.run(WAGTAILS_PATH, "AREA", false, args);
  ASSERT_EQ(built.exit_code, 0) << built.err;
  std::filesystem::rename(area.path("AREA/filesbbs.new"),
                          area.path("AREA/FILES.BBS"));
  TestArea::Result paged = area.run(KESTREL_PATH, "AREA");
  ASSERT_EQ(paged.exit_code, 0) << paged.err;
  *page = area.readFile("AREA/00_INDEX.HTM");
}

TEST(RoundTripTest, EveryEntryOfTheAreaGetsItsRow) {
  TestArea area;
  const time_t file_time = utcTime(2024, 3, 14, 21, 26);
  const time_t dir_time = utcTime(2023, 12, 1, 8, 5);
  area.makeDirectory("AREA");
  const struct {
    const char* name;
    size_t size;
  } files[] = {
      {"README.TXT", 1234},
      {"game.zip", 56789},
      {"ABCDEFGH.ZIP", 7},   // 12 characters: looked up
      {"ABCDEFGHI.ZIP", 8},  // 13 characters: a long-name row
      {"Long-Description-File.zip", 1},
  };
  for (const auto& file : files) {
    std::string path = std::string("AREA/") + file.name;
    area.writeFile(path, std::string(file.size, 'x'));
    area.setTime(path, file_time);
  }
  for (const char* dir : {"DOCS", "old_versions_2019"}) {
    std::string path = std::string("AREA/") + dir;
    area.makeDirectory(path);
    area.writeFile(path + "/inner.txt", "inside");
    area.setTime(path, dir_time);
  }

  std::string page;
  ASSERT_NO_FATAL_FAILURE(listThenPage(area, {}, &page));
  const std::vector<std::pair<std::string, std::string>> expected = {
      fileRow("ABCDEFGH.ZIP", "7"),
      longNameRow("ABCDEFGHI.ZIP"),
      directoryRow("DOCS"),
      fileRow("game.zip", "56,789"),
      longNameRow("Long-Description-File.zip"),
      longNameRow("old_versions_2019"),
      fileRow("README.TXT", "1,234"),
  };
  EXPECT_EQ(rowsOf(page), expected) << page;
  EXPECT_EQ(page.find("NOT found!"), std::string::npos);
}

// A new upload: the updated list, put in place, keeps the keeper's
// descriptions on the page and gives the new file a row of its own.
TEST(RoundTripTest, UpdatedListKeepsTheDescriptions) {
  TestArea area;
  area.makeDirectory("AREA");
  area.writeFile("AREA/GAME.ZIP", "game");
  area.writeFile("AREA/NEW.ZIP", "new upload");
  area.writeFile("AREA/FILES.BBS", "GAME.ZIP  The keeper's words\r\n");

  std::string page;
  ASSERT_NO_FATAL_FAILURE(listThenPage(area, {"--update"}, &page));
  EXPECT_NE(page.find("The keeper's words"), std::string::npos) << page;
  EXPECT_NE(page.find(page_rows::nameLine("NEW.ZIP", "NEW.ZIP")),
            std::string::npos)
      << page;
  EXPECT_EQ(page.find("NOT found!"), std::string::npos);
}

}  // namespace
