// End-to-end runs of both tools when the world around them fails them: other
// runs in the same drive root, a full drive root, a default drive root that
// cannot be written, and too little memory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testing/page_rows.h"
#include "testing/terminal_run.h"
#include "testing/test_area.h"

namespace {

const std::string kKestrel = KESTREL_PATH;
const std::string kWagtails = WAGTAILS_PATH;
constexpr char kPage[] = "00_INDEX.HTM";
constexpr char kList[] = "filesbbs.new";
// Child exit code for "this machine cannot give the test what it needs".
constexpr int kCannotTest = 99;
// The same for "only root can give the test what it needs".
constexpr int kNeedsRoot = 98;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif

// The page up to its tail: the head and every row with its description.
std::string rowsOf(const std::string& page) {
  return page.substr(0, page.find("</FONT></TABLE>"));
}

using page_rows::hasTail;

size_t count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + 1))
    ++n;
  return n;
}

// Names of the files that `layOutArea` makes for `seed`.
std::string fileName(int seed, int i) {
  return "F" + std::to_string(seed) + "_" + std::to_string(i) + ".TXT";
}

// `count` files in `dir` whose names, sizes and times depend on `seed`, and
// a FILES.BBS that lists them; returns the list of names as wagtails writes
// it (in upper-cased name order).
std::string layOutArea(TestArea& area, const std::string& dir, int seed,
                       int count) {
  area.makeDirectory(dir);
  area.setMode(dir, 0777);
  std::string list;
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    std::string name = fileName(seed, i);
    area.writeFile(dir + "/" + name, std::string(seed * 100 + i, 'x'));
    area.setTime(dir + "/" + name,
                 utcTime(2020 + seed, 1 + i % 12, 1 + i % 28, i % 24, seed));
    list += name + " File " + std::to_string(i) + "\r\n";
    names.push_back(name);
  }
  area.writeFile(dir + "/FILES.BBS", list);
  names.push_back("FILES.BBS");
  std::sort(names.begin(), names.end());
  std::string expected;
  for (const std::string& name : names) expected += name + "\r\n";
  return expected;
}

TEST(DriveFaultsTest, KestrelRunsInOneDriveRootWaitForEachOther) {
  constexpr int kAreas = 8;
  TestArea area;
  std::vector<std::string> solo;
  for (int i = 0; i < kAreas; ++i) {
    std::string dir = "AREA" + std::to_string(i);
    layOutArea(area, dir, i + 1, 20);
    TestArea::Result result = area.run(kKestrel, dir);
    ASSERT_EQ(0, result.exit_code) << result.err;
    solo.push_back(rowsOf(area.readFile(dir + "/" + kPage)));
    ASSERT_EQ(std::string::npos, solo.back().find("NOT found!"));
  }

  std::vector<TestArea::Started> runs;
  for (int i = 0; i < kAreas; ++i)
    runs.push_back(area.start(kKestrel, "AREA" + std::to_string(i)));
  for (int i = 0; i < kAreas; ++i) {
    SCOPED_TRACE("area " + std::to_string(i));
    TestArea::Result result = area.finish(runs[i]);
    EXPECT_EQ(0, result.exit_code) << result.err;
    std::string page = area.readFile("AREA" + std::to_string(i) + "/" + kPage);
    EXPECT_EQ(solo[i], rowsOf(page));
    EXPECT_TRUE(hasTail(page));
  }
}

TEST(DriveFaultsTest, WagtailsRunsInOneDriveRootEachListTheirOwnDirectory) {
  constexpr int kRounds = 3;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    TestArea area;
    std::string first = layOutArea(area, "ONE", 1, 300);
    std::string second = layOutArea(area, "TWO", 2, 300);

    TestArea::Started one = area.start(kWagtails, "ONE");
    TestArea::Started two = area.start(kWagtails, "TWO");

    EXPECT_EQ(0, area.finish(one).exit_code);
    EXPECT_EQ(0, area.finish(two).exit_code);
    EXPECT_EQ(first, area.readFile(std::string("ONE/") + kList));
    EXPECT_EQ(second, area.readFile(std::string("TWO/") + kList));
  }
}

