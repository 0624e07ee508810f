// End-to-end runs of kestrel --modern on small areas shaped like the ones
// keepers copy from DOS-era systems: lists in another case than the disk,
// names set off by TABs, quoted dot names, and areas described in
// DESCRIPT.ION instead of FILES.BBS.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "testing/page_rows.h"
#include "testing/test_area.h"
#include "testing/test_drive.h"  // captureLines

namespace {

const std::string kKestrel = KESTREL_PATH;

using page_rows::descriptionCell;
using page_rows::kNotFoundCells;
using page_rows::nameLine;

// The date of the area's files and directories: 2024-03-14 09:`minute`.
std::string dateOf(int minute) {
  return "03/14/2024  09:" + std::to_string(10 + minute) + " AM";
}

// The date and size cells of a file of `size` bytes ("1,234" form) dated
// by `minute`, or of a directory of that date.
std::string fileCells(int minute, const std::string& size) {
  return page_rows::fileCells(dateOf(minute), page_rows::sizeField(size));
}
std::string dirCells(int minute) {
  return page_rows::directoryCells(dateOf(minute));
}

// The lines of a page, without their CR LF.
std::vector<std::string> pageLines(const std::string& page) {
  return captureLines(page);
}

// The rows of a page: each name cell with the line after it.
std::vector<std::string> rowsOf(const std::string& page) {
  std::vector<std::string> lines = pageLines(page);
  std::vector<std::string> rows;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    if (lines[i].rfind("<TR><TD>", 0) == 0)
      rows.push_back(lines[i] + "\n" + lines[i + 1]);
  }
  return rows;
}

// The page without its generation time, which moves on between runs.
std::string withoutTime(const std::string& page) {
  std::string out;
  for (const std::string& line : pageLines(page))
    if (line.find("as of &nbsp;") == std::string::npos) out += line + "\n";
  return out;
}

class ModernListsTest : public testing::Test {
 protected:
  void SetUp() override { area_.makeDirectory("AREA"); }

  // A file of `size` bytes, dated by `minute` as `fileCells` shows it.
  void file(const std::string& name, size_t size, int minute) {
    area_.writeFile("AREA/" + name, std::string(size, 'x'));
    area_.setTime("AREA/" + name, utcTime(2024, 3, 14, 9, 10 + minute));
  }
  void directory(const std::string& name, int minute) {
    area_.makeDirectory("AREA/" + name);
    area_.writeFile("AREA/" + name + "/inner.txt", "inside");
    area_.setTime("AREA/" + name, utcTime(2024, 3, 14, 9, 10 + minute));
  }

  // Runs kestrel --modern in the area; the run must end well, and without
  // a terminal print nothing (what its lookups say is shown at a terminal
  // only).
  std::string modernPage() {
    TestArea::Result run = area_.run(kKestrel, "AREA", false, {"--modern"});
    EXPECT_EQ(0, run.exit_code) << run.err;
    EXPECT_EQ("", run.err);
    return area_.readFile("AREA/00_INDEX.HTM");
  }

  TestArea area_;
};

