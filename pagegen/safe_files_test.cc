// End-to-end runs of both tools against what a stranger who may write an
// area or the drive root can do to them: links planted under the names the
// tools read and write, a FIFO as the list, a reader that locks the files,
// a drive root that may be written but not read, and runs stopped halfway or
// left without their output streams.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "testing/page_rows.h"
#include "testing/test_area.h"

namespace {

const std::string kKestrel = KESTREL_PATH;
const std::string kWagtails = WAGTAILS_PATH;
const std::string kArea = "AREA";
// The file a planted link leads to: root's, readable by root alone. Read as
// a configuration it would name the page and its title; read as a list,
// give two rows.
const char kVictim[] = "victim/secret";
const char kVictimBytes[] = "PAGE.HTM\r\nSECRET TITLE\r\n";
const char kMissingVictim[] = "victim/missing";

// Every path below the drive root with what stands there, links not
// followed: a file's bytes, a link's target.
std::map<std::string, std::string> snapshot(const TestArea& area) {
  std::map<std::string, std::string> seen;
  for (const std::string& relative : pathsBelow(area.root())) {
    std::string path = area.path(relative);
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) continue;
    if (S_ISLNK(st.st_mode)) {
      char target[4096];
      ssize_t n = readlink(path.c_str(), target, sizeof target);
      seen[relative] = "link to " + std::string(target, n > 0 ? n : 0);
    } else if (S_ISREG(st.st_mode)) {
      seen[relative] = "file: " + area.readFile(relative);
    } else {
      seen[relative] = "directory";
    }
  }
  return seen;
}

std::set<std::string> changedPaths(
    const std::map<std::string, std::string>& before,
    const std::map<std::string, std::string>& after) {
  std::set<std::string> paths;
  for (const auto& [path, what] : before)
    if (after.count(path) == 0 || after.at(path) != what) paths.insert(path);
  for (const auto& [path, what] : after)
    if (before.count(path) == 0) paths.insert(path);
  return paths;
}

bool isPlainFile(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         st.st_nlink == 1;
}

// An area with two listed files beside the victim's directory.
void layOutArea(TestArea& area) {
  area.makeDirectory("victim");
  area.writeFile(kVictim, kVictimBytes);
  area.setMode(kVictim, 0600);
  area.makeDirectory(kArea);
  area.writeFile("AREA/FILES.BBS", "A.ZIP First\r\nB.ZIP Second\r\n");
  area.writeFile("AREA/A.ZIP", "a");
  area.writeFile("AREA/B.ZIP", "bb");
}

enum class Plant { kOthersLink, kHardLink, kDanglingLink };

const char* plantName(Plant plant) {
  switch (plant) {
    case Plant::kOthersLink:
      return "another user's link";
    case Plant::kHardLink:
      return "hard link";
    case Plant::kDanglingLink:
      return "dangling link";
  }
  return "";
}

void plant(TestArea& area, const std::string& name, Plant how) {
  std::string at = area.path(name);
  unlink(at.c_str());
  if (how == Plant::kHardLink) {
    ASSERT_EQ(0, link(area.path(kVictim).c_str(), at.c_str()));
    return;
  }
  const char* target = how == Plant::kOthersLink ? kVictim : kMissingVictim;
  ASSERT_EQ(0, symlink(area.path(target).c_str(), at.c_str()));
  // Only root may give a link away; any other user's stays its own.
  if (geteuid() == 0) {
    ASSERT_TRUE(giveToNobody(at));
  }
}

// The files the tools write; a list they only read.
const std::set<std::string> kOutputs = {
    "$DIR$.BAT",         "$DIR$", "$lvtr$.txt", "AREA/00_INDEX.HTM",
    "AREA/filesbbs.new",
};