// kestrel and wagtails started at once in two areas of one drive root take
// turns at it, and each gives what it gives alone: both are queued behind
// another run's hold on the drive root first, so that they meet there.
TEST(DriveFaultsTest, KestrelAndWagtailsInOneDriveRootTakeTurns) {
  TestArea area;
  layOutArea(area, "PAGES", 1, 20);
  const std::string list = layOutArea(area, "LISTS", 2, 20);
  ASSERT_EQ(0, area.run(kKestrel, "PAGES").exit_code);
  const std::string solo = rowsOf(area.readFile(std::string("PAGES/") + kPage));
  ASSERT_EQ(std::string::npos, solo.find("NOT found!"));
  unlink(area.path(std::string("PAGES/") + kPage).c_str());

  DriveRootHolder other_run(area.root());
  ASSERT_TRUE(other_run.holding());
  TestArea::Started kestrel = area.start(kKestrel, "PAGES");
  TestArea::Started wagtails = area.start(kWagtails, "LISTS");
  for (const TestArea::Started* run : {&kestrel, &wagtails}) {
    EXPECT_TRUE(queuedForLock(run->pid, [&] { return area.hasEnded(*run); }))
        << "a run went on while the drive root was held";
  }
  other_run.letGo();
  TestArea::Result page = area.finish(kestrel);
  TestArea::Result listed = area.finish(wagtails);

  EXPECT_EQ(0, page.exit_code) << page.err;
  EXPECT_EQ(0, listed.exit_code) << listed.err;
  std::string made = area.readFile(std::string("PAGES/") + kPage);
  EXPECT_EQ(solo, rowsOf(made));
  EXPECT_TRUE(hasTail(made));
  EXPECT_EQ(list, area.readFile(std::string("LISTS/") + kList));
}

// At a terminal, a run that finds the drive root taken says once that it
// waits, and waits: it is queued for the lock until the other run lets go,
// and only then goes on and ends. Ctrl-C typed meanwhile does not stop it;
// SIGTERM does, and the terminal gets its mode back and the list its place.
TEST(DriveFaultsTest, WaitingRunSaysSoAtTheTerminalAndWaits) {
  const std::string kKeepersList = "KEEP.ZIP  The keeper's words\r\n";
  struct {
    const char* what;
    const std::string& program;
    std::string keys;   // typed while the run waits
    int signal_number;  // sent while the run waits; 0 for none
  } cases[] = {
      {"kestrel left alone", kKestrel, "", 0},
      {"kestrel, Ctrl-C typed", kKestrel, "\x03", 0},
      {"wagtails, Ctrl-C typed", kWagtails, "\x03", 0},
      {"wagtails, SIGTERM", kWagtails, "", SIGTERM},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestArea area;
    std::string list = layOutArea(area, "AREA", 1, 2);
    area.writeFile(std::string("AREA/") + kList, kKeepersList);
    DriveRootHolder other_run(area.root());
    ASSERT_TRUE(other_run.holding());

    std::unique_ptr<TerminalRun> run = area.startInTerminal(c.program, "AREA");
    ASSERT_TRUE(run->waitFor("Waiting for another run in this drive root"))
        << run->output();
    EXPECT_TRUE(queuedForLock(run->pid(), [&] { return run->ended(); }))
        << "the run went on while the drive root was held";
    run->type(c.keys);
    if (c.signal_number != 0) {
      kill(run->pid(), c.signal_number);
    } else {
      EXPECT_FALSE(run->ended());
    }
    other_run.letGo();
    int status = run->finish();

    EXPECT_EQ(
        1u, count(run->output(), "Waiting for another run in this drive root"))
        << run->output();
    EXPECT_EQ(run->startMode().c_lflag, run->mode().c_lflag);
    if (c.signal_number != 0) {
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal_number)
          << status;
      EXPECT_EQ(kKeepersList, area.readFile(std::string("AREA/") + kList));
      EXPECT_FALSE(area.exists("$lvtr$.txt"));
      continue;
    }
    EXPECT_EQ(0, exitCode(status)) << run->output();
    if (c.program == kWagtails) {
      // The keeper's earlier list is in the directory it lists.
      EXPECT_EQ(list + kList + "\r\n",
                area.readFile(std::string("AREA/") + kList));
      continue;
    }
    std::string page = area.readFile(std::string("AREA/") + kPage);
    EXPECT_EQ(2u, count(page, "<TD ALIGN=RIGHT>"));
    EXPECT_TRUE(hasTail(page));
  }
}

