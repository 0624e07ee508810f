#include "shell/interpreter.h"

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

#include "runtime/command.h"
#include "runtime/error_record.h"
#include "shell/dir_listing.h"
#include "testing/test_drive.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

const std::string kCrLf = "\r\n";

// The names of every run here.
DrivePaths& drivePaths() {
  static DrivePaths paths;
  return paths;
}

// The interpreter in front of the platform's runner, on the disk itself.
Interpreter& hostShell() {
  static std::unique_ptr<CommandRunner> runner =
      makePlatformRunner(drivePaths());
  static Interpreter shell(realFileSystem(), drivePaths(), *runner);
  return shell;
}

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
  run.code = runCommand(errors, hostShell(), drivePaths(), line);
  run.err = GetCapturedStderr();
  run.error = errors.takeErrorNumber();
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

TEST(InterpreterTest, CaptureWithAnotherNameIsDeletedNotWrittenOver) {
  // The capture is written over in place only when nothing else sees the
  // file: another name for it and the target of a link keep their bytes.
  struct {
    const char* what;
    int (*make_other)(const char* capture, const char* other);
  } cases[] = {
      {"second hard link",
       [](const char* c, const char* o) { return link(c, o); }},
      {"link to another file",
       [](const char* c, const char* o) {
         return rename(c, o) == 0 ? symlink(o, c) : -1;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestDrive drive;
    drive.writeFile("AREA/a.txt", "a");
    drive.writeFile("$DIR$", "old capture");
    std::string capture = drive.path("$DIR$");
    std::string other = drive.path("OTHER");
    ASSERT_EQ(0, c.make_other(capture.c_str(), other.c_str()));
    Outcome run = runBatch(drive, lookupBatch("a.txt"));
    EXPECT_EQ(0, run.code);
    EXPECT_EQ("", run.err);
    EXPECT_EQ("old capture", drive.readFile("OTHER"));
    EXPECT_EQ(8u, captureLines(drive.readFile("$DIR$")).size());
  }
}

TEST(InterpreterTest, QuotedDeleteRemovesTheNameBetweenItsQuotes) {
  // "del "X"" removes X, and ">"X"" then makes a file whose name holds the
  // quotes: the two lines name different files, so neither is written over
  // in place of the other.
  TestDrive drive;
  drive.writeFile("AREA/X", "old");
  drive.writeFile("AREA/\"X\"", "quoted");
  Outcome run =
      runBatch(drive, "@del \"X\"" + kCrLf + "@cmd /c DIR /B X >\"X\"" + kCrLf);
  EXPECT_EQ(1, run.code);
  EXPECT_FALSE(drive.exists("AREA/X"));
  EXPECT_EQ("", drive.readFile("AREA/\"X\""));
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
      entryNames(capture));
}

TEST(InterpreterTest, MissingBatchCannotStart) {
  TestDrive drive;
  Outcome run = runLine("\\$DIR$.BAT");
  EXPECT_EQ(kFileNotFound, run.error);
  EXPECT_EQ(0, run.code);
  Outcome no_dir = runLine("\\nodir\\x.bat");
  EXPECT_EQ(kPathNotFound, no_dir.error);
}

TEST(InterpreterTest, KnowsWhichLinesAreItsOwn) {
  struct {
    const char* line;
    bool expected;
  } cases[] = {
      {"\\$DIR$.BAT", true},
      {"x.bat", true},
      {"SUB\\RUN.Cmd arg", true},
      {"cmd /c dir /x >\\$lvtr$.txt", true},
      {"CMD /C DIR", true},
      {"cmd.exe /c dir", true},
      {"  cmd /c dir", true},
      {"cmd", false},
      {"cmd /k dir", false},
      {"cmdx /c dir", false},
      {"batch", false},
      {".bat", false},
      {"x.bat.txt", false},
      {"ls -l", false},
      {"", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(c.expected, isInterpreterCommand(c.line));
  }
}

// List names that look like shell syntax reach DIR as one literal name:
// the capture shows the file when it exists, the header alone when it does
// not, and nothing else on the drive changes either way.
// Runs the scratch batch of `drive` and expects it to list `name` alone
// into the capture, quietly, with nothing else changed.
void expectLookupFinds(const TestDrive& drive, const std::string& name) {
  std::vector<std::string> before = drive.contents();
  Outcome found = runLine("\\$DIR$.BAT");
  EXPECT_EQ(0, found.code);
  EXPECT_EQ("", found.err);
  EXPECT_EQ(std::vector<std::string>{name},
            entryNames(drive.readFile("$DIR$")));
  EXPECT_EQ(before, drive.contents());
}

TEST(InterpreterTest, HostileNamesAreLiteral) {
  const char* names[] = {">x",   "a|b",  "$(touch y)", "%PATH%",
                         "x;rm", "a\"b", "`id`",       "a&del a",
                         "<in",  "*>z",  "'q'"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    TestDrive drive;
    drive.writeFile("$DIR$.BAT", lookupBatch(name));
    drive.writeFile("$DIR$", "old");
    std::vector<std::string> before = drive.contents();

    Outcome missing = runLine("\\$DIR$.BAT");
    EXPECT_EQ(5u, captureLines(drive.readFile("$DIR$")).size());
    EXPECT_EQ("File Not Found\n", missing.err);
    EXPECT_EQ(before, drive.contents());

    drive.writeFile(std::string("AREA/") + name, "12345");
    expectLookupFinds(drive, name);
  }
}

// A name in double quotes is the text between them, blanks, "&" and ">"
// included; nothing else in it is a quoting rule.
TEST(InterpreterTest, QuotedNameIsOneLiteralName) {
  const char* names[] = {
      "Disk Utilities Pack.zip", "Q & A.pdf", "x >y", "two  blanks ", "a\"b c",
      "r\xc3\xa9sum\xc3\xa9.txt"};
  for (const char* name : names) {
    SCOPED_TRACE(name);
    TestDrive drive;
    drive.writeFile(std::string("AREA/") + name, "12345");
    drive.writeFile("AREA/Disk", "");
    drive.writeFile("$DIR$", "old");
    drive.writeFile("$DIR$.BAT", lookupBatch("\"" + std::string(name) + "\""));
    expectLookupFinds(drive, name);

    // A line's output file is its last word, as in the lookup line.
    Outcome deleted = runLine("cmd /c del \"" + std::string(name) + "\" >nul");
    EXPECT_EQ(0, deleted.code);
    EXPECT_FALSE(drive.exists(std::string("AREA/") + name));
  }
}

// A DIR name in double quotes is literal, "*" and "?" included, as
// kestrel's lookup line gives a list name that holds them; a bare one is a
// pattern, as in the tools' own listings.
TEST(InterpreterTest, QuotedWildcardNameListsItsOneEntry) {
  const struct {
    const char* written;
    std::vector<std::string> names;
  } cases[] = {
      {"\"a*b.zip\"", {"a*b.zip"}},
      {"\"a?c.zip\"", {"a?c.zip"}},
      {"\"*.*\"", {"*.*"}},
      {"\"a*\"", {}},
      {"a*", {"a*b.zip", "a?c.zip", "aXb.zip"}},
      {"*.*", {"*.*", "a*b.zip", "a?c.zip", "aXb.zip"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    TestDrive drive;
    for (const char* name : {"a*b.zip", "a?c.zip", "aXb.zip", "*.*"})
      drive.writeFile(std::string("AREA/") + name, name);
    drive.writeFile("$DIR$", "old");
    Outcome run = runBatch(drive, lookupBatch(c.written));
    EXPECT_EQ(c.names.empty() ? 1 : 0, run.code);
    EXPECT_EQ(c.names.empty() ? "File Not Found\n" : "", run.err);
    EXPECT_EQ(c.names, entryNames(drive.readFile("$DIR$")));
  }
}

// A name holding a control byte stays one word of its batch line, is looked
// up as it stands and is never listed: no line of the capture is forged,
// and nothing that its pieces name runs.
TEST(InterpreterTest, NamesWithControlBytesAreNeverListed) {
  const struct {
    const char* name;
    const char* shown;  // as standard error shows it
  } cases[] = {
      {"a\nEVIL.BAT", "a^JEVIL.BAT"},
      {">FILES.BBS\nx", ">FILES.BBS^Jx"},
      {"z\x1a", "z^Z"},
      {"t\tb", "t^Ib"},
      {"\x1b]0;T\x07", "^[]0;T^G"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.shown);
    TestDrive drive;
    drive.makeDirectory("other");
    drive.writeFile("AREA/EVIL.BAT", "@del \\other\\DATA.ZIP\r\n");
    drive.writeFile("other/DATA.ZIP", "data");
    drive.writeFile("other/FILES.BBS", "list");
    drive.writeFile("AREA/ok.txt", "ok");
    drive.writeFile(std::string("AREA/") + c.name, "x");
    drive.writeFile("$DIR$.BAT", lookupBatch(c.name));
    drive.writeFile("$DIR$", "old");
    std::vector<std::string> before = drive.contents();

    Outcome lookup = runLine("\\$DIR$.BAT");
    EXPECT_EQ(1, lookup.code);
    EXPECT_EQ("Skipped a name holding a control character: " +
                  std::string(c.shown) + "\nFile Not Found\n",
              lookup.err);
    EXPECT_EQ(5u, captureLines(drive.readFile("$DIR$")).size());

    Outcome listed = runLine("cmd /c DIR /X >\\$DIR$");
    EXPECT_EQ(0, listed.code);
    EXPECT_EQ("Skipped a name holding a control character: " +
                  std::string(c.shown) + "\n",
              listed.err);
    EXPECT_EQ((std::vector<std::string>{".", "..", "EVIL.BAT", "ok.txt"}),
              entryNames(drive.readFile("$DIR$")));

    Outcome bare = runLine("cmd /c DIR /B *.* >\\$DIR$");
    EXPECT_EQ(0, bare.code);
    EXPECT_EQ("EVIL.BAT\r\nok.txt\r\n", drive.readFile("$DIR$"));
    EXPECT_EQ(before, drive.contents());
  }
}

TEST(InterpreterTest, NothingElseEverRuns) {
  struct {
    const char* line;
    const char* err;
  } cases[] = {
      {"@touch \\made", "'touch' is not recognized"},
      {"@/bin/sh -c 'touch \\made'", "'/bin/sh' is not recognized"},
      {"@echo x", "'echo' is not recognized"},
      {"@cmd /c rm a.txt", "'rm' is not recognized"},
      {"@cmd /k dir", "The syntax of the command is incorrect."},
      {"@cmd", "The syntax of the command is incorrect."},
      {"@del", "The syntax of the command is incorrect."},
      {"@del /s a.txt", "Invalid switch - \"s\"."},
      {"@dir /s", "Invalid switch - \"s\"."},
      {"@dir /x >", "The syntax of the command is incorrect."},
      {"@del *", "Could Not Find C:\\AREA\\*"},
      {"@del sub", "Access is denied."},
      {"@del nodir\\a.txt", "The system cannot find the path specified."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    TestDrive drive;
    drive.writeFile("AREA/a.txt", "a");
    drive.makeDirectory("AREA/sub");
    drive.writeFile("$DIR$.BAT", std::string(c.line) + "\r\n");
    std::vector<std::string> before = drive.contents();
    Outcome run = runLine("\\$DIR$.BAT");
    EXPECT_EQ(1, run.code);
    EXPECT_EQ(0, run.error);
    EXPECT_EQ(0u, run.err.find(c.err)) << run.err;
    EXPECT_EQ(before, drive.contents());
  }
}

TEST(InterpreterTest, NestingIsBounded) {
  TestDrive drive;
  drive.writeFile("AREA/a.txt", "a");
  std::string line;
  for (int i = 0; i < 5; ++i) line += "cmd /c ";
  testing::internal::CaptureStdout();
  Outcome shallow = runLine(line + "dir /b a.txt");
  EXPECT_EQ("a.txt\r\n", testing::internal::GetCapturedStdout());
  EXPECT_EQ(0, shallow.code);

  for (int i = 0; i < 1000; ++i) line += "cmd /c ";
  Outcome deep = runBatch(drive, "@" + line + "dir /b a.txt >out\r\n");
  EXPECT_EQ(1, deep.code);
  EXPECT_EQ("The commands are nested too deeply.\n", deep.err);

  // A batch that runs itself stops too.
  Outcome looping = runBatch(drive, "@\\$DIR$.BAT\r\n");
  EXPECT_EQ(1, looping.code);
  EXPECT_EQ("The commands are nested too deeply.\n", looping.err);
}

TEST(InterpreterTest, BatchLinesCaseAndExitCode) {
  TestDrive drive;
  drive.writeFile("AREA/a.txt", "a");
  // CR alone ends a line too, a lone LF does not; blank and "@"-only lines
  // do nothing; the last command's exit code is the batch's.
  Outcome run = runBatch(drive,
                         "\r\n@\r  @DIR /B A.TXT >one\rDir /b a.txt >>two\r\n"
                         "dir /B a.txt >>two\r\ndir /b a.txt\n>>three\r\n");
  EXPECT_EQ(1, run.code);
  EXPECT_EQ("File Not Found\nFile Not Found\n", run.err);
  EXPECT_EQ("", drive.readFile("AREA/one"));
  EXPECT_EQ("a.txt\r\na.txt\r\n", drive.readFile("AREA/two"));
  EXPECT_FALSE(drive.exists("AREA/three"));

  Outcome last_fails = runBatch(drive, "DEL one\r\ndel one\r\n");
  EXPECT_EQ(1, last_fails.code);
  EXPECT_EQ("Could Not Find C:\\AREA\\one\n", last_fails.err);
  EXPECT_FALSE(drive.exists("AREA/one"));

  // A batch line naming another batch hands over to it for good.
  drive.writeFile("AREA/next.bat", "dir /b a.txt >from_next\r\n");
  runBatch(drive, "next.bat\r\ndir /b a.txt >after\r\n");
  EXPECT_TRUE(drive.exists("AREA/from_next"));
  EXPECT_FALSE(drive.exists("AREA/after"));
}

TEST(InterpreterTest, OutputWithoutFileGoesToStandardOutput) {
  TestDrive drive;
  drive.writeFile("AREA/a.txt", "a");
  testing::internal::CaptureStdout();
  Outcome run = runLine("cmd /c dir /b a.txt");
  EXPECT_EQ("a.txt\r\n", testing::internal::GetCapturedStdout());
  EXPECT_EQ(0, run.code);
  EXPECT_EQ("", run.err);

  std::vector<std::string> before = drive.contents();
  testing::internal::CaptureStdout();
  EXPECT_EQ(0, runLine("cmd /c dir /b a.txt >NUL").code);
  EXPECT_EQ("", testing::internal::GetCapturedStdout());
  EXPECT_EQ(before, drive.contents());
}

TEST(InterpreterTest, OutputFileThatCannotBeMadeStopsTheCommand) {
  TestDrive drive;
  drive.writeFile("AREA/a.txt", "a");
  ASSERT_EQ(0, mkfifo(drive.path("AREA/fifo").c_str(), 0644));
  struct {
    const char* line;
    const char* err;
  } cases[] = {
      {"cmd /c del a.txt >\\nodir\\cap",
       "The system cannot find the path specified.\n"},
      {"cmd /c del a.txt >a.txt\\cap",
       "The system cannot find the path specified.\n"},
      {"cmd /c del a.txt >\\AREA", "Access is denied.\n"},
      // A FIFO without a reader must not make the run wait.
      {"cmd /c del a.txt >fifo", "No such device or address\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    Outcome run = runLine(c.line);
    EXPECT_EQ(1, run.code);
    EXPECT_EQ(c.err, run.err);
    EXPECT_EQ("a", drive.readFile("AREA/a.txt"));
  }
  // A capture cut short by a full disk is a failure, not a success, and
  // no part of it is left.
  ChildRun cut = runInChild(
      [] {
        struct rlimit limit = {100, 100};
        if (signal(SIGXFSZ, SIG_IGN) == SIG_ERR ||
            setrlimit(RLIMIT_FSIZE, &limit) != 0)
          return 99;
        int exit_code = 0;
        if (hostShell().run("cmd /c dir /x >cap", &exit_code) != kNoError)
          return 98;
        return exit_code;
      },
      /*as_nobody=*/false);
  EXPECT_EQ(1, cut.code);
  EXPECT_EQ("There is not enough space on the disk.\n", cut.err);
  EXPECT_FALSE(drive.exists("AREA/cap"));

  // So is a device that takes nothing, through the keeper's own link.
  if (geteuid() != 0) {
    GTEST_SKIP() << "a link to /dev/full is the keeper's own only when root, "
                    "who owns the device, runs the test";
  }
  ASSERT_EQ(0, symlink("/dev/full", drive.path("AREA/full").c_str()));
  Outcome full = runLine("cmd /c dir /x >full");
  EXPECT_EQ(1, full.code);
  EXPECT_EQ("There is not enough space on the disk.\n", full.err);
}

TEST(InterpreterTest, PermissionsHoldForAnUnprivilegedUser) {
  TestDrive drive;
  drive.writeFile("AREA/a.txt", "a");
  drive.setTime("AREA/a.txt", utcTime(2000, 1, 1, 0, 7));
  drive.writeFile("AREA/a*.txt", "ab");
  // The area may be searched but not read or written, and the drive root
  // not written, whoever owns them.
  ASSERT_EQ(0, chmod(drive.path("AREA").c_str(), 0111));
  ASSERT_EQ(0, chmod(drive.root().c_str(), 0555));

  ChildRun denied = runAsNobody([] {
    int exit_code = 0;
    if (hostShell().run("cmd /c dir /x >\\$lvtr$.txt", &exit_code) != kNoError)
      return 99;
    return exit_code;
  });
  EXPECT_EQ(1, denied.code);
  EXPECT_EQ("Access is denied.\n", denied.err);
  EXPECT_FALSE(drive.exists("$lvtr$.txt"));

  // One name is looked up without reading its directory.
  ChildRun one = runAsNobody([] {
    int exit_code = 0;
    if (hostShell().run("cmd /c dir /x a.txt", &exit_code) != kNoError)
      return 99;
    return exit_code;
  });
  EXPECT_EQ(0, one.code);
  EXPECT_EQ("", one.err);
  EXPECT_NE(std::string::npos,
            one.out.find("\r\n01/01/2000  12:07 AM                 1  "));

  // So is a quoted name that holds "*": it is one name, not a pattern.
  ChildRun literal = runAsNobody([] {
    int exit_code = 0;
    if (hostShell().run("cmd /c dir /x \"a*.txt\"", &exit_code) != kNoError)
      return 99;
    return exit_code;
  });
  EXPECT_EQ(0, literal.code);
  EXPECT_EQ("", literal.err);
  EXPECT_NE(std::string::npos,
            literal.out.find("                 2              a*.txt\r\n"));

  ChildRun pattern = runAsNobody([] {
    int exit_code = 0;
    if (hostShell().run("cmd /c dir /x a.*", &exit_code) != kNoError) return 99;
    return exit_code;
  });
  EXPECT_EQ(1, pattern.code);
  EXPECT_EQ("Access is denied.\n", pattern.err);
  chmod(drive.path("AREA").c_str(), 0755);  // to be removed
  chmod(drive.root().c_str(), 0755);
}

}  // namespace