TEST(SafeFilesTest, PlantedLinkIsNeverFollowed) {
  struct {
    const char* name;  // below the drive root
    const std::string* tool;
  } names[] = {
      {"$DIR$.BAT", &kKestrel},          {"$DIR$", &kKestrel},
      {"AREA/00_INDEX.HTM", &kKestrel},  {"AREA/FILES.BBS", &kKestrel},
      {"KESTREL.INI", &kKestrel},        {"$lvtr$.txt", &kWagtails},
      {"AREA/filesbbs.new", &kWagtails},
  };
  bool left_out = false;
  for (const auto& c : names) {
    for (Plant how :
         {Plant::kOthersLink, Plant::kHardLink, Plant::kDanglingLink}) {
      SCOPED_TRACE(std::string(c.name) + ", " + plantName(how));
      if (how == Plant::kOthersLink && geteuid() != 0) {
        left_out = true;
        continue;
      }
      TestArea area;
      layOutArea(area);
      // The scratch files of an earlier run, so that a link replaces one.
      if (*c.tool == kKestrel) area.run(kKestrel, kArea);
      plant(area, c.name, how);
      const auto before = snapshot(area);

      TestArea::Result run = area.run(*c.tool, kArea);
      const auto after = snapshot(area);
      EXPECT_EQ(before.at(kVictim), after.at(kVictim));
      EXPECT_FALSE(area.exists(kMissingVictim));
      const std::string list = "AREA/FILES.BBS";
      for (const std::string& path : changedPaths(before, after))
        EXPECT_EQ(1u, kOutputs.count(path)) << path;
      std::string page = area.readFile("AREA/00_INDEX.HTM");
      EXPECT_EQ(std::string::npos, page.find("SECRET"));
      EXPECT_FALSE(area.exists("AREA/PAGE.HTM"));
      if (c.name == list) {
        // A list that may not be read is refused, and left as it is.
        EXPECT_EQ(1, run.exit_code);
        EXPECT_NE(std::string::npos,
                  run.err.find("Line 1020   Code 70  = Permission denied"))
            << run.err;
        EXPECT_EQ(before.at(list), after.at(list));
        continue;
      }
      EXPECT_EQ(0, run.exit_code) << run.err;
      if (kOutputs.count(c.name) != 0) {
        EXPECT_TRUE(isPlainFile(area.path(c.name)));
      }
      if (*c.tool == kKestrel) {
        EXPECT_NE(std::string::npos,
                  page.find("<TD ALIGN=RIGHT>                 2 </TD>"))
            << page;
      }
    }
  }
  if (left_out) {
    GTEST_SKIP() << "another user's links need root, who alone may give a "
                    "link away; the other plants were tested";
  }
}

TEST(SafeFilesTest, KeepersOwnLinksAreFollowed) {
  TestArea area;
  layOutArea(area);
  area.makeDirectory("lists");
  area.makeDirectory("pages");
  area.writeFile("lists/AREA.BBS", "B.ZIP Only this one\r\n");
  area.writeFile("pages/AREA.HTM", "last night's page");
  unlink(area.path("AREA/FILES.BBS").c_str());
  ASSERT_EQ(0,
            symlink("../lists/AREA.BBS", area.path("AREA/FILES.BBS").c_str()));
  ASSERT_EQ(
      0, symlink("../pages/AREA.HTM", area.path("AREA/00_INDEX.HTM").c_str()));

  TestArea::Result run = area.run(kKestrel, kArea);
  EXPECT_EQ(0, run.exit_code) << run.err;
  std::string page = area.readFile("pages/AREA.HTM");
  EXPECT_NE(std::string::npos, page.find("Only this one"));
  EXPECT_EQ(std::string::npos, page.find("A.ZIP"));
  struct stat st;
  ASSERT_EQ(0, lstat(area.path("AREA/00_INDEX.HTM").c_str(), &st));
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_FALSE(area.exists("AREA/.00_INDEX.HTM.new"));
  EXPECT_FALSE(area.exists("pages/.AREA.HTM.new"));
}

TEST(SafeFilesTest, ListThatIsNoFileIsRefusedAtOnce) {
  TestArea area;
  layOutArea(area);
  area.makeDirectory("OTHER");
  area.writeFile("OTHER/FILES.BBS", "C.ZIP Third\r\n");
  area.writeFile("OTHER/C.ZIP", "ccc");
  std::string fifo = area.path("AREA/FILES.BBS");
  unlink(fifo.c_str());
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0644));
  // A writer that sends one line and then stays silent.
  int writer = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
  ASSERT_LE(0, writer);
  ASSERT_EQ(7, write(writer, "A.ZIP\r\n", 7));

  TestArea::Started first = area.start(kKestrel, kArea);
  TestArea::Result other = area.run(kKestrel, "OTHER");
  TestArea::Result refused = area.finish(first);
  close(writer);
  EXPECT_EQ(1, refused.exit_code);
  EXPECT_NE(std::string::npos,
            refused.err.find("Line 1020   Code 75  = Path/file access error"))
      << refused.err;
  EXPECT_EQ(0, other.exit_code) << other.err;
  EXPECT_NE(std::string::npos,
            area.readFile("OTHER/00_INDEX.HTM").find("Third"));
}

