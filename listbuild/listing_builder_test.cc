// End-to-end runs of the wagtails binary in a throw-away drive root.
#include "listbuild/listing_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/console.h"
#include "runtime/step_guard.h"
#include "shell/tool_run.h"
#include "testing/failing_os.h"
#include "testing/test_area.h"
#include "testing/test_drive.h"

namespace {

constexpr char kList[] = "filesbbs.new";
constexpr char kSuccess[] = "";  // no console: a good run shows nothing

// The last line of a stream, without its line end.
std::string lastLine(const std::string& stream) {
  std::string s = stream;
  if (!s.empty() && s.back() == '\n') s.pop_back();
  size_t start = s.rfind('\n');
  return start == std::string::npos ? s : s.substr(start + 1);
}

// The text lines a terminal shows for `sent`: colour sequences and CRs
// dropped, split at the line feeds.
std::vector<std::string> shownLines(const std::string& sent) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < sent.size(); ++i) {
    if (sent[i] == '\x1b' && i + 1 < sent.size() && sent[i + 1] == '[') {
      i += 2;
      while (i < sent.size() && (sent[i] < 0x40 || sent[i] > 0x7e)) ++i;
    } else if (sent[i] == '\n') {
      lines.emplace_back();
    } else if (sent[i] != '\r') {
      lines.back() += sent[i];
    }
  }
  if (lines.back().empty()) lines.pop_back();
  return lines;
}

// Lays out `entries` in the directory `dir` below the root; a name ending
// in "/" is a subdirectory.
void layOut(TestArea& area, const std::string& dir,
            const std::vector<std::string>& entries) {
  for (const std::string& entry : entries) {
    std::string path = dir.empty() ? entry : dir + "/" + entry;
    if (!path.empty() && path.back() == '/') {
      area.makeDirectory(path.substr(0, path.size() - 1));
    } else {
      area.writeFile(path, "contents of " + entry + "\r\n");
    }
  }
}

TEST(ListingBuilderTest, ListsTheEntriesOfADirectory) {
  const struct {
    const char* what;
    std::vector<std::string> entries;
    std::string expected;
  } cases[] = {
      {"empty directory", {}, ""},
      {"8.3 names", {"README.TXT", "game.zip"}, "game.zip\r\nREADME.TXT\r\n"},
      {"long names",
       {"Long-Description-File.zip", "A Long Name.txt"},
       "A Long Name.txt\r\nLong-Description-File.zip\r\n"},
      {"subdirectories",
       {"DOCS/", "old_versions_2019/", "DOCS/inner.txt"},
       "\\DOCS\r\n\\old_versions_2019\r\n"},
      {"hidden names", {".hidden", ".cache/", "SEEN.TXT"}, "SEEN.TXT\r\n"},
      {"13th character of a subdirectory name a blank",
       {"Old_releases 2019/", "Old_release 2019/"},
       "\\Old_release 2019\r\n\\Old_releases \\2019\r\n"},
      {"entries in upper-cased name order",
       {"b.txt", "A.TXT", "c/", "_x.txt"},
       "A.TXT\r\nb.txt\r\n\\c\r\n_x.txt\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestArea area;
    area.makeDirectory("AREA");
    layOut(area, "AREA", c.entries);

    TestArea::Result result = area.run(WAGTAILS_PATH, "AREA");

    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out, kSuccess);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(area.readFile(std::string("AREA/") + kList), c.expected);
  }
}

TEST(ListingBuilderTest, RunInTheDriveRootLeavesOutItsCapture) {
  TestArea area;
  layOut(area, "", {"zeta.zip", "FILES.BBS", "UPLOADS/"});
  area.writeFile(kList, "OLD.ZIP  An earlier list\r\n");

  TestArea::Result result = area.run(WAGTAILS_PATH, "");

  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(area.exists("$lvtr$.txt"));
  EXPECT_EQ(area.readFile(kList),
            "FILES.BBS\r\nfilesbbs.new\r\n\\UPLOADS\r\nzeta.zip\r\n");
}

