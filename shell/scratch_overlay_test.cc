#include "shell/scratch_overlay.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "platform/drive_path.h"
#include "runtime/file_table.h"
#include "shell/dir_listing.h"
#include "testing/test_support.h"

namespace {

size_t countOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

// The file's bytes, or nothing when there is no file.
std::optional<std::string> onDisk(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  return readBytes(path);
}

// Each test works in a directory of its own, which is also the drive root.
class ScratchOverlayTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("DRIVE_ROOT", dir_.c_str(), 1);
    ASSERT_EQ(0, chdir(dir_.c_str()));
  }

  void TearDown() override {
    files_.closeAllFiles();
    (void)overlay_.release();
  }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // Writes `text` to `name` through the file table.
  void write(const std::string& name, FileMode mode, const std::string& text) {
    files_.openFile(3, name, mode);
    files_.writeText(3, text);
    files_.closeFile(3);
    EXPECT_EQ(0, errors_.takeErrorNumber());
  }

  // The first line of `name` through the file table, or the error number.
  std::string read(const std::string& name) {
    files_.openFile(3, name, FileMode::Input);
    if (int number = errors_.takeErrorNumber())
      return "error " + std::to_string(number);
    std::string line = files_.readLine(3);
    files_.closeFile(3);
    EXPECT_EQ(0, errors_.takeErrorNumber());
    return line;
  }

  // Writes `bytes` into an open file of the overlay; the bytes taken.
  size_t put(const OsFile& file, std::string_view bytes) {
    size_t written = 0;
    EXPECT_EQ(kNoError,
              overlay_.write(file, bytes.data(), bytes.size(), &written));
    return written;
  }

  ScratchDirectory scratch_{"scratch_overlay_test"};
  ErrorRecord errors_;
  ScratchOverlay overlay_{realFileSystem()};
  DrivePaths paths_;
  FileTable files_{errors_, paths_, overlay_};
  const std::string dir_ = scratch_.path();
};

TEST_F(ScratchOverlayTest, ContentsStayInMemoryUntilTheRelease) {
  writeBytes(path("scratch"), "on disk before");
  overlay_.hold({paths_.hostPath("scratch")});
  const struct {
    FileMode mode;
    const char* text;  // written, or nullptr to read the file
    const char* read;  // what a read finds
  } steps[] = {
      {FileMode::Input, nullptr, "on disk before"},
      {FileMode::Rewrite, "a longer first text", "a longer first text"},
      {FileMode::Rewrite, "short", "short"},
      {FileMode::Output, "xy", "xy"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.read);
    if (step.text != nullptr) write("scratch", step.mode, step.text);
    EXPECT_EQ(step.read, read("scratch"));
    EXPECT_EQ("on disk before", onDisk(path("scratch")));
  }
  EXPECT_EQ(kNoError, overlay_.release());
  EXPECT_EQ("xy", onDisk(path("scratch")));
  // Held no longer: a write goes to disk at once.
  write("scratch", FileMode::Output, "after");
  EXPECT_EQ("after", onDisk(path("scratch")));
}

