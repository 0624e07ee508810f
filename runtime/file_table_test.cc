#include "runtime/file_table.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/command_runner.h"
#include "platform/drive_path.h"
#include "testing/failing_os.h"
#include "testing/test_support.h"

namespace {

const std::string kCrLf = "\r\n";
const std::string kCtrlZ = "\x1a";
// The file table reads a file 4096 bytes at a time: a line of this many
// bytes puts its line end at the end of one read and the start of the next.
const std::string kFillsARead(4095, 'x');

bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// Each test works in a directory of its own, which is also the drive root,
// so that names beginning with a backslash stay inside it.
class FileTableTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("DRIVE_ROOT", dir_.c_str(), 1);
    ASSERT_EQ(0, chdir(dir_.c_str()));
  }

  void TearDown() override { files_.closeAllFiles(); }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }

  // Writes `content` to a file, opens it as number 1 and reads its lines
  // (at most 10) up to its end, which leaves it open.
  std::vector<std::string> readAll(const std::string& content, LineEnds ends) {
    writeBytes(path("in.txt"), content);
    files_.openFile(1, "in.txt", FileMode::Input);
    EXPECT_EQ(0, errors_.takeErrorNumber());
    std::vector<std::string> lines;
    while (!files_.atEndOfFile(1) && lines.size() < 10)
      lines.push_back(files_.readLine(1, ends));
    EXPECT_EQ(0, errors_.takeErrorNumber());
    return lines;
  }

  ScratchDirectory scratch_{"file_table_test"};
  ErrorRecord errors_;
  DrivePaths paths_;
  FileTable files_{errors_, paths_};
  const std::string dir_ = scratch_.path();
};