// Runs `program` with a tmpfs mounted at "ROOT" in a mount namespace of its
// own as the drive root: when `full`, one of a few KiB, full up, for a run in
// "AREA"; else one closed to others and DRIVE_ROOT unset, so that it is the
// default drive root of a run as nobody in "ROOT/AREA". Returns
// the run's exit code (kCannotTest where no such mount is allowed, and
// kNeedsRoot for a closed drive root where the test does not run as root:
// in the mount's user namespace there is no other user to run as); its
// standard error is left in "err.txt", its page or list in "out.txt" and
// what is left of its capture in "capture.txt" ("gone", "empty" or "data")
// in the area's root.
int runOnTinyDriveRoot(TestArea& area, const std::string& program, bool full) {
  if (!full && geteuid() != 0) return kNeedsRoot;
  area.makeDirectory("ROOT");
  std::string root = area.path("ROOT");
  return inChild([&] {
    if (!mountPrivateTmpfs(root, full ? "16k" : "1m")) return kCannotTest;
    std::string dir = full ? "AREA" : "ROOT/AREA";
    layOutArea(area, dir, 1, 2);
    if (full) {
      area.setDriveRoot(root);
      // The scratch batch file keeps the block it is written into again;
      // a capture then finds none.
      area.writeFile("ROOT/$DIR$.BAT", std::string(100, 'x'));
      if (!fillFileSystem(root)) return kCannotTest;
    } else {
      area.setDriveRoot("");
      area.setMode("ROOT", 0755);
    }
    area.writeFile(dir + "/" + kList, "KEEP.ZIP  The keeper's words\r\n");
    TestArea::Result result = area.run(program, dir, !full);
    area.writeFile("err.txt", result.err);
    std::string out = program == kKestrel ? kPage : kList;
    area.writeFile("out.txt", area.readFile(dir + "/" + out));
    // What is left of the run's capture: nothing of a listing cut short.
    std::string capture =
        "ROOT/" + std::string(program == kKestrel ? "$DIR$" : "$lvtr$.txt");
    area.writeFile("capture.txt", !area.exists(capture)            ? "gone"
                                  : area.readFile(capture).empty() ? "empty"
                                                                   : "data");
    return result.exit_code;
  });
}

// A drive root that cannot be written: the failure is reported with its
// cause and place, and nothing is taken from a capture cut short.
TEST(DriveFaultsTest, DriveRootThatCannotBeWrittenIsReported) {
  const std::string kHint =
      "the drive root is <root>, the root of the file system that holds this "
      "directory; DRIVE_ROOT chooses another.\n";
  const struct {
    const char* what;
    const std::string& program;
    bool full;
    std::string expected_error;
    const char* capture;  // what is left of it
  } cases[] = {
      {"kestrel, full", kKestrel, true,
       "Internal Error: Line 1100   Code 53  = File not found\n", "gone"},
      {"wagtails, full", kWagtails, true,
       "Directory listing failed: Disk full in the drive root <root>\n",
       "empty"},
      {"kestrel, default root not writable", kKestrel, false,
       "Internal Error: Line 1100   Code 70  = Permission denied\n"
       "kestrel: cannot write the scratch batch $DIR$.BAT in <root>: "
       "Permission denied\nkestrel: " +
           kHint,
       "gone"},
      {"wagtails, default root not writable", kWagtails, false,
       "Directory listing failed: Permission denied in the drive root "
       "<root>\nwagtails: " +
           kHint,
       "gone"},
  };
  bool left_out = false;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestArea area;
    int exit_code = runOnTinyDriveRoot(area, c.program, c.full);
    if (exit_code == kCannotTest)
      GTEST_SKIP() << "no private tmpfs mount allowed here";
    if (exit_code == kNeedsRoot) {
      left_out = true;
      continue;
    }

    EXPECT_EQ(1, exit_code);
    std::string expected =
        replaceAll(c.expected_error, "<root>", area.path("ROOT"));
    std::string err = area.readFile("err.txt");
    EXPECT_NE(std::string::npos, err.find(expected)) << err;
    std::string out = area.readFile("out.txt");
    EXPECT_EQ(c.capture, area.readFile("capture.txt"));
    if (c.program == kWagtails) {
      EXPECT_EQ("KEEP.ZIP  The keeper's words\r\n", out);
    } else if (c.full) {
      // No row was taken from a capture cut short, and the page is ended.
      EXPECT_EQ(std::string::npos, out.find("NOT found!"));
      EXPECT_TRUE(hasTail(out));
    }
  }
  if (left_out) {
    GTEST_SKIP() << "a default drive root closed to the run needs root, who "
                    "runs it as another user; the full drive roots passed";
  }
}

