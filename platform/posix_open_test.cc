#include "platform/posix_open.h"

#include <errno.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "testing/test_drive.h"

namespace {

using posix_open::Links;
using posix_open::Opened;

// Every kind of name a run may meet where strangers can write, beside the
// files "target" (bytes "t") and "other" ("o") they might lead to. The links
// "others_link" and "dangling" are owned by nobody, as if planted by another
// user, where the test runs as root, who alone may give a link away;
// "second" is a second name of "other".
void layOut(TestDrive& drive) {
  drive.writeFile("plain", "p");
  drive.writeFile("target", "t");
  ASSERT_EQ(0, symlink("target", drive.path("own_link").c_str()));
  ASSERT_EQ(0, symlink("target", drive.path("others_link").c_str()));
  ASSERT_EQ(0, symlink("nowhere", drive.path("dangling").c_str()));
  if (geteuid() == 0) {
    ASSERT_TRUE(giveToNobody(drive.path("others_link")));
    ASSERT_TRUE(giveToNobody(drive.path("dangling")));
  }
  drive.writeFile("other", "o");
  ASSERT_EQ(0, link(drive.path("other").c_str(), drive.path("second").c_str()));
  ASSERT_EQ(0, mkfifo(drive.path("fifo").c_str(), 0644));
  ASSERT_EQ(0, mkdir(drive.path("dir").c_str(), 0755));
  ASSERT_EQ(0, symlink("/dev/null", drive.path("null").c_str()));
}

// Where the test does not run as root, "others_link" is the user's own, and
// "null" leads from the user's link to root's device: their cases are left
// out, and the test says so.
bool needsRoot(const std::string& name) {
  return geteuid() != 0 && (name == "others_link" || name == "null");
}
constexpr char kNeedsRoot[] =
    "the cases of another user's link and of a link to root's device need "
    "root; the others passed";

bool isPlainFile(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
         st.st_nlink == 1;
}

// Writes "new" through `opened` and closes it; false when it did not open.
bool writeNew(const Opened& opened) {
  if (opened.fd < 0) return false;
  bool whole = write(opened.fd, "new", 3) == 3;
  close(opened.fd);
  return whole;
}

TEST(PosixOpenTest, WritingNeverGoesThroughAPlantedLink) {
  struct {
    const char* name;
    Links links;
    int code;           // 0 when the open succeeds
    const char* lands;  // the file that then holds "new"
  } cases[] = {
      {"plain", Links::kOwnerMatch, 0, "plain"},
      {"missing", Links::kOwnerMatch, 0, "missing"},
      // The keeper's own link is written through; a scratch name never is.
      {"own_link", Links::kOwnerMatch, 0, "target"},
      {"own_link", Links::kNone, 0, "own_link"},
      {"others_link", Links::kOwnerMatch, 0, "others_link"},
      {"dangling", Links::kOwnerMatch, 0, "dangling"},
      {"second", Links::kOwnerMatch, 0, "second"},
      // A FIFO without a reader is the keeper's failure, a scratch name's
      // own file again.
      {"fifo", Links::kOwnerMatch, ENXIO, ""},
      {"fifo", Links::kNone, 0, "fifo"},
      {"dir", Links::kOwnerMatch, EISDIR, ""},
      {"dir", Links::kNone, EISDIR, ""},
  };
  bool left_out = false;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) +
                 (c.links == Links::kNone ? " (scratch)" : ""));
    if (needsRoot(c.name)) {
      left_out = true;
      continue;
    }
    TestDrive drive;
    layOut(drive);
    posix_open::WriteOptions options;
    options.links = c.links;
    Opened opened = posix_open::openToWrite(drive.path(c.name), options);
    EXPECT_EQ(c.code, opened.code);
    EXPECT_EQ(c.code == 0, writeNew(opened));
    if (c.code != 0) continue;
    EXPECT_EQ("new", drive.readFile(c.lands));
    // What the name led to, but did not land in, keeps its bytes, and
    // nothing is made where a dangling link pointed.
    if (std::string(c.lands) != "target") {
      EXPECT_EQ("t", drive.readFile("target"));
      EXPECT_TRUE(isPlainFile(drive.path(c.lands)));
    }
    EXPECT_EQ("o", drive.readFile("other"));
    EXPECT_FALSE(drive.exists("nowhere"));
  }
  if (left_out) GTEST_SKIP() << kNeedsRoot;
}

