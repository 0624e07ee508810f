#include "services/interpreter.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "services/command.h"
#include "services/dir_listing.h"
#include "services/error_record.h"
#include "services/test_drive.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

const std::string kCrLf = "\r\n";

// Runs a line as the tools do and keeps what went to standard error.
struct Outcome {
  int code = -1;
  int error = 0;  // the error number recorded by runCommand
  std::string err;
};

Outcome runLine(const std::string& line) {
  ErrorRecord errors;
  Outcome run;
  CaptureStderr();
  run.code = runCommand(errors, line);
  run.err = GetCapturedStderr();
  run.error = errors.peekErrorNumber();
  return run;
}

// Writes the scratch batch as kestrel does and runs it by its name.
Outcome runBatch(TestDrive& drive, const std::string& lines) {
  drive.writeFile("$DIR$.BAT", lines);
  return runLine("\\$DIR$.BAT");
}

std::string lookupBatch(const std::string& name) {
  return "@del \\$DIR$" + kCrLf + "@cmd /c DIR /X " + name + " >\\$DIR$" +
         kCrLf;
}

// Column 53 on of the entry lines of a capture (those not opening with a
// blank).
std::vector<std::string> listedNames(const std::string& capture) {
  std::vector<std::string> names;
  for (const std::string& line : captureLines(capture)) {
    if (!line.empty() && line[0] != ' ') names.push_back(line.substr(52));
  }
  return names;
}

TEST(InterpreterTest, LooksUpOneNameThroughTheScratchBatch) {
  TestDrive drive;
  drive.makeSparseFile("AREA/a.txt", 12345);
  drive.setTime("AREA/a.txt", utcTime(2021, 3, 4, 15, 30));

  Outcome first = runBatch(drive, lookupBatch("a.txt"));
  EXPECT_EQ(0, first.error);
  EXPECT_EQ(0, first.code);
  // No earlier capture: del says so on standard error and the batch goes on.
  EXPECT_EQ("Could Not Find C:\\$DIR$\n", first.err);
  std::vector<std::string> lines = captureLines(drive.readFile("$DIR$"));
  ASSERT_EQ(8u, lines.size());
  EXPECT_EQ(" Volume in drive C has no label.", lines[0]);
  EXPECT_EQ("", lines[2]);
  EXPECT_EQ(" Directory of C:\\AREA", lines[3]);
  EXPECT_EQ("", lines[4]);
  EXPECT_EQ("03/04/2021  03:30 PM            12,345              a.txt",
            lines[5]);
  EXPECT_EQ("               1 File(s)         12,345 bytes", lines[6]);

  // Again: the old capture is deleted without a word, a missing name leaves
  // the header alone.
  Outcome second = runBatch(drive, lookupBatch("b.txt"));
  EXPECT_EQ("File Not Found\n", second.err);
  EXPECT_EQ(1, second.code);
  EXPECT_EQ(5u, captureLines(drive.readFile("$DIR$")).size());
}

TEST(InterpreterTest, BareListingNamesTheNewListItself) {
  TestDrive drive;
  drive.writeFile("AREA/B.ZIP", "b");
  drive.writeFile("AREA/a.zip", "a");
  drive.makeDirectory("AREA/sub");
  Outcome run = runBatch(drive, "@cmd /c DIR /B *.* >FILES.BBS\r\n");
  EXPECT_EQ(0, run.error);
  EXPECT_EQ(0, run.code);
  EXPECT_EQ("", run.err);
  EXPECT_EQ("a.zip\r\nB.ZIP\r\nFILES.BBS\r\nsub\r\n",
            drive.readFile("AREA/FILES.BBS"));
}

TEST(InterpreterTest, WholeDirectoryCaptureOfTheRootListsItself) {
  TestDrive drive;
  drive.writeFile("x.txt", "x");
  ASSERT_EQ(0, chdir(drive.root().c_str()));
  Outcome run = runLine("cmd /c dir /x >\\$lvtr$.txt");
  EXPECT_EQ(0, run.error);
  EXPECT_EQ(0, run.code);
  std::string capture = drive.readFile("$lvtr$.txt");
  EXPECT_EQ(" Directory of C:\\", captureLines(capture)[3]);
  EXPECT_EQ(
      (std::vector<std::string>{".", "..", "$lvtr$.txt", "AREA", "x.txt"}),
      listedNames(capture));
}

TEST(InterpreterTest, MissingBatchCannotStart) {
  TestDrive drive;
  Outcome run = runLine("\\$DIR$.BAT");
  EXPECT_EQ(kFileNotFound, run.error);
  EXPECT_EQ(0, run.code);
  Outcome no_dir = runLine("\\nodir\\x.bat");
  EXPECT_EQ(kPathNotFound, no_dir.error);
}

}  // namespace