TEST_F(ScratchOverlayTest, RemovalsAndNewFilesReachTheDiskAtTheRelease) {
  const struct {
    const char* what;
    bool existed;
    const char* written;  // after the removal, or nullptr
    std::optional<std::string> after;
  } cases[] = {
      {"missing, left alone", false, nullptr, std::nullopt},
      {"missing, made", false, "new", "new"},
      {"there, removed", true, nullptr, std::nullopt},
      {"there, removed and made again", true, "again", "again"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    unlink(path("$DIR$").c_str());
    if (c.existed) writeBytes(path("$DIR$"), "old");
    overlay_.hold({paths_.hostPath("\\$DIR$")});
    ErrorNumber error = overlay_.remove(paths_.hostPath("\\$DIR$"));
    // The first removal finds the file or not; a second never does.
    EXPECT_EQ(c.existed ? kNoError : kFileNotFound, error);
    if (c.written != nullptr) {
      write("\\$DIR$", FileMode::Output, c.written);
    } else {
      EXPECT_EQ("error 53", read("\\$DIR$"));
    }
    EXPECT_EQ(kNoError, overlay_.release());
    EXPECT_EQ(c.after, onDisk(path("$DIR$")));
  }
}

TEST_F(ScratchOverlayTest, OnlyAPlainFileIsHeld) {
  writeBytes(path("target"), "t");
  writeBytes(path("plain"), "p");
  writeBytes(path("big"), std::string((1 << 20) + 1, 'b'));
  writeBytes(path("linked"), "l");
  ASSERT_EQ(0, link(path("linked").c_str(), path("second name").c_str()));
  ASSERT_EQ(0, symlink("target", path("symlink").c_str()));
  ASSERT_EQ(0, mkfifo(path("fifo").c_str(), 0600));
  ASSERT_EQ(0, mkdir(path("directory").c_str(), 0700));
  // A scratch name that is a link, has a second name or is a FIFO gets a
  // file of its own, which is held: a write to it reaches the disk only at
  // the release. What it led to keeps its bytes. A file longer than memory
  // holds is held too, and its long contents never read.
  const struct {
    const char* name;
    bool held;
  } cases[] = {
      {"missing", true}, {"plain", true},   {"big", true},
      {"linked", true},  {"symlink", true}, {"fifo", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    overlay_.hold({paths_.hostPath(c.name)});
    write(c.name, FileMode::Rewrite, "x");
    EXPECT_EQ(!c.held, onDisk(path(c.name)) == "x");
    EXPECT_EQ(kNoError, overlay_.release());
    EXPECT_EQ("x", onDisk(path(c.name)));
  }
  // Nor is a directory, which cannot be written as a file.
  overlay_.hold({paths_.hostPath("directory")});
  files_.openFile(3, "directory", FileMode::Rewrite);
  EXPECT_EQ(kPermissionDenied, errors_.takeErrorNumber());
  EXPECT_EQ(kNoError, overlay_.release());
  EXPECT_EQ("t", onDisk(path("target")));
  EXPECT_EQ("l", onDisk(path("second name")));
}

TEST_F(ScratchOverlayTest, SecondOpenWhileInUseIsRefused) {
  overlay_.hold({paths_.hostPath("scratch")});
  files_.openFile(3, "scratch", FileMode::Output);
  files_.writeText(3, "x");
  files_.openFile(4, "scratch", FileMode::Input);
  EXPECT_EQ(kPermissionDenied, errors_.takeErrorNumber());
  files_.closeFile(3);
  EXPECT_EQ("x", read("scratch"));
}

// A deferred ending costs nothing until a read reaches it or the file goes
// to disk, and nothing at all when the file is removed or made anew first.
TEST_F(ScratchOverlayTest, DeferredEndingIsMadeOnlyWhenNeeded) {
  enum Then { kReadBefore, kReadAll, kRemove, kWriteAnew };
  const struct {
    const char* what;
    Then then;
    std::string read;  // what the read found
    int made_before_release;
    std::optional<std::string> on_disk;
    int made;
  } cases[] = {
      {"read short of it", kReadBefore, "begin", 0, "begin end", 1},
      {"read to the end", kReadAll, "begin end", 1, "begin end", 1},
      {"removed", kRemove, "", 0, std::nullopt, 0},
      {"written anew", kWriteAnew, "", 0, "new", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = paths_.hostPath("scratch");
    unlink(path("scratch").c_str());
    overlay_.hold({name});
    OsFile file;
    ASSERT_EQ(kNoError,
              overlay_.open(name, FileMode::Create, &file, LinkRule::kNone));
    EXPECT_EQ(6u, put(file, "begin "));
    int made = 0;
    EXPECT_TRUE(overlay_.writeLater(
        file, [&made] { return ++made, std::string("end"); }, 16));
    // Writing nothing more makes nothing.
    EXPECT_EQ(0u, put(file, ""));
    EXPECT_EQ(kNoError, overlay_.close(file));

    std::string read;
    char buffer[16];
    size_t got = 0;
    switch (c.then) {
      case kReadBefore:
      case kReadAll:
        ASSERT_EQ(kNoError,
                  overlay_.open(name, FileMode::Input, &file, LinkRule::kNone));
        while (overlay_.read(file, buffer, c.then == kReadBefore ? 5 : 4,
                             &got) == kNoError &&
               got > 0) {
          read.append(buffer, got);
          if (c.then == kReadBefore) break;
        }
        EXPECT_EQ(kNoError, overlay_.close(file));
        break;
      case kRemove:
        EXPECT_EQ(kNoError, overlay_.remove(name));
        break;
      case kWriteAnew:
        write("scratch", FileMode::Output, "new");
        break;
    }
    EXPECT_EQ(c.read, read);
    EXPECT_EQ(c.made_before_release, made);
    EXPECT_EQ(kNoError, overlay_.release());
    EXPECT_EQ(c.on_disk, onDisk(path("scratch")));
    EXPECT_EQ(c.made, made);
  }
}

// Cut where its writer stands, at the end, a file keeps its deferred ending
// deferred: a DIR that writes a capture over in place ends with such a cut.
TEST_F(ScratchOverlayTest, CutAtTheEndKeepsTheEndingDeferred) {
  const std::string name = paths_.hostPath("scratch");
  overlay_.hold({name});
  OsFile file;
  ASSERT_EQ(kNoError,
            overlay_.open(name, FileMode::Rewrite, &file, LinkRule::kNone));
  EXPECT_EQ(6u, put(file, "begin "));
  int made = 0;
  ASSERT_TRUE(overlay_.writeLater(
      file, [&made] { return ++made, std::string("end"); }, 16));
  EXPECT_EQ(kNoError, overlay_.truncateHere(file));
  EXPECT_EQ(kNoError, overlay_.close(file));
  EXPECT_EQ(0, made);
  EXPECT_EQ(kNoError, overlay_.release());
  EXPECT_EQ("begin end", onDisk(path("scratch")));
  EXPECT_EQ(1, made);
}

// A file grown beyond what is held in memory goes on in its disk file, with
// its deferred ending; written anew, it is held in memory again.
// An earlier run's long capture is read where it lies, and a run that
// removes it and writes it anew leaves the disk file as it was until the
// release, then only the new bytes.
TEST_F(ScratchOverlayTest, LongLeftoverStaysOnDiskUntilWrittenAnew) {
  const std::string big((1 << 20) + 1, 'b');
  writeBytes(path("$DIR$"), big);
  overlay_.hold({paths_.hostPath("\\$DIR$")});
  EXPECT_EQ(big, read("\\$DIR$"));
  ASSERT_EQ(kNoError, overlay_.remove(paths_.hostPath("\\$DIR$")));
  EXPECT_EQ("error 53", read("\\$DIR$"));
  write("\\$DIR$", FileMode::Create, "new");
  EXPECT_EQ(big, onDisk(path("$DIR$")));
  EXPECT_EQ(kNoError, overlay_.release());
  EXPECT_EQ("new", onDisk(path("$DIR$")));
}

TEST_F(ScratchOverlayTest, FileGrownTooLongGoesOnOnDisk) {
  const std::string name = paths_.hostPath("scratch");
  const std::string chunk(600 << 10, 'x');
  overlay_.hold({name});
  OsFile file;
  ASSERT_EQ(kNoError,
            overlay_.open(name, FileMode::Create, &file, LinkRule::kNone));
  EXPECT_EQ(chunk.size(), put(file, chunk));
  EXPECT_EQ("", onDisk(path("scratch")));
  for (int i = 0; i < 2; ++i) EXPECT_EQ(chunk.size(), put(file, chunk));
  EXPECT_EQ(3 * chunk.size(), onDisk(path("scratch")).value_or("").size());
  // On disk, a last line is written at once, by the caller.
  EXPECT_FALSE(overlay_.writeLater(
      file, [] { return std::string("end"); }, 16));
  EXPECT_EQ(kNoError, overlay_.close(file));

  std::string back;
  ASSERT_EQ(kNoError,
            overlay_.open(name, FileMode::Input, &file, LinkRule::kNone));
  static char buffer[65536];
  size_t got = 0;
  while (overlay_.read(file, buffer, sizeof buffer, &got) == kNoError &&
         got > 0) {
    back.append(buffer, got);
  }
  EXPECT_EQ(kNoError, overlay_.close(file));
  EXPECT_EQ(chunk + chunk + chunk, back);

  write("scratch", FileMode::Output, "small");
  EXPECT_EQ(3 * chunk.size(), onDisk(path("scratch")).value_or("").size());
  EXPECT_EQ(kNoError, overlay_.release());
  EXPECT_EQ("small", onDisk(path("scratch")));
}

// A listing through the overlay shows a held file as the run left it,
// under its own name or another, and finds what the run removed gone; the
// disk keeps its old bytes until the release.
TEST_F(ScratchOverlayTest, ListingShowsHeldFilesAsTheRunLeftThem) {
  writeBytes(path("$DIR$.BAT"), "an old batch, longer than the new one");
  writeBytes(path("$DIR$"), "old capture");
  ASSERT_EQ(0, symlink("$DIR$.BAT", path("batch link").c_str()));
  overlay_.hold({paths_.hostPath("\\$DIR$.BAT"), paths_.hostPath("\\$DIR$")});
  write("\\$DIR$.BAT", FileMode::Rewrite, "new");
  ASSERT_EQ(kNoError, overlay_.remove(paths_.hostPath("\\$DIR$")));

  int out = open(path("listing").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(out, 0);
  OsFile file;
  file.handle = out;
  const struct {
    const char* name;
    int code;
  } lookups[] = {
      {"\\$DIR$.BAT", 0},
      {"batch link", 0},
      {"\\$DIR$", 1},
  };
  DirLister lister(overlay_, paths_);
  Messages messages;
  for (const auto& lookup : lookups)
    EXPECT_EQ(lookup.code,
              lister.list(DirFormat::kShortNames, lookup.name, file, messages))
        << lookup.name;
  EXPECT_EQ(0, lister.list(DirFormat::kBare, "", file, messages));
  close(out);
  std::string listing = onDisk(path("listing")).value_or("");
  EXPECT_EQ(2u, countOf(listing, "1 File(s)              3 bytes")) << listing;
  EXPECT_EQ(std::string::npos, listing.find("$DIR$\r\n")) << listing;
  EXPECT_NE(std::string::npos, listing.find("$DIR$.BAT\r\n")) << listing;
  EXPECT_EQ("an old batch, longer than the new one", onDisk(path("$DIR$.BAT")));
  EXPECT_EQ("old capture", onDisk(path("$DIR$")));
  write("\\$DIR$.BAT", FileMode::Rewrite, "newer");
  EXPECT_EQ(kNoError, overlay_.release());
  EXPECT_EQ("newer", onDisk(path("$DIR$.BAT")));
}

}  // namespace

// A lookup that runs in process puts a whole text in place at once: as a
// write anew would, where the file is held and not open, with its ending
// made only when needed and, at the release, written piece by piece.
TEST_F(ScratchOverlayTest, ReplacedInMemoryAsAWriteAnewWould) {
  const std::string name = paths_.hostPath("scratch");
  overlay_.hold({name});
  bool exists = true;
  ASSERT_TRUE(overlay_.mayMakeAnew(name, &exists));
  EXPECT_FALSE(exists);
  std::string text = "head\r\n";
  int made = 0;
  auto tail = [&made](const ScratchOverlay::Put& put) {
    ++made;
    put("one ");
    put("two\r\n");
  };
  ASSERT_TRUE(overlay_.replaceInMemory(name, &text, tail, 64));
  EXPECT_EQ("head", read("scratch"));  // the first line: no ending yet
  EXPECT_EQ(0, made);
  ASSERT_TRUE(overlay_.mayMakeAnew(name, &exists));
  EXPECT_TRUE(exists);
  EXPECT_EQ("", onDisk(path("scratch")));  // made empty, to hold it
  EXPECT_EQ(kNoError, overlay_.release());
  EXPECT_EQ("head\r\none two\r\n", onDisk(path("scratch")));
  EXPECT_EQ(1, made);
}

TEST_F(ScratchOverlayTest, NotReplacedWhereAWriteAnewWouldNotBe) {
  const std::string name = paths_.hostPath("scratch");
  overlay_.hold({name});
  // Open: a second opening would be refused.
  OsFile file;
  ASSERT_EQ(kNoError,
            overlay_.open(name, FileMode::Create, &file, LinkRule::kNone));
  std::string text = "new";
  bool exists = false;
  EXPECT_FALSE(overlay_.mayMakeAnew(name, &exists));
  EXPECT_FALSE(overlay_.replaceInMemory(name, &text));
  EXPECT_EQ("new", text);
  EXPECT_EQ(kNoError, overlay_.close(file));
  // Too long to hold.
  std::string long_text(ScratchOverlay::kLargestHeld + 1, 'x');
  EXPECT_FALSE(overlay_.replaceInMemory(name, &long_text));
  // Not held at all.
  EXPECT_FALSE(overlay_.replaceInMemory(paths_.hostPath("other"), &text));
  EXPECT_FALSE(overlay_.mayMakeAnew(paths_.hostPath("other"), &exists));
}

// A listing made later stays true where the run changes nothing: the
// overlay knows the directories it writes in, and those above them, and
// counts every stat it answers for a held file.
TEST_F(ScratchOverlayTest, KnowsWhereTheRunChangesListings) {
  ASSERT_EQ(0, mkdir(path("area").c_str(), 0755));
  ASSERT_EQ(0, mkdir(path("area/sub").c_str(), 0755));
  ASSERT_EQ(0, mkdir(path("other").c_str(), 0755));
  overlay_.hold({paths_.hostPath("\\scratch")});
  write("area/page.htm", FileMode::Output, "page");
  auto changes = [&](const std::string& directory) {
    struct stat st;
    EXPECT_EQ(0, stat(path(directory).c_str(), &st));
    return overlay_.changesIn(st.st_dev, st.st_ino);
  };
  EXPECT_TRUE(changes("area"));   // the page is written there
  EXPECT_TRUE(changes("."));      // the root: the scratch file, and area
  EXPECT_FALSE(changes("area/sub"));
  EXPECT_FALSE(changes("other"));

  uint64_t before = overlay_.heldAnswers();
  FileStatus status;
  EXPECT_EQ(kNoError, overlay_.stat(path("area/page.htm"), Follow::kLinks,
                                    &status));
  EXPECT_EQ(before, overlay_.heldAnswers());
  EXPECT_NE(kNoError, overlay_.stat(paths_.hostPath("\\scratch"),
                                    Follow::kLinks, &status));
  EXPECT_EQ(before + 1, overlay_.heldAnswers());
}