// A run that cannot do its work says so on standard error, ends with exit
// code 1 and leaves the keeper's list as it was.
TEST(ListingBuilderTest, FailureKeepsTheListAndIsReported) {
  const std::string kKeepersList = "GAME.ZIP  The keeper's own words\r\n";
  const struct {
    const char* what;
    bool root_writable;
    bool area_writable;
    const char* earlier_capture_mode;  // nullptr: no earlier capture
    std::string expected_line;
    bool area_readable = true;
  } cases[] = {
      {"drive root not writable", false, true, nullptr,
       "Directory listing failed: Permission denied in the drive root ROOT"},
      {"earlier capture that cannot be read", false, true, "0000",
       "Directory listing failed: Permission denied in the drive root ROOT"},
      {"earlier capture that cannot be replaced", false, true, "0444",
       "Directory listing failed: Permission denied in the drive root ROOT"},
      {"list cannot be written", true, false, nullptr,
       "Writing FilesBBS.New failed: Permission denied"},
      // The drive root takes the capture, but the directory cannot be
      // listed: the dir command's own failure is named.
      {"directory cannot be read", true, true, nullptr,
       "Directory listing failed: the dir command ended with exit code 1",
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestArea area;
    area.makeDirectory("AREA");
    area.writeFile("AREA/NEW.ZIP", "new upload");
    area.writeFile(std::string("AREA/") + kList, kKeepersList);
    if (c.earlier_capture_mode != nullptr) {
      area.writeFile("$lvtr$.txt", " Volume in drive C is STALE\r\n");
      area.setMode("$lvtr$.txt", std::stoi(c.earlier_capture_mode, nullptr, 8));
    }
    // The modes hold the run back whoever owns the files: the owner's bits
    // are the others'.
    area.setMode("", c.root_writable ? 0777 : 0555);
    if (c.area_writable) {
      area.setMode("AREA", c.area_readable ? 0777 : 0333);
      area.setMode(std::string("AREA/") + kList, 0666);
    } else {
      area.setMode("AREA", 0555);
      area.setMode(std::string("AREA/") + kList, 0444);
    }

    TestArea::Result result = area.run(WAGTAILS_PATH, "AREA", true);
    // To be read and removed again.
    area.setMode("AREA", 0755);
    area.setMode("", 0755);

    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(lastLine(result.err),
              replaceAll(c.expected_line, "ROOT", area.root()));
    EXPECT_EQ(area.readFile(std::string("AREA/") + kList), kKeepersList);
  }
}

// A failure that leaves the run's own memory in doubt (241 and above) ends
// the run at once, in whatever step it comes: no closing line, no list put
// in place, and the run's end (ToolRun::finish, as wagtails' main ends it)
// is exit code 255. The run is made in process, with the operation failing
// on demand, in a child without a terminal.
TEST(ListingBuilderTest, FailureWithMemoryInDoubtEndsTheRunWith255) {
  const std::string kKeepersList = "GAME.ZIP  The keeper's own words\r\n";
  constexpr ErrorNumber kCorrupt = kGlobalMemoryCorrupt;
  const struct {
    const char* what;
    std::vector<Fault> faults;
    int code;
  } cases[] = {
      {"nothing fails", {}, 0},
      {"listing cannot be made",
       {{Operation::kRun, "dir", "", 1, kCorrupt}},
       255},
      {"capture cannot be read",
       {{Operation::kRead, "$lvtr$.txt", "", 1, kCorrupt}},
       255},
      {"list cannot be written",
       {{Operation::kWrite, kList, "", 1, kCorrupt}},
       255},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestDrive drive;
    drive.writeFile("AREA/NEW.ZIP", "new upload");
    drive.writeFile(std::string("AREA/") + kList, kKeepersList);
    ChildRun run = runInChild(
        [&] {
          ToolRun tool;
          auto host = std::make_unique<FailingHost>(c.faults);
          auto files = std::make_unique<FileTable>(tool.errors(), host->paths(),
                                                   host->files());
          Console console;
          int code = listbuild::ListingBuilder(console, tool.errors(), *files,
                                               host->commands())
                         .run();
          if (tool.errors().fatal()) {
            // What a run that ends at once holds stays as it is.
            leaveAsItIs(std::move(files));
            leaveAsItIs(std::move(host));
          }
          return tool.finish(code);
        },
        /*as_nobody=*/false);
    EXPECT_EQ(c.code, run.code);
    if (c.code == 0) {
      EXPECT_EQ("filesbbs.new\r\nNEW.ZIP\r\n",
                drive.readFile(std::string("AREA/") + kList));
      continue;
    }
    EXPECT_EQ("", run.out);
    EXPECT_EQ("", run.err);
    EXPECT_EQ(kKeepersList, drive.readFile(std::string("AREA/") + kList));
  }
}

// Help and version answer on standard output; any other argument is
// refused with the usage on standard error. None of them lists anything or
// writes a file.
TEST(ListingBuilderTest, ArgumentsTouchNoFile) {
  const struct {
    std::vector<std::string> args;
    int expected_exit_code;
    std::string expected_out;  // its first line
    std::string expected_err;  // its first line
  } cases[] = {
      {{"--help"}, 0, "Usage: wagtails", ""},
      {{"-h"}, 0, "Usage: wagtails", ""},
      {{"--version"}, 0, "wagtails 1.0", ""},
      {{"UPLOADS"}, 2, "", "wagtails: unexpected arguments: UPLOADS"},
      {{"--help", "-h"}, 2, "", "wagtails: unexpected arguments: --help -h"},
      {{"--"}, 2, "", "wagtails: unexpected arguments: --"},
      {{"--update", "--update"},
       2,
       "",
       "wagtails: unexpected arguments: --update"},
      {{"--modern", "--update", "--modern"},
       2,
       "",
       "wagtails: unexpected arguments: --modern"},
      {{"--update", "AREA"}, 2, "", "wagtails: unexpected arguments: AREA"},
      {{"--update=yes"}, 2, "", "wagtails: unexpected arguments: --update=yes"},
  };
  auto firstLine = [](const std::string& s) {
    return s.substr(0, s.find('\n'));
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    TestArea area;
    area.makeDirectory("AREA");
    layOut(area, "AREA", {"GAME.ZIP", "UPLOADS/"});
    area.writeFile(std::string("AREA/") + kList, "GAME.ZIP  Kept\r\n");
    const std::vector<std::string> before = area.contents();

    TestArea::Result result = area.run(WAGTAILS_PATH, "AREA", false, c.args);

    EXPECT_EQ(result.exit_code, c.expected_exit_code);
    EXPECT_EQ(firstLine(result.out), c.expected_out);
    EXPECT_EQ(firstLine(result.err), c.expected_err);
    if (c.expected_exit_code != 0) {
      EXPECT_NE(result.err.find("Usage: wagtails"), std::string::npos);
    }
    EXPECT_EQ(area.contents(), before);
    EXPECT_EQ(area.readFile(std::string("AREA/") + kList),
              "GAME.ZIP  Kept\r\n");
  }
}

}  // namespace

