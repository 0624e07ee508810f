#include "shell/in_process_lookup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "platform/command_runner.h"
#include "runtime/command.h"
#include "runtime/file_table.h"
#include "testing/test_drive.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;
using Result = LookupShortcut::Result;

const char kBatch[] = "\\$DIR$.BAT";
const char kCapture[] = "\\$DIR$";

// The layers of a run on POSIX, with the interpreter's messages on
// standard error, so that a test sees them.
struct Layers {
  explicit Layers(DrivePaths& paths)
      : runner(makePlatformRunner(paths)),
        interpreter(overlay, paths, *runner, BatchMessages::kStandardError),
        lookup(overlay, interpreter) {}
  std::unique_ptr<CommandRunner> runner;
  ScratchOverlay overlay{realFileSystem()};
  Interpreter interpreter;
  InProcessLookup lookup;
};

// What one lookup left: the line read, what was said, and the scratch
// files after the release (the free room masked: it changes as files are
// written).
struct Outcome {
  std::string line;
  std::string said;
  std::string batch;
  std::string capture;
};

std::string masked(std::string capture) {
  return std::regex_replace(capture, std::regex("[0-9,]+ bytes free"),
                            "N bytes free");
}

// The capture's first six lines read as the page generator reads them.
std::string readLine(FileTable& files) {
  std::string line;
  files.openFile(3, kCapture, FileMode::Input);
  for (int i = 0; i < 6 && !files.atEndOfFile(3); ++i) files.readLine(3, &line);
  files.closeFile(3);
  return line;
}

// Looks `name` up with its batch, the whole way or by the shortcut; the
// result of the shortcut, kNotTaken for the whole way.
Result lookUp(TestDrive& drive, const std::string& word, bool shortcut,
              Outcome* outcome) {
  DrivePaths paths;
  Layers layers(paths);
  ErrorRecord errors;
  FileTable files(errors, paths, layers.overlay);
  std::string batch_path = paths.hostPath(kBatch);
  std::string capture_path = paths.hostPath(kCapture);
  layers.overlay.hold({batch_path, capture_path});
  std::vector<std::string> lines = {std::string("@del ") + kCapture,
                                    "@cmd /c DIR /X " + word + " >" + kCapture};
  // As the page generator goes: the shortcut first; where it is not taken
  // the batch is written, and run in process or else by its name.
  LookupBatch batch{kBatch, batch_path, lines, kCapture, capture_path, 6};
  Result result = Result::kNotTaken;
  CaptureStderr();
  if (shortcut) result = layers.lookup.lookUp(batch, &outcome->line);
  if (result == Result::kNotTaken || result == Result::kWriteFirst) {
    files.openFile(4, kBatch, FileMode::Rewrite);
    files.writeText(4, lines[0] + "\r\n" + lines[1] + "\r\n");
    files.closeFile(4);
    if (result == Result::kWriteFirst) {
      batch.written = true;
      result = layers.lookup.lookUp(batch, &outcome->line);
    }
    if (result == Result::kNotTaken || result == Result::kWriteFirst)
      (void)runCommand(errors, layers.interpreter, paths, kBatch);
  }
  if (result != Result::kLineRead) outcome->line = readLine(files);
  outcome->said = GetCapturedStderr();
  EXPECT_EQ(0, errors.takeErrorNumber());
  EXPECT_EQ(kNoError, layers.overlay.release());
  outcome->batch = drive.readFile("$DIR$.BAT");
  outcome->capture = masked(drive.readFile("$DIR$"));
  return result;
}

// Every lookup the shortcut takes leaves what the batch leaves; those it
// does not take are the ones it cannot answer from memory.
TEST(InProcessLookupTest, LeavesWhatTheBatchLeaves) {
  const struct {
    const char* word;
    Result expected;
  } cases[] = {
      {"a.txt", Result::kLineRead},
      {"GONE.TXT", Result::kLineRead},
      {"\"b c.txt\"", Result::kLineRead},
      {"\"w*ld\"", Result::kLineRead},
      {"sub", Result::kLineRead},  // its listing made at the release
      {"sub\\a.txt", Result::kLineRead},
      {"odd", Result::kLineRead},  // a name inside left out, with a word
      {"\\$DIR$", Result::kNotTaken},  // the capture itself
      {"\\$DIR$.BAT", Result::kNotTaken},
      {"/b", Result::kNotTaken},  // one more switch
      {".", Result::kNotTaken},   // the area, which the run changes
  };
  for (bool earlier_capture : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.word) +
                   (earlier_capture ? ", an earlier capture" : ""));
      TestDrive drive;
      drive.makeDirectory("AREA/sub");
      drive.makeDirectory("AREA/odd");
      drive.writeFile("AREA/a.txt", "aaa");
      drive.writeFile("AREA/b c.txt", "bc");
      drive.writeFile("AREA/w*ld", "wild");
      drive.writeFile("AREA/sub/a.txt", "in sub");
      drive.writeFile("AREA/sub/b.txt", "more");
      drive.writeFile("AREA/odd/ok.txt", "ok");
      drive.writeFile("AREA/odd/bad\x01name", "bad");
      for (const char* path : {"AREA/a.txt", "AREA/sub", "AREA/sub/a.txt",
                               "AREA/sub/b.txt", "AREA/odd", "AREA"}) {
        drive.setTime(path, utcTime(2020, 1, 2, 3, 4));
      }
      auto reset = [&] {
        unlink((drive.root() + "/$DIR$.BAT").c_str());
        unlink((drive.root() + "/$DIR$").c_str());
        if (earlier_capture) drive.writeFile("$DIR$", "old\r\n");
      };
      reset();
      Outcome whole;
      ASSERT_EQ(Result::kNotTaken, lookUp(drive, c.word, false, &whole));
      reset();
      Outcome taken;
      EXPECT_EQ(c.expected, lookUp(drive, c.word, true, &taken));
      EXPECT_EQ(whole.line, taken.line);
      EXPECT_EQ(whole.said, taken.said);
      EXPECT_EQ(whole.batch, taken.batch);
      EXPECT_EQ(whole.capture, taken.capture);
    }
  }
}

}  // namespace