// A list long enough that a run is stopped while it writes the page.
std::string longList(int entries) {
  std::string list;
  for (int i = 0; i < entries; ++i)
    list += "F" + std::to_string(i) + ".ZIP Entry number " + std::to_string(i) +
            "\r\n";
  return list;
}

using page_rows::hasTail;

// Waits until the run has begun its new page; false when it ended first.
bool newPageBegun(const TestArea& area, const TestArea::Started& run) {
  return waitForChangeIn(area.path(kArea), run.pid, [&] {
    struct stat st;
    return stat(area.path("AREA/.00_INDEX.HTM.new").c_str(), &st) == 0 &&
           st.st_size > 0;
  });
}

TEST(SafeFilesTest, StoppedRunLeavesTheOldPageOrAWholeNewOne) {
  const int kEntries = 60000;
  for (int signal_number : {SIGTERM, SIGHUP, SIGKILL}) {
    SCOPED_TRACE(strsignal(signal_number));
    TestArea area;
    layOutArea(area);
    area.writeFile("AREA/FILES.BBS", longList(kEntries));
    area.writeFile("AREA/00_INDEX.HTM", "last night's page");
    std::vector<std::string> files_before = pathsBelow(area.path(kArea));

    TestArea::Started run = area.start(kKestrel, kArea);
    ASSERT_TRUE(newPageBegun(area, run));
    kill(run.pid, signal_number);
    area.finish(run);

    std::string page = area.readFile("AREA/00_INDEX.HTM");
    bool whole = hasTail(page) &&
                 page.find("Entry number " + std::to_string(kEntries - 1)) !=
                     std::string::npos;
    EXPECT_TRUE(page == "last night's page" || whole) << page.size();
    bool stale = area.exists("AREA/.00_INDEX.HTM.new");
    if (signal_number != SIGKILL) {
      // Nothing else is left in the area.
      EXPECT_EQ(files_before, pathsBelow(area.path(kArea)));
      continue;
    }
    // After SIGKILL the next run takes the file it left for its own.
    TestArea::Result next = area.run(kKestrel, kArea);
    EXPECT_EQ(0, next.exit_code) << next.err;
    EXPECT_TRUE(hasTail(area.readFile("AREA/00_INDEX.HTM")));
    EXPECT_FALSE(area.exists("AREA/.00_INDEX.HTM.new")) << stale;
  }
}

TEST(SafeFilesTest, RunStoppedWhileMakingTheListLeavesNone) {
  TestArea area;
  area.makeDirectory(kArea);
  for (int i = 0; i < 20000; ++i)
    area.writeFile("AREA/F" + std::to_string(i) + ".ZIP", "");
  TestArea::Started run = area.start(kKestrel, kArea);
  // The list is made from the directory before the page is begun.
  waitForChangeIn(area.path(kArea), run.pid,
                  [&] { return area.exists("AREA/FILES.BBS"); });
  kill(run.pid, SIGTERM);
  area.finish(run);
  // Stopped while making the list: no list. Stopped later: a whole one.
  if (!area.exists("AREA/.00_INDEX.HTM.new") &&
      !area.exists("AREA/00_INDEX.HTM")) {
    std::string list = area.readFile("AREA/FILES.BBS");
    EXPECT_TRUE(list.empty() || list.find("F9999.ZIP\r\n") != std::string::npos)
        << list.size();
  }
  TestArea::Result again = area.run(kKestrel, kArea);
  EXPECT_EQ(0, again.exit_code) << again.err;
  EXPECT_NE(std::string::npos,
            area.readFile("AREA/FILES.BBS").find("F9999.ZIP\r\n"));
}

