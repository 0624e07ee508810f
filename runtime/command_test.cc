#include "runtime/command.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/command_runner.h"
#include "runtime/file_table.h"
#include "testing/test_support.h"

namespace {

// Commands run from a scratch directory that is also the drive root.
class RunCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("DRIVE_ROOT", dir_.c_str(), 1);
    ASSERT_EQ(0, chdir(dir_.c_str()));
  }

  ScratchDirectory scratch_{"command_test"};
  ErrorRecord errors_;
  DrivePaths paths_;
  std::unique_ptr<CommandRunner> runner_ = makePlatformRunner(paths_);
  const std::string dir_ = scratch_.path();
};

TEST_F(RunCommandTest, ProgramThatCannotStart) {
  writeBytes(dir_ + "/data.txt", "not a program\n");
  ASSERT_EQ(0, chmod((dir_ + "/data.txt").c_str(), 0644));
  struct {
    const char* line;
    int expected;
  } cases[] = {
      {"kestrel-test-no-such-program", kFileNotFound},
      {"kestrel-test-no-such-program /x", kFileNotFound},
      {".\\no-such-program", kFileNotFound},
      {"\\no-such-program", kFileNotFound},
      {"\\nodir\\program", kPathNotFound},
      {"nodir/program arg", kPathNotFound},
      {".\\data.txt", kPermissionDenied},
      {"", kFileNotFound},
      {"   ", kFileNotFound},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(0, runCommand(errors_, *runner_, paths_, c.line));
    EXPECT_EQ(c.expected, errors_.takeErrorNumber());
  }
}

TEST_F(RunCommandTest, UnsearchableDirectoryOnPathIsNoPermissionFailure) {
  // A directory of the search path that the user may not look into (mode
  // 0, so that its owner may not either): the program is still just not
  // found.
  ASSERT_EQ(0, chmod(dir_.c_str(), 0755));
  const std::string locked = dir_ + "/locked";
  ASSERT_EQ(0, mkdir(locked.c_str(), 0));
  pid_t pid = fork();
  if (pid == 0) {
    // Root may look into any directory: the run is nobody's.
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(99);
    if (access(locked.c_str(), X_OK) == 0) _exit(96);  // not locked after all
    setenv("PATH", (locked + ":/usr/bin:/bin").c_str(), 1);
    ErrorRecord errors;
    int code =
        runCommand(errors, *runner_, paths_, "kestrel-test-no-such-program");
    int number = errors.takeErrorNumber();
    // A program that is there still runs.
    if (runCommand(errors, *runner_, paths_, "true") != 0 ||
        errors.takeErrorNumber() != 0)
      _exit(98);
    _exit(code == 0 ? number : 97);
  }
  int status = 0;
  ASSERT_EQ(pid, waitpid(pid, &status, 0));
  chmod(locked.c_str(), 0700);  // to be removed
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(kFileNotFound, WEXITSTATUS(status));
}

TEST_F(RunCommandTest, ReturnsTheExitCode) {
  struct {
    const char* line;
    int expected;
  } cases[] = {
      {"true", 0},
      {"false", 1},
      {"sh -c \"exit 7\"", 7},
      {"sh -c \"exit 255\"", 255},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(c.expected, runCommand(errors_, *runner_, paths_, c.line));
    // A child that fails is no failure of the tool.
    EXPECT_EQ(0, errors_.takeErrorNumber());
  }
}

TEST_F(RunCommandTest, ChildSharesEnvironmentAndDirectory) {
  setenv("KESTREL_TEST_CODE", "42", 1);
  EXPECT_EQ(42, runCommand(errors_, *runner_, paths_,
                           "sh -c \"exit $KESTREL_TEST_CODE\""));
  unsetenv("KESTREL_TEST_CODE");
  EXPECT_EQ(0,
            runCommand(errors_, *runner_, paths_, "sh -c \"pwd >where.txt\""));
  EXPECT_EQ(dir_ + "\n", readBytes(dir_ + "/where.txt"));
  EXPECT_EQ(0, errors_.takeErrorNumber());
}

TEST_F(RunCommandTest, ChildInheritsNoOpenFile) {
  FileTable files(errors_, paths_);
  files.openFile(2, "held.txt", FileMode::Output);
  ASSERT_EQ(0, errors_.takeErrorNumber());
  EXPECT_EQ(0, runCommand(errors_, *runner_, paths_,
                          "sh -c \"ls -l /proc/$$/fd/ >fds.txt 2>&1\""));
  std::string fds = readBytes(dir_ + "/fds.txt");
  EXPECT_NE("", fds);
  EXPECT_EQ(std::string::npos, fds.find("held.txt")) << fds;
}

TEST_F(RunCommandTest, OnlyTheFirst256CharactersRun) {
  // The script writes the arguments it got, joined by one blank.
  const std::string script = dir_ + "/args.sh";
  writeBytes(script,
             "#!/bin/sh\nprintf '%s' \"$*\" >\"$(dirname \"$0\")/args.out\"\n");
  ASSERT_EQ(0, chmod(script.c_str(), 0755));
  std::string line = ".\\args.sh";
  for (int i = 0; line.size() < 300; ++i) line += " word" + std::to_string(i);
  line.resize(300);
  ASSERT_NE(' ', line[255]);
  ASSERT_NE(' ', line[256]);

  EXPECT_EQ(0, runCommand(errors_, *runner_, paths_, line));
  EXPECT_EQ(0, errors_.takeErrorNumber());
  const std::string prefix = ".\\args.sh ";
  EXPECT_EQ(line.substr(prefix.size(), 256 - prefix.size()),
            readBytes(dir_ + "/args.out"));
}

}  // namespace