// A DOS list in lower case over upper-case files and a subdirectory: each
// row is found, links to the name on disk (escaped as every link target is)
// and shows the list's name; the scratch files are left as the last entry's
// lookup under its name on disk made them.
TEST_F(ModernListsTest, LowerCaseListFindsUpperCaseEntries) {
  file("README.TXT", 10, 1);
  file("Q&A LIST.TXT", 300, 2);
  file("EDIT21.ZIP", 2000, 3);
  directory("DOCS", 4);
  area_.writeFile("AREA/FILES.BBS",
                  "readme.txt   Read this first\r\n"
                  "\\docs        Manuals\r\n"
                  "\"q&a list.txt\" Questions\r\n"
                  "missing.txt  Gone\r\n"
                  "edit21.zip   Editor\r\n");
  std::string page = modernPage();
  std::vector<std::string> expected = {
      nameLine("README.TXT", "readme.txt") + "\n" + fileCells(1, "10"),
      nameLine("DOCS", "docs") + "\n" + dirCells(4),
      nameLine("Q%26A%20LIST.TXT", "q&amp;a list.txt") + "\n" +
          fileCells(2, "300"),
      nameLine("missing.txt", "missing.txt") + "\n" + kNotFoundCells,
      nameLine("EDIT21.ZIP", "edit21.zip") + "\n" + fileCells(3, "2,000"),
  };
  EXPECT_EQ(expected, rowsOf(page));
  for (const char* description :
       {" Read this first", " Manuals", " Questions", " Gone"}) {
    EXPECT_NE(std::string::npos, page.find(descriptionCell(description)))
        << description;
  }

  EXPECT_EQ("@del \\$DIR$\r\n@cmd /c DIR /X \"EDIT21.ZIP\" >\\$DIR$\r\n",
            area_.readFile("$DIR$.BAT"));
  std::vector<std::string> capture = captureLines(area_.readFile("$DIR$"));
  ASSERT_EQ(8u, capture.size());
  EXPECT_EQ("03/14/2024  09:13 AM             2,000" + std::string(14, ' ') +
                "EDIT21.ZIP",
            capture[5]);

  // Without the option the list's case must match, as it always had to.
  TestArea::Result classic = area_.run(kKestrel, "AREA");
  ASSERT_EQ(0, classic.exit_code) << classic.err;
  std::string classic_page = area_.readFile("AREA/00_INDEX.HTM");
  EXPECT_NE(std::string::npos,
            classic_page.find(nameLine("readme.txt", "readme.txt") + "\r\n" +
                              kNotFoundCells));
  EXPECT_EQ(std::string::npos, classic_page.find("README.TXT"));
}

// Two names on disk that differ only in case: a list name that matches one
// exactly gets that one; any other case gets the first in listing order.
TEST_F(ModernListsTest, ExactNameWinsOverAnotherCase) {
  file("README.TXT", 1, 1);
  file("Readme.txt", 22, 2);
  directory("Docs", 3);
  directory("DOCS", 4);
  area_.writeFile("AREA/FILES.BBS",
                  "Readme.txt one\r\nreadme.TXT two\r\nREADME.TXT three\r\n"
                  "\\Docs four\r\n\\docs five\r\n");
  std::vector<std::string> expected = {
      nameLine("Readme.txt", "Readme.txt") + "\n" + fileCells(2, "22"),
      nameLine("README.TXT", "readme.TXT") + "\n" + fileCells(1, "1"),
      nameLine("README.TXT", "README.TXT") + "\n" + fileCells(1, "1"),
      nameLine("Docs", "Docs") + "\n" + dirCells(3),
      nameLine("DOCS", "docs") + "\n" + dirCells(4),
  };
  EXPECT_EQ(expected, rowsOf(modernPage()));
}

// A name set off from its description by a TAB ends there, bare or quoted;
// a TAB within the description stays in it, and a closed row's cell shows
// it as a blank, as it shows every control byte.
TEST_F(ModernListsTest, TabEndsAName) {
  directory("ms-vscode.live-server", 1);
  file("Disk Pack.zip", 5, 2);
  file("last.txt", 6, 3);
  area_.writeFile("AREA/FILES.BBS",
                  "ms-vscode.live-server\t   Hosts a server\n"
                  "\"Disk Pack.zip\"\tTools\tand more\n"
                  "last.txt\n");
  std::string page = modernPage();
  std::vector<std::string> expected = {
      nameLine("ms-vscode.live-server", "ms-vscode.live-server") + "\n" +
          dirCells(1),
      nameLine("Disk%20Pack.zip", "Disk Pack.zip") + "\n" + fileCells(2, "5"),
      nameLine("last.txt", "last.txt") + "\n" + fileCells(3, "6"),
  };
  EXPECT_EQ(expected, rowsOf(page));
  EXPECT_NE(std::string::npos, page.find(descriptionCell(" Hosts a server")));
  EXPECT_NE(std::string::npos, page.find(descriptionCell(" Tools and more")));
}

