// The Windows layer under the file table and the commands: open failures,
// no sharing, cutting and character devices, names, and child processes.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/command_runner.h"
#include "platform/drive_path.h"
#include "runtime/command.h"
#include "runtime/file_table.h"

namespace {

namespace fs = std::filesystem;

void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Each test works in a fresh directory of its own as the current directory.
class PlatformTest : public testing::Test {
 protected:
  void SetUp() override {
    const testing::TestInfo* test =
        testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() /
           ("kestrel_" + std::string(test->name()) + "_" +
            std::to_string(GetCurrentProcessId()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    saved_cwd_ = fs::current_path();
    fs::current_path(dir_);
  }

  void TearDown() override {
    files_.closeAllFiles();
    fs::current_path(saved_cwd_);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  fs::path dir_;
  fs::path saved_cwd_;
  ErrorRecord errors_;
  DrivePaths paths_;
  FileTable files_{errors_, paths_};
  std::unique_ptr<CommandRunner> runner_ = makePlatformRunner(paths_);
};

TEST_F(PlatformTest, OpenFailures) {
  fs::create_directory("sub");
  struct {
    const char* name;
    FileMode mode;
    int expected;
  } cases[] = {
      {"absent.txt", FileMode::Input, kFileNotFound},
      {"nodir\\absent.txt", FileMode::Input, kPathNotFound},
      {"nodir\\new.txt", FileMode::Output, kPathNotFound},
      {"sub", FileMode::Input, kPermissionDenied},
      {"sub", FileMode::Output, kPermissionDenied},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files_.openFile(1, c.name, c.mode);
    EXPECT_EQ(c.expected, errors_.takeErrorNumber());
    EXPECT_FALSE(files_.isOpen(1));
  }
}

TEST_F(PlatformTest, OpenFileIsNotShared) {
  writeBytes("held.txt", "first\r\nsecond\r\n");
  files_.openFile(1, "held.txt", FileMode::Input);
  ASSERT_EQ(0, errors_.takeErrorNumber());
  for (FileMode mode : {FileMode::Input, FileMode::Output}) {
    files_.openFile(2, "held.txt", mode);
    EXPECT_EQ(kPermissionDenied, errors_.takeErrorNumber());
  }
  // The refused output open has not cut the file in use.
  EXPECT_EQ("first", files_.readLine(1));
  EXPECT_FALSE(DeleteFileA("held.txt"));
  files_.closeFile(1);
  EXPECT_EQ("first\r\nsecond\r\n", readBytes("held.txt"));
}

TEST_F(PlatformTest, OutputCutsAnExistingFileAndKeepsItsAttributes) {
  writeBytes("page.htm", "a much longer old content\r\n");
  ASSERT_TRUE(SetFileAttributesA("page.htm", FILE_ATTRIBUTE_HIDDEN));
  files_.openFile(2, "page.htm", FileMode::Output);
  ASSERT_EQ(0, errors_.takeErrorNumber());
  files_.writeText(2, "new");
  files_.writeLineEnd(2);
  files_.closeFile(2);
  EXPECT_EQ(0, errors_.takeErrorNumber());
  EXPECT_EQ("new\r\n", readBytes("page.htm"));
  EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN),
            GetFileAttributesA("page.htm") & FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesA("page.htm", FILE_ATTRIBUTE_NORMAL);
}

TEST_F(PlatformTest, ReadOnlyFileRefusesOutput) {
  writeBytes("locked.txt", "keep\r\n");
  ASSERT_TRUE(SetFileAttributesA("locked.txt", FILE_ATTRIBUTE_READONLY));
  // wine keeps the attribute as the file's Unix modes, which root ignores.
  HANDLE probe = CreateFileA("locked.txt", GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    SetFileAttributesA("locked.txt", FILE_ATTRIBUTE_NORMAL);
    GTEST_SKIP() << "this host lets a read-only file be opened for writing "
                    "(wine run by root); run as another user to test it";
  }
  files_.openFile(2, "locked.txt", FileMode::Output);
  EXPECT_EQ(kPermissionDenied, errors_.takeErrorNumber());
  SetFileAttributesA("locked.txt", FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ("keep\r\n", readBytes("locked.txt"));
}

TEST_F(PlatformTest, NulIsACharacterDevice) {
  files_.openFile(1, "NUL", FileMode::Input);
  ASSERT_EQ(0, errors_.takeErrorNumber());
  EXPECT_TRUE(files_.atEndOfFile(1));
  files_.openFile(2, "NUL", FileMode::Output);
  ASSERT_EQ(0, errors_.takeErrorNumber());
  files_.writeText(2, "gone");
  files_.writeLineEnd(2);
  files_.closeAllFiles();
  EXPECT_EQ(0, errors_.takeErrorNumber());
}

TEST_F(PlatformTest, Names) {
  std::string cwd = fs::current_path().string();
  EXPECT_EQ("sub/x.txt", paths_.hostPath("sub/x.txt"));
  EXPECT_EQ("\\$DIR$", paths_.hostPath("\\$DIR$"));
  EXPECT_EQ(cwd + "\\x.txt", paths_.absoluteHostPath("x.txt"));
  EXPECT_EQ(cwd, paths_.absoluteHostPath(""));
  // The temporary directory lies on a drive with a letter.
  EXPECT_EQ(cwd.substr(0, 3), paths_.root());
  EXPECT_EQ(cwd, paths_.displayPath(cwd));
}

TEST_F(PlatformTest, RunCommand) {
  EXPECT_EQ(
      0, runCommand(errors_, *runner_, paths_, "kestrel_no_such_program.exe"));
  EXPECT_EQ(kFileNotFound, errors_.takeErrorNumber());
  EXPECT_EQ(0, runCommand(errors_, *runner_, paths_, ""));
  EXPECT_EQ(kFileNotFound, errors_.takeErrorNumber());

  EXPECT_EQ(42, runCommand(errors_, *runner_, paths_, "cmd /c exit 42"));
  // A batch file runs through cmd without one being named.
  writeBytes("job.bat", "@exit 7\r\n");
  EXPECT_EQ(7, runCommand(errors_, *runner_, paths_, "job.bat"));
  EXPECT_EQ(0, errors_.takeErrorNumber());
}

TEST_F(PlatformTest, OnlyTheFirst256CharactersRun) {
  std::string line = "cmd /c >out.txt echo ";
  line += std::string(256 - line.size(), 'a');
  runCommand(errors_, *runner_, paths_, line + "TAIL");
  EXPECT_EQ(0, errors_.takeErrorNumber());
  EXPECT_EQ(std::string(235, 'a') + "\r\n", readBytes("out.txt"));
}

TEST_F(PlatformTest, ChildCannotTouchAnOpenFile) {
  writeBytes("held.txt", "x\r\n");
  files_.openFile(1, "held.txt", FileMode::Input);
  ASSERT_EQ(0, errors_.takeErrorNumber());
  runCommand(errors_, *runner_, paths_, "cmd /c del held.txt");
  files_.closeFile(1);
  EXPECT_TRUE(fs::exists("held.txt"));
}

}  // namespace