TEST(PosixOpenTest, ReadingTakesOnlyTheKeepersOwnRegularFiles) {
  struct {
    const char* name;
    Links links;
    int code;
    bool not_regular;
    const char* bytes;
  } cases[] = {
      {"plain", Links::kOwnerMatch, 0, false, "p"},
      {"own_link", Links::kOwnerMatch, 0, false, "t"},
      {"own_link", Links::kNone, EACCES, false, ""},
      {"others_link", Links::kOwnerMatch, EACCES, false, ""},
      {"dangling", Links::kOwnerMatch, EACCES, false, ""},
      {"second", Links::kOwnerMatch, EACCES, false, ""},
      {"missing", Links::kOwnerMatch, ENOENT, false, ""},
      {"dir", Links::kOwnerMatch, EISDIR, false, ""},
      // Neither a FIFO nor a device is waited on or read.
      {"fifo", Links::kOwnerMatch, 0, true, ""},
      {"null", Links::kOwnerMatch, 0, true, ""},
  };
  TestDrive drive;
  layOut(drive);
  bool left_out = false;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (needsRoot(c.name)) {
      left_out = true;
      continue;
    }
    Opened opened = posix_open::openToRead(drive.path(c.name), c.links);
    EXPECT_EQ(c.code, opened.code);
    EXPECT_EQ(c.not_regular, opened.not_regular);
    EXPECT_EQ(std::string(c.bytes).empty(), opened.fd < 0);
    if (opened.fd < 0) continue;
    char buffer[8];
    ssize_t n = read(opened.fd, buffer, sizeof buffer);
    close(opened.fd);
    EXPECT_EQ(c.bytes, std::string(buffer, n > 0 ? n : 0));
  }
  if (left_out) GTEST_SKIP() << kNeedsRoot;
}

TEST(PosixOpenTest, ReplacementTakesTheNamesPlaceOnlyWhenCommitted) {
  struct {
    const char* name;
    int code;
    const char* lands;  // where "new" is after the commit
  } cases[] = {
      {"plain", 0, "plain"},       {"missing", 0, "missing"},
      {"own_link", 0, "target"},   {"others_link", 0, "others_link"},
      {"dangling", 0, "dangling"}, {"second", 0, "second"},
      {"fifo", 0, "fifo"},         {"dir", EISDIR, ""},
  };
  bool left_out = false;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (needsRoot(c.name)) {
      left_out = true;
      continue;
    }
    TestDrive drive;
    layOut(drive);
    ASSERT_EQ(0, chmod(drive.path("plain").c_str(), 0640));
    posix_open::Replacement replacement;
    dev_t device = 0;
    ino_t inode = 0;
    Opened opened = posix_open::openReplacement(drive.path(c.name),
                                                &replacement, &device, &inode);
    EXPECT_EQ(c.code, opened.code);
    if (opened.fd < 0) continue;
    ASSERT_EQ(3, write(opened.fd, "new", 3));
    // Until the commit the name is as it was, and the new bytes stand
    // under a hidden name beside it.
    bool fifo = std::string(c.name) == "fifo";  // reading it would wait
    std::string before = fifo ? "" : drive.readFile(c.lands);
    EXPECT_EQ("new", drive.readFile(
                         replacement.staged.substr(drive.root().size() + 1)));
    EXPECT_EQ(0, posix_open::commitReplacement(opened.fd, replacement));
    EXPECT_EQ("new", drive.readFile(c.lands));
    EXPECT_NE("new", before);
    EXPECT_FALSE(
        drive.exists(replacement.staged.substr(drive.root().size() + 1)));
    if (std::string(c.lands) != "target") {
      EXPECT_EQ("t", drive.readFile("target"));
    }
    if (std::string(c.name) == "own_link") {
      struct stat st;
      ASSERT_EQ(0, lstat(drive.path("own_link").c_str(), &st));
      EXPECT_TRUE(S_ISLNK(st.st_mode));
    }
    if (std::string(c.name) == "plain") {
      struct stat st;
      ASSERT_EQ(0, stat(drive.path("plain").c_str(), &st));
      EXPECT_EQ(0640u, st.st_mode & 0777);
    }
  }
  if (left_out) GTEST_SKIP() << kNeedsRoot;
}

TEST(PosixOpenTest, AbandonedReplacementLeavesTheNameAsItWas) {
  TestDrive drive;
  drive.writeFile("page", "old");
  drive.writeFile(".page.new", "left by a killed run");
  posix_open::Replacement replacement;
  dev_t device = 0;
  ino_t inode = 0;
  Opened opened = posix_open::openReplacement(drive.path("page"), &replacement,
                                              &device, &inode);
  ASSERT_LE(0, opened.fd);
  EXPECT_EQ(drive.path(".page.new"), replacement.staged);
  EXPECT_EQ("", drive.readFile(".page.new"));
  ASSERT_EQ(3, write(opened.fd, "new", 3));
  posix_open::abandonReplacement(opened.fd, replacement);
  EXPECT_EQ("old", drive.readFile("page"));
  EXPECT_FALSE(drive.exists(".page.new"));
}

}  // namespace