// At a terminal the run shows its banner first and its closing line last.
TEST(ListingBuilderTest, TerminalShowsBannerAndClosingLine) {
  const std::string kBanner = "WAGTAILS v1.0  (c) 2026 The Kestrel Tools Team";
  const struct {
    const char* what;
    bool root_writable;
    int expected_exit_code;
    std::string expected_closing_line;
  } cases[] = {
      {"success", true, 0, "Directory successfully output to FilesBBS.New"},
      {"failure", false, 1,
       "Directory listing failed: Permission denied in the drive root ROOT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestArea area;
    area.makeDirectory("AREA");
    area.setMode("AREA", 0777);
    area.setMode("", c.root_writable ? 0777 : 0555);

    TestArea::Result result = area.runInTerminal(WAGTAILS_PATH, "AREA", true);
    area.setMode("", 0755);

    EXPECT_EQ(result.exit_code, c.expected_exit_code);
    std::vector<std::string> lines = shownLines(result.out);
    ASSERT_GE(lines.size(), 2u) << result.out;
    EXPECT_EQ(lines.front(), kBanner);
    // A closing line wider than the terminal goes on in the next row.
    std::string expected =
        replaceAll(c.expected_closing_line, "ROOT", area.root());
    std::string shown;
    for (size_t i = 1; i < lines.size(); ++i) shown += lines[i];
    EXPECT_EQ(
        shown.substr(shown.size() - std::min(shown.size(), expected.size())),
        expected);
  }
}