TEST(SafeFilesTest, LostStandardErrorLosesOnlyTheMessages) {
  for (TestArea::ErrorStream how :
       {TestArea::ErrorStream::kClosed, TestArea::ErrorStream::kBrokenPipe}) {
    SCOPED_TRACE(how == TestArea::ErrorStream::kClosed ? "closed"
                                                       : "broken pipe");
    TestArea area;
    layOutArea(area);
    // Missing entries and LF line ends make the run write messages.
    area.writeFile("AREA/FILES.BBS",
                   "GONE1.ZIP x\r\nA.ZIP First\r\nGONE2.ZIP y\r\n"
                   "B.ZIP Second\r\nC\nD\r\n");
    TestArea::Result run = area.runWithError(kKestrel, kArea, how);
    EXPECT_EQ(0, run.exit_code);
    std::string page = area.readFile("AREA/00_INDEX.HTM");
    EXPECT_TRUE(hasTail(page));
    EXPECT_EQ(std::string::npos, page.find("Not Found")) << page;
    EXPECT_EQ(std::string::npos, page.find("LF line ends")) << page;
    EXPECT_NE(std::string::npos,
              page.find("<TD ALIGN=RIGHT>                 2 </TD>"));
    // The scratch files went to disk at the end of the run: the batch of
    // the last entry.
    EXPECT_NE(std::string::npos, area.readFile("$DIR$.BAT").find("C\nD"));
  }
}

// Holds a shared lock on each of `paths` as the user nobody until killed.
pid_t lockAsNobody(const std::vector<std::string>& paths) {
  int ready[2];
  if (pipe(ready) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    close(ready[0]);
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(1);
    for (const std::string& path : paths) {
      int fd = open(path.c_str(), O_RDONLY);
      if (fd < 0 || flock(fd, LOCK_SH) != 0) _exit(1);
    }
    if (write(ready[1], "!", 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  close(ready[1]);
  char byte = 0;
  bool locked = read(ready[0], &byte, 1) == 1;
  close(ready[0]);
  if (!locked && pid > 0) waitpid(pid, nullptr, 0);
  return locked ? pid : -1;
}

TEST(SafeFilesTest, ReaderThatLocksTheFilesCannotMakeARunFail) {
  TestArea area;
  layOutArea(area);
  ASSERT_EQ(0, area.run(kKestrel, kArea).exit_code);
  pid_t reader = lockAsNobody({area.path("$DIR$.BAT"), area.path("$DIR$"),
                               area.path("AREA/FILES.BBS"),
                               area.path("AREA/00_INDEX.HTM")});
  ASSERT_LT(0, reader);
  TestArea::Result run = area.run(kKestrel, kArea);
  kill(reader, SIGKILL);
  waitpid(reader, nullptr, 0);
  EXPECT_EQ(0, run.exit_code) << run.err;
  std::string page = area.readFile("AREA/00_INDEX.HTM");
  EXPECT_NE(std::string::npos, page.find("Second"));
  EXPECT_NE(std::string::npos,
            page.find("<TD ALIGN=RIGHT>                 2 </TD>"));
}

TEST(SafeFilesTest, DriveRootThatCannotBeReadIsLockedAllTheSame) {
  // Two runs at once, as a user whom the drive root lets write but not
  // read: each still has the scratch files to itself.
  for (int attempt = 0; attempt < 4; ++attempt) {
    SCOPED_TRACE(attempt);
    TestArea area;
    for (const char* dir : {"ONE", "TWO"}) {
      area.makeDirectory(dir);
      area.setMode(dir, 0777);
      std::string list;
      for (int i = 0; i < 200; ++i) {
        std::string name = std::string(dir) + std::to_string(i) + ".ZIP";
        area.writeFile(std::string(dir) + "/" + name, std::string(i, 'x'));
        list += name + " Number " + std::to_string(i) + "\r\n";
      }
      area.writeFile(std::string(dir) + "/FILES.BBS", list);
    }
    area.setMode("", 0333);
    TestArea::Started one = area.start(kKestrel, "ONE", /*as_nobody=*/true);
    TestArea::Started two = area.start(kKestrel, "TWO", /*as_nobody=*/true);
    TestArea::Result first = area.finish(one);
    TestArea::Result second = area.finish(two);
    area.setMode("", 0755);
    for (const auto& [dir, result] :
         {std::pair{"ONE", first}, {"TWO", second}}) {
      EXPECT_EQ(0, result.exit_code) << dir << ": " << result.err;
      std::string page = area.readFile(std::string(dir) + "/00_INDEX.HTM");
      EXPECT_EQ(std::string::npos, page.find("NOT found")) << dir;
      EXPECT_NE(std::string::npos, page.find("Number 199")) << dir;
    }
  }
}

}  // namespace