// A dot name in quotes is skipped as a bare one is, marked as a directory
// or not; the entries around it keep their rows.
TEST_F(ModernListsTest, QuotedDotNameIsSkipped) {
  directory(".github", 1);
  file("README.TXT", 7, 2);
  area_.writeFile("AREA/FILES.BBS",
                  "\".github\" Templates\r\n\\\".github\" Again\r\n"
                  "\".git hooks\"\r\nREADME.TXT Read me\r\n");
  std::string page = modernPage();
  std::vector<std::string> expected = {nameLine("README.TXT", "README.TXT") +
                                       "\n" + fileCells(2, "7")};
  EXPECT_EQ(expected, rowsOf(page));
  EXPECT_EQ(std::string::npos, page.find("git"));
  EXPECT_EQ(std::string::npos, page.find("Templates"));
}

// An area described in DESCRIPT.ION: long names in quotes, lower-case names,
// the manager's data after Ctrl-D. The page is the one that FILES.BBS
// holding the same lines without that data gives, and no FILES.BBS is made.
TEST_F(ModernListsTest, DescriptIonArea) {
  file("Disk Utilities Pack.zip", 5, 1);
  file("README.TXT", 7, 2);
  directory("DOCS", 3);
  const std::string descriptions =
      "readme.txt Read this first\x04\xc2\x01\x02\r\n"
      "\"Disk Utilities Pack.zip\" Disk tools\x04\xff\x03manager data\r\n"
      "docs Manuals\r\n"
      "missing.txt\x04\r\n";
  area_.writeFile("AREA/DESCRIPT.ION", descriptions);
  std::string page = modernPage();
  EXPECT_FALSE(area_.exists("AREA/FILES.BBS"));
  EXPECT_EQ(descriptions, area_.readFile("AREA/DESCRIPT.ION"));
  std::vector<std::string> expected = {
      nameLine("README.TXT", "readme.txt") + "\n" + fileCells(2, "7"),
      nameLine("Disk%20Utilities%20Pack.zip", "Disk Utilities Pack.zip") +
          "\n" + fileCells(1, "5"),
      nameLine("DOCS", "docs") + "\n" + dirCells(3),
      nameLine("missing.txt", "missing.txt") + "\n" + kNotFoundCells,
  };
  EXPECT_EQ(expected, rowsOf(page));
  EXPECT_EQ(std::string::npos, page.find("manager data"));

  // FILES.BBS, when there is one, is the list, whatever DESCRIPT.ION says.
  area_.writeFile("AREA/FILES.BBS",
                  "readme.txt Read this first\r\n"
                  "\"Disk Utilities Pack.zip\" Disk tools\r\n"
                  "docs Manuals\r\nmissing.txt\r\n");
  area_.writeFile("AREA/DESCRIPT.ION", "readme.txt Something else\r\n");
  EXPECT_EQ(withoutTime(page),
            withoutTime(modernPage()));
}

// A DESCRIPT.ION that cannot be read is reported at the list's step with a
// line that names it; no FILES.BBS is made to stand for it. Without the
// option such an area gets its list made, as every area without one does.
TEST_F(ModernListsTest, UnreadableDescriptIon) {
  file("README.TXT", 7, 1);
  ASSERT_EQ(0, mkfifo(area_.path("AREA/DESCRIPT.ION").c_str(), 0644));
  TestArea::Result run = area_.run(kKestrel, "AREA", false, {"--modern"});
  EXPECT_EQ(1, run.exit_code);
  EXPECT_EQ(
      " \xE2\x88\x9E Internal Error: Line 1020   Code 75  = Path/file access "
      "error\nkestrel: cannot read the list DESCRIPT.ION in " +
          area_.path("AREA") +
          ": Path/file access error\nkestrel: the area has no FILES.BBS, and "
          "its DESCRIPT.ION could not be read\n",
      run.err);
  EXPECT_FALSE(area_.exists("AREA/FILES.BBS"));
  EXPECT_FALSE(area_.exists("AREA/00_INDEX.HTM"));

  TestArea::Result classic = area_.run(kKestrel, "AREA");
  EXPECT_EQ(0, classic.exit_code) << classic.err;
  EXPECT_TRUE(area_.exists("AREA/FILES.BBS"));
}

}  // namespace