TEST_F(FileTableTest, ReadsLinesByteForByte) {
  const std::string& x = kFillsARead;
  const std::string long_line(1000, 'L');
  std::string high;
  for (int c = 128; c < 256; ++c) high += static_cast<char>(c);
  struct {
    const char* what;
    std::string content;
    std::vector<std::string> lines;
  } cases[] = {
      {"CR LF between, none at the end", "A\r\nB", {"A", "B"}},
      {"lone LF is data", "A\nB\r\n", {"A\nB"}},
      {"CR CR LF is an empty line", "A\r\r\nB", {"A", "", "B"}},
      {"CR alone ends a line", "A\rB", {"A", "B"}},
      {"empty lines", "\r\n\r\n", {"", ""}},
      {"CR as the last byte", "A\r", {"A"}},
      {"Ctrl-Z after a line end", "A\r\n" + kCtrlZ + "more\r\n", {"A"}},
      {"Ctrl-Z inside a line", "AB" + kCtrlZ + "C\r\n", {"AB"}},
      {"Ctrl-Z first", kCtrlZ + "A\r\n", {}},
      {"empty file", "", {}},
      {"NUL, tab and blanks kept",
       std::string("\0A\tB \r\n", 7),
       {std::string("\0A\tB ", 5)}},
      {"bytes above 127", high + kCrLf, {high}},
      {"1000-byte line", long_line + kCrLf + "x", {long_line, "x"}},
      {"CR ends the buffer, LF begins the next", x + "\r\nnext", {x, "next"}},
      {"CR ends the buffer, no LF", x + "\rnext", {x, "next"}},
      {"CR ends the buffer and the file", x + "\r", {x}},
      {"CR LF begins the second buffer", x + "y\r\nz", {x + "y", "z"}},
      {"Ctrl-Z begins the second buffer", x + "y" + kCtrlZ + "z", {x + "y"}},
      {"a line over three buffers", x + x + x + "\r\nend", {x + x + x, "end"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.lines, readAll(c.content, LineEnds::kCr));
    // Past the end: a failure, not an empty line, and it stays so.
    EXPECT_EQ("", files_.readLine(1));
    EXPECT_EQ(kInputPastEnd, errors_.takeErrorNumber());
    EXPECT_TRUE(files_.atEndOfFile(1));
    EXPECT_EQ("", files_.readLine(1));
    EXPECT_EQ(kInputPastEnd, errors_.takeErrorNumber());
    files_.closeFile(1);
  }
}

// Lists of the modern style may end their lines at a lone LF too.
TEST_F(FileTableTest, ReadsLinesEndingAtLf) {
  const std::string& x = kFillsARead;
  struct {
    const char* what;
    std::string content;
    std::vector<std::string> lines;
  } cases[] = {
      {"LF", "A\nB\n", {"A", "B"}},
      {"mixed", "A\r\nB\nC\rD", {"A", "B", "C", "D"}},
      {"CR LF stays one line end", "A\r\n\nB", {"A", "", "B"}},
      {"LF CR is two", "A\n\rB", {"A", "", "B"}},
      {"LF ends the buffer", x + "\nnext", {x, "next"}},
      {"CR ends the buffer, LF begins the next", x + "\r\nnext", {x, "next"}},
      {"Ctrl-Z still ends the data", "A\n" + kCtrlZ + "B\n", {"A"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.lines, readAll(c.content, LineEnds::kCrOrLf));
    files_.closeFile(1);
  }
}

// The line ends a read hands back: each line and its end, put together
// again, give the file's bytes up to a Ctrl-Z, so that a list can be copied
// unchanged.
TEST_F(FileTableTest, HandsBackEachLineEnd) {
  const std::string& x = kFillsARead;
  struct {
    const char* what;
    std::string content;
    LineEnds ends;
    std::vector<std::string> line_ends;
  } cases[] = {
      {"CR LF, CR, none", "A\r\nB\rC", LineEnds::kCr, {"\r\n", "\r", ""}},
      {"lone LF is data", "A\nB\r\n", LineEnds::kCr, {"\r\n"}},
      {"LF ends a line",
       "A\nB\r\n\nC",
       LineEnds::kCrOrLf,
       {"\n", "\r\n", "\n", ""}},
      {"CR LF split over two buffers",
       x + "\r\nz",
       LineEnds::kCr,
       {"\r\n", ""}},
      {"Ctrl-Z ends the last line",
       "A\r\nB" + kCtrlZ + "C\r\n",
       LineEnds::kCr,
       {"\r\n", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeBytes(path("in.txt"), c.content);
    files_.openFile(1, "in.txt", FileMode::Input);
    std::vector<std::string> line_ends;
    std::string copy, line, line_end = "stale";
    while (!files_.atEndOfFile(1) && line_ends.size() < 10) {
      files_.readLine(1, &line, c.ends, &line_end);
      line_ends.push_back(line_end);
      copy += line + line_end;
    }
    EXPECT_EQ(0, errors_.takeErrorNumber());
    EXPECT_EQ(c.line_ends, line_ends);
    EXPECT_EQ(c.content.substr(0, c.content.find(kCtrlZ)), copy);
    files_.closeFile(1);
  }
}

// A read that fails is the read's failure wherever it falls: in a line,
// right after a line's CR (where the next byte is looked at for an LF), or
// in the end-of-file test. None of them is taken for the end of the file.
TEST_F(FileTableTest, ReadFailuresAreReported) {
  const std::string& x = kFillsARead;
  struct {
    const char* what;
    std::string content;
    std::vector<std::string> whole;  // the lines read before the failure
  } cases[] = {
      {"in a line", x + "yz\r\nnext\r\n", {}},
      {"right after a CR", x + "\r\nnext\r\n", {}},
      {"in the end-of-file test", x.substr(1) + "\r\nnext\r\n", {x.substr(1)}},
  };
  std::unique_ptr<CommandRunner> runner = makePlatformRunner(paths_);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    writeBytes(path("in.txt"), c.content);
    // The open reads the first 4096 bytes; the next read fails.
    FailingOs os({{Operation::kRead, "in.txt", "", 2, kDeviceIoError}},
                 realFileSystem(), *runner);
    FileTable files(errors_, paths_, os.toolFiles());
    files.openFile(1, "in.txt", FileMode::Input);
    ASSERT_EQ(0, errors_.takeErrorNumber());
    std::vector<std::string> whole;
    int failure = 0;
    for (int reads = 0; failure == 0 && reads < 5; ++reads) {
      if (files.atEndOfFile(1)) {
        failure = errors_.takeErrorNumber();
        break;
      }
      std::string line = files.readLine(1);
      failure = errors_.takeErrorNumber();
      if (failure == 0) whole.push_back(line);
    }
    EXPECT_EQ(kDeviceIoError, failure);
    EXPECT_EQ(c.whole, whole);
    files.closeAllFiles();
  }
}

TEST_F(FileTableTest, ReadingWithoutEndTestStopsAtTheEnd) {
  writeBytes(path("in.txt"), "A\r\nB");
  files_.openFile(1, "in.txt", FileMode::Input);
  EXPECT_EQ("A", files_.readLine(1));
  EXPECT_EQ("B", files_.readLine(1));
  EXPECT_EQ(0, errors_.takeErrorNumber());
  EXPECT_EQ("", files_.readLine(1));
  EXPECT_EQ(kInputPastEnd, errors_.takeErrorNumber());
}

TEST_F(FileTableTest, OpenFailures) {
  writeBytes(path("plain.txt"), "x");
  ASSERT_EQ(0, mkdir(path("sub").c_str(), 0755));
  const std::string cut_star = std::string(255, 'n') + "*";
  struct {
    const char* name;
    FileMode mode;
    int expected;
  } cases[] = {
      {"missing.txt", FileMode::Input, kFileNotFound},
      {"sub\\missing.txt", FileMode::Input, kFileNotFound},
      {"nodir\\x.txt", FileMode::Input, kPathNotFound},
      {"nodir\\x.txt", FileMode::Output, kPathNotFound},
      {"\\nodir\\x.txt", FileMode::Output, kPathNotFound},
      {"nodir/deeper/x.txt", FileMode::Input, kPathNotFound},
      {"plain.txt\\x", FileMode::Input, kPathNotFound},
      // The star lies past the 255 bytes that are used: no bad name, but
      // a file that is not there.
      {cut_star.c_str(), FileMode::Input, kFileNotFound},
      {"", FileMode::Input, kBadFileName},
      {"*.txt", FileMode::Input, kBadFileName},
      {"a?b", FileMode::Output, kBadFileName},
      {"sub", FileMode::Input, kPermissionDenied},
      {"sub", FileMode::Output, kPermissionDenied},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files_.openFile(1, c.name, c.mode);
    EXPECT_EQ(c.expected, errors_.takeErrorNumber());
    EXPECT_FALSE(files_.isOpen(1));
  }
  // A NUL would otherwise open "plain.txt" itself.
  files_.openFile(1, std::string("plain.txt\0.bak", 14), FileMode::Output);
  EXPECT_EQ(kBadFileName, errors_.takeErrorNumber());
  EXPECT_EQ("x", readBytes(path("plain.txt")));
  EXPECT_FALSE(exists(path("nodir")));

  // The number stays free for the next open.
  files_.openFile(1, "plain.txt", FileMode::Input);
  EXPECT_EQ(0, errors_.takeErrorNumber());
  EXPECT_EQ("x", files_.readLine(1));
}

TEST_F(FileTableTest, NameIsCutAt255Bytes) {
  ASSERT_EQ(0, mkdir(path("d").c_str(), 0755));
  // "d\" and 253 more bytes make 255; what follows is dropped, even a
  // wildcard.
  const std::string kept = "d\\" + std::string(253, 'a');
  files_.openFile(1, kept + "*IGNORED", FileMode::Output);
  EXPECT_EQ(0, errors_.takeErrorNumber());
  files_.writeText(1, "z");
  files_.closeFile(1);
  EXPECT_EQ("z", readBytes(path("d/" + std::string(253, 'a'))));
}

TEST_F(FileTableTest, FileNumbers) {
  writeBytes(path("a.txt"), "first\r\n");
  writeBytes(path("b.txt"), "second\r\n");
  files_.openFile(-1, "a.txt", FileMode::Input);
  EXPECT_EQ(kBadFileNameOrNumber, errors_.takeErrorNumber());
  // The name is checked before the number.
  files_.openFile(-1, "", FileMode::Input);
  EXPECT_EQ(kBadFileName, errors_.takeErrorNumber());

  files_.openFile(0, "a.txt", FileMode::Input);
  EXPECT_EQ(0, errors_.takeErrorNumber());
  files_.openFile(0, "b.txt", FileMode::Input);
  EXPECT_EQ(kFileIsOpen, errors_.takeErrorNumber());
  // The first file is still open and unread.
  EXPECT_EQ("first", files_.readLine(0));
  files_.openFile(0, "b.txt", FileMode::Output);
  EXPECT_EQ(kFileIsOpen, errors_.takeErrorNumber());
  EXPECT_EQ("second\r\n", readBytes(path("b.txt")));

  // Closed, the number can be opened again in another mode.
  files_.closeFile(0);
  EXPECT_FALSE(files_.isOpen(0));
  files_.openFile(0, "a.txt", FileMode::Output);
  EXPECT_EQ(0, errors_.takeErrorNumber());
  EXPECT_TRUE(files_.isOpen(0));
}

TEST_F(FileTableTest, WrongModeAndUnknownNumber) {
  writeBytes(path("in.txt"), "line\r\n");
  files_.openFile(1, "in.txt", FileMode::Input);
  files_.openFile(2, "out.txt", FileMode::Output);
  ASSERT_EQ(0, errors_.takeErrorNumber());
  struct {
    const char* what;
    std::function<void(FileTable&)> op;
    int expected;
  } cases[] = {
      {"readLine on Output", [](FileTable& f) { f.readLine(2); }, kBadFileMode},
      {"writeText on Input", [](FileTable& f) { f.writeText(1, "x"); },
       kBadFileMode},
      {"writeLineEnd on Input", [](FileTable& f) { f.writeLineEnd(1); },
       kBadFileMode},
      {"readLine of a free number", [](FileTable& f) { f.readLine(3); },
       kBadFileNameOrNumber},
      {"writeText of a free number", [](FileTable& f) { f.writeText(3, "x"); },
       kBadFileNameOrNumber},
      {"writeLineEnd of a free number",
       [](FileTable& f) { f.writeLineEnd(-2); }, kBadFileNameOrNumber},
      {"closeFile of a free number", [](FileTable& f) { f.closeFile(3); }, 0},
      {"writeText of nothing", [](FileTable& f) { f.writeText(2, ""); }, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.op(files_);
    EXPECT_EQ(c.expected, errors_.takeErrorNumber());
  }
  EXPECT_EQ("", files_.readLine(2));
  EXPECT_EQ(kBadFileMode, errors_.takeErrorNumber());
  EXPECT_TRUE(files_.atEndOfFile(3));
  EXPECT_EQ(kFileNotFound, errors_.takeErrorNumber());
  EXPECT_FALSE(files_.atEndOfFile(2));
  EXPECT_EQ(0, errors_.takeErrorNumber());
  // Nothing reached either file.
  EXPECT_EQ("line\r\n", readBytes(path("in.txt")));
  EXPECT_EQ("", readBytes(path("out.txt")));
  EXPECT_EQ("line", files_.readLine(1));
}

TEST_F(FileTableTest, WritesReachTheFileAtOnce) {
  files_.openFile(2, "out.txt", FileMode::Output);
  ASSERT_EQ(0, errors_.takeErrorNumber());
  ASSERT_TRUE(exists(path("out.txt")));
  EXPECT_EQ("", readBytes(path("out.txt")));
  files_.writeText(2, "<HTML>");
  EXPECT_EQ("<HTML>", readBytes(path("out.txt")));
  files_.writeLineEnd(2);
  EXPECT_EQ("<HTML>\r\n", readBytes(path("out.txt")));
  files_.writeText(2, "");
  EXPECT_EQ("<HTML>\r\n", readBytes(path("out.txt")));
  // No byte is translated on the way out.
  const std::string raw("\0\n\r\t\x1a\xff end", 11);
  files_.writeText(2, raw);
  files_.writeLineEnd(2);
  EXPECT_EQ(0, errors_.takeErrorNumber());
  EXPECT_EQ("<HTML>\r\n" + raw + kCrLf, readBytes(path("out.txt")));
  files_.closeFile(2);
  EXPECT_EQ(0, errors_.takeErrorNumber());
  EXPECT_EQ("<HTML>\r\n" + raw + kCrLf, readBytes(path("out.txt")));
}

TEST_F(FileTableTest, WriteLineJoinsItsPartsWithALineEnd) {
  const std::string long_part(70 * 1024, 'd');  // beyond the joined length
  struct {
    const char* what;
    std::initializer_list<std::string_view> parts;
  } cases[] = {
      {"none", {}},
      {"one", {"<HTML>"}},
      {"several, some empty", {"<TD>", "", "text", "</TD>"}},
      {"too long to be joined", {"<TD>", long_part, "</TD>"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    files_.openFile(2, "out.txt", FileMode::Output);
    files_.writeLine(2, c.parts);
    std::string expected;
    for (std::string_view part : c.parts) expected += part;
    // On disk at once, before the close.
    EXPECT_EQ(expected + kCrLf, readBytes(path("out.txt")));
    files_.closeFile(2);
    EXPECT_EQ(0, errors_.takeErrorNumber());
  }
}

TEST_F(FileTableTest, OutputCutsAnExistingFileAndRewriteCutsItAtTheClose) {
  const std::string old = "a much longer old content\r\n";
  struct {
    FileMode mode;
    std::string after_open;   // the file's bytes once it is open
    std::string after_write;  // and once "new" is written
  } cases[] = {
      {FileMode::Output, "", "new"},
      {FileMode::Rewrite, old, "new" + old.substr(3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode == FileMode::Output ? "Output" : "Rewrite");
    writeBytes(path("page.htm"), old);
    files_.openFile(2, "page.htm", c.mode);
    ASSERT_EQ(0, errors_.takeErrorNumber());
    EXPECT_EQ(c.after_open, readBytes(path("page.htm")));
    files_.writeText(2, "new");
    EXPECT_EQ(c.after_write, readBytes(path("page.htm")));
    files_.closeFile(2);
    EXPECT_EQ(0, errors_.takeErrorNumber());
    EXPECT_EQ("new", readBytes(path("page.htm")));
  }
}

TEST_F(FileTableTest, RootedNamesLieInTheDriveRoot) {
  ASSERT_EQ(0, mkdir(path("area").c_str(), 0755));
  ASSERT_EQ(0, chdir(path("area").c_str()));
  files_.openFile(4, "\\$DIR$.BAT", FileMode::Output);
  files_.writeText(4, "@del \\$DIR$");
  files_.closeFile(4);
  files_.openFile(1, "..\\..\\$DIR$.BAT", FileMode::Input);
  EXPECT_EQ("@del \\$DIR$", files_.readLine(1));
  EXPECT_EQ(0, errors_.takeErrorNumber());
  EXPECT_EQ("@del \\$DIR$", readBytes(path("$DIR$.BAT")));
}

TEST_F(FileTableTest, CloseAllFilesFreesEveryNumber) {
  writeBytes(path("in.txt"), "x\r\n");
  files_.openFile(1, "in.txt", FileMode::Input);
  files_.openFile(2, "out.txt", FileMode::Output);
  files_.openFile(4, "bat.txt", FileMode::Output);
  files_.writeText(2, "kept");
  ASSERT_EQ(0, errors_.takeErrorNumber());
  files_.closeAllFiles();
  EXPECT_EQ(0, errors_.takeErrorNumber());
  for (int16_t number : {1, 2, 4}) EXPECT_FALSE(files_.isOpen(number));
  EXPECT_EQ("kept", readBytes(path("out.txt")));
  files_.closeAllFiles();
  EXPECT_EQ(0, errors_.takeErrorNumber());
}

TEST_F(FileTableTest, OpenFileIsNotShared) {
  writeBytes(path("list.txt"), "keep\r\n");
  files_.openFile(1, "list.txt", FileMode::Input);
  ASSERT_EQ(0, errors_.takeErrorNumber());
  // Neither a second reader nor a writer gets in, and the writer cuts
  // nothing.
  files_.openFile(2, "list.txt", FileMode::Output);
  EXPECT_EQ(kPermissionDenied, errors_.takeErrorNumber());
  EXPECT_FALSE(files_.isOpen(2));
  EXPECT_EQ("keep\r\n", readBytes(path("list.txt")));
  files_.openFile(3, "list.txt", FileMode::Input);
  EXPECT_EQ(kPermissionDenied, errors_.takeErrorNumber());
  files_.openFile(3, "list.txt", FileMode::Replace);
  EXPECT_EQ(kPermissionDenied, errors_.takeErrorNumber());
  EXPECT_EQ("keep\r\n", readBytes(path("list.txt")));
  // The rule is the run's own: no lock is taken that another process (a
  // reader of the area, another run) could hold or be kept out by.
  EXPECT_EQ(0, inChild([] {
              ErrorRecord errors;
              DrivePaths paths;
              FileTable files(errors, paths);
              files.openFile(1, "list.txt", FileMode::Input);
              return errors.takeErrorNumber();
            }));
  files_.closeFile(1);
  files_.openFile(2, "list.txt", FileMode::Output);
  EXPECT_EQ(0, errors_.takeErrorNumber());
}

TEST_F(FileTableTest, CharacterDevices) {
  // The devices by their own names, below "/" as the drive root: a link
  // to one is followed only where the link is root's, as the device is.
  setenv("DRIVE_ROOT", "/", 1);
  const char* null = "\\dev\\null";
  const char* full = "\\dev\\full";
  // A device is no list: it is refused at once instead of being read,
  // which could wait or go on for ever.
  files_.openFile(3, null, FileMode::Input);
  EXPECT_EQ(kPathFileAccessError, errors_.takeErrorNumber());
  EXPECT_FALSE(files_.isOpen(3));

  files_.openFile(2, null, FileMode::Output);
  files_.writeText(2, "gone");
  files_.writeLineEnd(2);
  files_.closeFile(2);
  EXPECT_EQ(0, errors_.takeErrorNumber());

  // A device that takes nothing is a device error, not a full disk.
  files_.openFile(2, full, FileMode::Output);
  ASSERT_EQ(0, errors_.takeErrorNumber());
  files_.writeText(2, "x");
  EXPECT_EQ(kDeviceIoError, errors_.takeErrorNumber());
  files_.writeLineEnd(2);
  EXPECT_EQ(kDeviceIoError, errors_.takeErrorNumber());
  files_.closeFile(2);
  EXPECT_EQ(0, errors_.takeErrorNumber());
}

// Child exit code for "this machine cannot give the test what it needs".
constexpr int kCannotTest = 99;

TEST_F(FileTableTest, FullDiskIsDiskFull) {
  std::string mount_point = path("tiny");
  ASSERT_EQ(0, mkdir(mount_point.c_str(), 0755));
  int result = inChild([&mount_point] {
    if (!mountPrivateTmpfs(mount_point, "16k")) return kCannotTest;
    if (chdir(mount_point.c_str()) != 0) return kCannotTest;
    ErrorRecord errors;
    DrivePaths paths;
    FileTable files(errors, paths);
    files.openFile(2, "big.txt", FileMode::Output);
    if (errors.takeErrorNumber() != 0) return 1;
    files.writeText(2, std::string(64 * 1024, 'b'));
    int number = errors.takeErrorNumber();
    // What fitted is in the file.
    struct stat st;
    if (stat("big.txt", &st) != 0 || st.st_size == 0) return 2;
    return number;
  });
  if (result == kCannotTest)
    GTEST_SKIP() << "no private tmpfs mount allowed here";
  EXPECT_EQ(kDiskFull, result);
}

TEST_F(FileTableTest, UnreadableFileIsPermissionDenied) {
  ASSERT_EQ(0, chmod(dir_.c_str(), 0755));
  writeBytes(path("secret.txt"), "x\r\n");
  ASSERT_EQ(0, chmod(path("secret.txt").c_str(), 0));
  int result = inChild([] {
    // Root reads everything: act as nobody.
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
      return kCannotTest;
    ErrorRecord errors;
    DrivePaths paths;
    FileTable files(errors, paths);
    files.openFile(1, "secret.txt", FileMode::Input);
    if (files.isOpen(1)) return 1;
    return errors.takeErrorNumber();
  });
  ASSERT_NE(kCannotTest, result);
  EXPECT_EQ(kPermissionDenied, result);
}

TEST_F(FileTableTest, TooManyOpenFiles) {
  writeBytes(path("in.txt"), "x\r\n");
  int result = inChild([] {
    // Standard input, output and error use up the three allowed; any of
    // them that is closed is filled first.
    for (int fd = 0; fd < 3; ++fd) {
      if (fcntl(fd, F_GETFD) < 0 && open("/dev/null", O_RDWR) != fd)
        return kCannotTest;
    }
    ErrorRecord errors;
    DrivePaths paths;
    FileTable files(errors, paths);
    // One open and close before the limit: a sanitizer's type check of the
    // first call through the file operations needs descriptors of its own.
    files.openFile(1, "in.txt", FileMode::Input);
    files.closeFile(1);
    struct rlimit limit = {3, 3};
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0) return kCannotTest;
    files.openFile(1, "in.txt", FileMode::Input);
    if (files.isOpen(1)) return 1;
    return errors.takeErrorNumber();
  });
  ASSERT_NE(kCannotTest, result);
  EXPECT_EQ(kTooManyFiles, result);
}

}  // namespace

// Reading a text held in memory must take the lines that reading it from a
// file takes, and tell when a file read would have asked for more bytes.
TEST_F(FileTableTest, LastLineReadTakesTheLinesAFileReadTakes) {
  const struct {
    std::string text;
    int reads;
    std::string expected;
    bool looked_past_end;
  } cases[] = {
      {"", 6, "", true},
      {"a\r\nb\r\n", 1, "a", false},
      {"a\r\nb\r\n", 2, "b", false},
      {"a\r\nb\r\n", 3, "b", true},  // the check for the end looks further
      {"a\r\nb\r", 2, "b", true},     // so does the look for an LF
      {"a\r\nb\r\nc", 6, "c", true},
      {"a\rb\rc\r\nd", 3, "c", false},  // a lone CR ends a line too
      {"a\nb\r\n", 1, "a\nb", false},   // a lone LF does not
      {"h1\r\nh2\r\n\r\nh4\r\n\r\nentry\r\nsum\r\n", 6, "entry", false},
      {"h1\r\nh2\r\n\r\nh4\r\n\r\n", 6, "", true},
      {"a\r\nb\x1a" "c\r\n", 6, "b", false},  // Ctrl-Z ends the data
      {"a\r\n\x1a", 6, "a", false},
      {"a\r\x1a", 6, "a", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    bool looked = false;
    EXPECT_EQ(c.expected, lastLineRead(c.text, c.reads, &looked));
    EXPECT_EQ(c.looked_past_end, looked);
    // The same bytes read from a file end at the same line.
    std::vector<std::string> lines = readAll(c.text, LineEnds::kCr);
    files_.closeFile(1);
    if (lines.size() > static_cast<size_t>(c.reads)) lines.resize(c.reads);
    EXPECT_EQ(c.expected, lines.empty() ? "" : lines.back());
  }
}

// Gathered writes reach the file a block at a time, and at the flush or the
// close; a full disk shows where the block goes out.
TEST_F(FileTableTest, GatheredWritesGoOutInBlocks) {
  files_.openFile(2, "out.txt", FileMode::Output);
  files_.gatherWrites(2);
  files_.writeLine(2, {"first"});
  files_.writeLine(2, {"second"});
  EXPECT_EQ("", readBytes(path("out.txt")));
  files_.flush(2);
  EXPECT_EQ("first\r\nsecond\r\n", readBytes(path("out.txt")));
  const std::string block(64 * 1024, 'b');
  files_.writeText(2, block);  // a whole block goes at once
  EXPECT_EQ("first\r\nsecond\r\n" + block, readBytes(path("out.txt")));
  files_.writeText(2, "end");
  files_.closeFile(2);
  EXPECT_EQ(0, errors_.takeErrorNumber());
  EXPECT_EQ("first\r\nsecond\r\n" + block + "end", readBytes(path("out.txt")));

  ASSERT_EQ(0, symlink("/dev/full", path("full").c_str()));
  files_.openFile(2, "full", FileMode::Output);
  ASSERT_EQ(0, errors_.takeErrorNumber());
  files_.gatherWrites(2);
  files_.writeText(2, "lost");
  EXPECT_EQ(0, errors_.takeErrorNumber());
  files_.flush(2);
  EXPECT_EQ(kDeviceIoError, errors_.takeErrorNumber());
  files_.closeFile(2);
  EXPECT_EQ(0, errors_.takeErrorNumber());
}