// A list line that the memory allowed cannot hold fails with error 7: the
// report is made, the page is ended and the run ends with exit code 1.
TEST(DriveFaultsTest, ListLinesWithinAndBeyondTheMemoryLimit) {
  if (kAddressSanitizer)
    GTEST_SKIP() << "the address sanitizer reserves more address space "
                    "than the limit allows";
  constexpr rlim_t kLimit = rlim_t{256} << 20;
  constexpr size_t kLineSize = size_t{60} << 20;
  std::string words;
  while (words.size() < kLineSize) words += "words of a description ";
  const struct {
    const char* what;
    std::string list;
    int expected_exit_code;
  } cases[] = {
      // A line costs a small multiple of its length, so these fit.
      {"long description", "A.TXT " + words + "\r\n", 0},
      {"long name", std::string(kLineSize, 'N') + "\r\n", 0},
      // Half as long again, a name that the page shows twice does not.
      {"longer name", std::string(kLineSize * 3 / 2, 'N') + "\r\n", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestArea area;
    area.makeDirectory("AREA");
    area.writeFile("AREA/A.TXT", "a");
    area.writeFile("AREA/FILES.BBS", c.list);
    int exit_code = inChild([&] {
      struct rlimit limit = {kLimit, kLimit};
      if (setrlimit(RLIMIT_AS, &limit) != 0) return kCannotTest;
      TestArea::Result result = area.run(kKestrel, "AREA");
      area.writeFile("err.txt", result.err);
      return result.exit_code;
    });
    ASSERT_NE(kCannotTest, exit_code);

    EXPECT_EQ(c.expected_exit_code, exit_code);
    std::string err = area.readFile("err.txt");
    std::string page = area.readFile(std::string("AREA/") + kPage);
    EXPECT_TRUE(hasTail(page));
    if (c.expected_exit_code == 0) {
      EXPECT_GT(page.size(), kLineSize);
    } else {
      EXPECT_NE(std::string::npos,
                err.find("Internal Error: Line 1100   Code 7  = Out of memory"))
          << err.substr(0, 200);
    }
  }
}

// A list whose first line is longer than any line a run holds (a sparse
// file of zeros past the limit) does not grow without end.
TEST(DriveFaultsTest, EndlessListLineIsOutOfMemory) {
  TestArea area;
  area.makeDirectory("AREA");
  area.writeFile("AREA/FILES.BBS", "");
  ASSERT_EQ(0, truncate(area.path("AREA/FILES.BBS").c_str(), off_t{300} << 20));

  TestArea::Result result = area.run(kKestrel, "AREA");

  EXPECT_EQ(1, result.exit_code);
  EXPECT_NE(
      std::string::npos,
      result.err.find("Internal Error: Line 1060   Code 7  = Out of memory"))
      << result.err;
  EXPECT_TRUE(hasTail(area.readFile(std::string("AREA/") + kPage)));
}

}  // namespace
