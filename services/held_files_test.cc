#include "services/held_files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "services/drive_path.h"
#include "services/file_table.h"
#include "shell/dir_listing.h"
#include "testing/test_support.h"

namespace {

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// The file's bytes, or nothing when there is no file.
std::optional<std::string> onDisk(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Each test works in a directory of its own, which is also the drive root.
class HeldFilesTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("DRIVE_ROOT", dir_.c_str(), 1);
    ASSERT_EQ(0, chdir(dir_.c_str()));
  }

  void TearDown() override {
    files_.closeAllFiles();
    (void)releaseHeldFiles();
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

  ScratchDirectory scratch_{"held_files_test"};
  ErrorRecord errors_;
  FileTable files_{errors_};
  const std::string dir_ = scratch_.path();
};

TEST_F(HeldFilesTest, ContentsStayInMemoryUntilTheRelease) {
  writeBytes(path("scratch"), "on disk before");
  holdFiles({hostPath("scratch")});
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
  EXPECT_EQ(kNoError, releaseHeldFiles());
  EXPECT_EQ("xy", onDisk(path("scratch")));
  // Held no longer: a write goes to disk at once.
  write("scratch", FileMode::Output, "after");
  EXPECT_EQ("after", onDisk(path("scratch")));
}

TEST_F(HeldFilesTest, RemovalsAndNewFilesReachTheDiskAtTheRelease) {
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
    holdFiles({hostPath("\\$DIR$")});
    ErrorNumber error = kNoError;
    ASSERT_TRUE(removeHeldFile(hostPath("\\$DIR$"), &error));
    // The first removal finds the file or not; a second never does.
    EXPECT_EQ(c.existed ? kNoError : kFileNotFound, error);
    if (c.written != nullptr) {
      write("\\$DIR$", FileMode::Output, c.written);
    } else {
      EXPECT_EQ("error 53", read("\\$DIR$"));
    }
    EXPECT_EQ(kNoError, releaseHeldFiles());
    EXPECT_EQ(c.after, onDisk(path("$DIR$")));
  }
}

TEST_F(HeldFilesTest, OnlyAPlainFileOfNoGreatLengthIsHeld) {
  writeBytes(path("target"), "t");
  writeBytes(path("big"), std::string((1 << 20) + 1, 'b'));
  writeBytes(path("linked"), "l");
  ASSERT_EQ(0, link(path("linked").c_str(), path("second name").c_str()));
  ASSERT_EQ(0, symlink("target", path("symlink").c_str()));
  ASSERT_EQ(0, mkfifo(path("fifo").c_str(), 0600));
  ASSERT_EQ(0, mkdir(path("directory").c_str(), 0700));
  // A scratch name that is a link, has a second name or is a FIFO gets a
  // file of its own, which is held; what it led to keeps its bytes.
  const struct {
    const char* name;
    bool held;
  } cases[] = {
      {"missing", true},    {"target", true},  {"big", false},
      {"linked", true},     {"symlink", true}, {"fifo", true},
      {"directory", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    holdFiles({hostPath(c.name)});
    EXPECT_EQ(c.held, holdsFile(hostPath(c.name)));
    EXPECT_EQ(kNoError, releaseHeldFiles());
  }
  EXPECT_EQ("t", onDisk(path("target")));
  EXPECT_EQ("l", onDisk(path("second name")));
  EXPECT_EQ(std::nullopt, onDisk(path("missing")));
}

TEST_F(HeldFilesTest, SecondOpenWhileInUseIsRefused) {
  holdFiles({hostPath("scratch")});
  files_.openFile(3, "scratch", FileMode::Output);
  files_.writeText(3, "x");
  files_.openFile(4, "scratch", FileMode::Input);
  EXPECT_EQ(kPermissionDenied, errors_.takeErrorNumber());
  files_.closeFile(3);
  EXPECT_EQ("x", read("scratch"));
}

// A deferred ending costs nothing until a read reaches it or the file goes
// to disk, and nothing at all when the file is removed or made anew first.
TEST_F(HeldFilesTest, DeferredEndingIsMadeOnlyWhenNeeded) {
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
    const std::string name = hostPath("scratch");
    unlink(path("scratch").c_str());
    holdFiles({name});
    intptr_t handle = -1;
    ErrorNumber error = kNoError;
    ASSERT_TRUE(openHeldFile(name, HeldAccess::kWrite, &handle, &error));
    int code = 0;
    EXPECT_EQ(6u, writeHeldFile(handle, "begin ", 6, &code));
    int made = 0;
    EXPECT_TRUE(writeHeldFileLater(
        handle, [&made] { return ++made, std::string("end"); }, 16));
    // Writing nothing more makes nothing.
    EXPECT_EQ(0u, writeHeldFile(handle, "", 0, &code));
    closeHeldFile(handle);

    std::string read;
    char buffer[16];
    switch (c.then) {
      case kReadBefore:
      case kReadAll:
        ASSERT_TRUE(openHeldFile(name, HeldAccess::kRead, &handle, &error));
        while (size_t n = readHeldFile(handle, buffer,
                                       c.then == kReadBefore ? 5 : 4, &code)) {
          read.append(buffer, n);
          if (c.then == kReadBefore) break;
        }
        closeHeldFile(handle);
        break;
      case kRemove:
        EXPECT_TRUE(removeHeldFile(name, &error));
        break;
      case kWriteAnew:
        write("scratch", FileMode::Output, "new");
        break;
    }
    EXPECT_EQ(c.read, read);
    EXPECT_EQ(c.made_before_release, made);
    EXPECT_EQ(kNoError, releaseHeldFiles());
    EXPECT_EQ(c.on_disk, onDisk(path("scratch")));
    EXPECT_EQ(c.made, made);
  }
}

// A file grown beyond what is held in memory goes on in its disk file, with
// its deferred ending; written anew, it is held in memory again.
TEST_F(HeldFilesTest, FileGrownTooLongGoesOnOnDisk) {
  const std::string name = hostPath("scratch");
  const std::string chunk(600 << 10, 'x');
  holdFiles({name});
  intptr_t handle = -1;
  ErrorNumber error = kNoError;
  int code = 0;
  ASSERT_TRUE(openHeldFile(name, HeldAccess::kWrite, &handle, &error));
  EXPECT_EQ(chunk.size(),
            writeHeldFile(handle, chunk.data(), chunk.size(), &code));
  EXPECT_EQ("", onDisk(path("scratch")));
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(chunk.size(),
              writeHeldFile(handle, chunk.data(), chunk.size(), &code));
    EXPECT_EQ(0, code);
  }
  EXPECT_EQ(3 * chunk.size(), onDisk(path("scratch")).value_or("").size());
  // On disk, a last line is written at once, by the caller.
  EXPECT_FALSE(writeHeldFileLater(
      handle, [] { return std::string("end"); }, 16));
  closeHeldFile(handle);

  std::string back;
  ASSERT_TRUE(openHeldFile(name, HeldAccess::kRead, &handle, &error));
  char buffer[65536];
  while (size_t n = readHeldFile(handle, buffer, sizeof buffer, &code))
    back.append(buffer, n);
  closeHeldFile(handle);
  EXPECT_EQ(chunk + chunk + chunk, back);

  write("scratch", FileMode::Output, "small");
  EXPECT_EQ(3 * chunk.size(), onDisk(path("scratch")).value_or("").size());
  EXPECT_EQ(kNoError, releaseHeldFiles());
  EXPECT_EQ("small", onDisk(path("scratch")));
}

// A listing that shows a held file shows it as the run left it, and finds
// what the run removed gone.
TEST_F(HeldFilesTest, ListingShowsHeldFilesAsTheRunLeftThem) {
  writeBytes(path("$DIR$.BAT"), "an old batch, longer than the new one");
  writeBytes(path("$DIR$"), "old capture");
  holdFiles({hostPath("\\$DIR$.BAT"), hostPath("\\$DIR$")});
  write("\\$DIR$.BAT", FileMode::Rewrite, "new");
  ErrorNumber error = kNoError;
  ASSERT_TRUE(removeHeldFile(hostPath("\\$DIR$"), &error));

  int out = open(path("listing").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(out, 0);
  EXPECT_EQ(0, listDirectory(DirFormat::kShortNames, "\\$DIR$.BAT", out));
  EXPECT_EQ(1, listDirectory(DirFormat::kShortNames, "\\$DIR$", out));
  close(out);
  std::string listing = onDisk(path("listing")).value_or("");
  EXPECT_NE(std::string::npos, listing.find("1 File(s)              3 bytes"))
      << listing;
  EXPECT_EQ("new", onDisk(path("$DIR$.BAT")));
  EXPECT_EQ(std::nullopt, onDisk(path("$DIR$")));
  // Still held after the listing: the batch is written on in memory.
  write("\\$DIR$.BAT", FileMode::Rewrite, "newer");
  EXPECT_EQ("new", onDisk(path("$DIR$.BAT")));
  EXPECT_EQ(kNoError, releaseHeldFiles());
  EXPECT_EQ("newer", onDisk(path("$DIR$.BAT")));
}

}  // namespace
