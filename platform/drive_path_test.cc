#include "platform/drive_path.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "testing/test_support.h"

namespace {

TEST(DrivePathTest, MapDriveName) {
  struct {
    const char* root;
    const char* cwd;
    const char* name;
    const char* expected;
  } cases[] = {
      {"/r", "/r/d", "\\SUB\\X", "/r/SUB/X"},
      {"/r", "/r/d", "/SUB/X", "/r/SUB/X"},
      {"/r", "/r/d", "\\$DIR$.BAT", "/r/$DIR$.BAT"},
      {"/r", "/r/d", "A\\B", "/r/d/A/B"},
      {"/r", "/r/d", "A/B", "/r/d/A/B"},
      {"/r", "/r/d", "A\\\\B\\", "/r/d/A/B"},
      {"/r", "/r/d", ".\\A", "/r/d/A"},
      {"/r", "/r/d", "", "/r/d"},
      {"/r", "/r/d", "\\", "/r"},
      // ".." stops at the drive root.
      {"/r", "/r/d", "\\..\\X", "/r/X"},
      {"/r", "/r/d", "..\\X", "/r/X"},
      {"/r", "/r/d", "..\\..\\..\\X", "/r/X"},
      {"/r", "/r/d/e", "..\\X\\..\\Y", "/r/d/Y"},
      {"/r", "/r", "..", "/r"},
      // The whole host as the drive.
      {"/", "/d", "\\X", "/X"},
      {"/", "/d", "..\\..\\X", "/X"},
      {"/", "/", "A", "/A"},
      // A current directory outside the drive: relative names stay
      // relative, rooted ones still go to the drive root.
      {"/r", "/other", "A\\B", "A/B"},
      {"/r", "/other", "..\\X", "../X"},
      {"/r", "/other", "\\X", "/r/X"},
      {"/r", "/rx/d", "A", "A"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.root << " " << c.cwd << " " << c.name);
    EXPECT_EQ(c.expected, mapDriveName(c.root, c.cwd, c.name));
  }
}

TEST(DrivePathTest, MapDisplayPath) {
  struct {
    const char* root;
    const char* host_path;
    const char* expected;
  } cases[] = {
      {"/r", "/r/SUB/DIR", "C:\\SUB\\DIR"},
      {"/r", "/r", "C:\\"},
      {"/", "/SUB", "C:\\SUB"},
      {"/r", "/rx/SUB", "/rx/SUB"},
      {"/r", "/other", "/other"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.host_path);
    EXPECT_EQ(c.expected, mapDisplayPath(c.root, c.host_path));
  }
}

// A scratch directory with "area" below it as the current directory, with
// DRIVE_ROOT and the current directory put back afterwards.
class HostPathTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(0, mkdir((dir_ + "/area").c_str(), 0755));
    ASSERT_EQ(0, chdir((dir_ + "/area").c_str()));
  }

  ScratchDirectory scratch_{"drive_path_test"};
  const std::string dir_ = scratch_.path();
  DrivePaths paths_;
};

TEST_F(HostPathTest, DriveRootFromSetting) {
  for (std::string setting : {dir_, dir_ + "/", std::string("..")}) {
    SCOPED_TRACE(setting);
    setenv("DRIVE_ROOT", setting.c_str(), 1);
    EXPECT_EQ(dir_, paths_.root());
    EXPECT_EQ(dir_ + "/KESTREL.INI", paths_.hostPath("\\KESTREL.INI"));
    EXPECT_EQ(dir_ + "/$lvtr$.txt", paths_.hostPath("/$lvtr$.txt"));
    EXPECT_EQ("FILES.BBS", paths_.hostPath("FILES.BBS"));
    EXPECT_EQ("SUB/FILES.BBS", paths_.hostPath("SUB\\FILES.BBS"));
    EXPECT_EQ(dir_ + "/area/FILES.BBS", paths_.absoluteHostPath("FILES.BBS"));
    EXPECT_EQ(dir_ + "/X", paths_.hostPath("..\\..\\..\\X"));
    EXPECT_EQ("C:\\area", paths_.displayPath(dir_ + "/area"));
  }
}

TEST_F(HostPathTest, RelativeSettingFollowsTheCurrentDirectory) {
  // A root that does not exist yet is taken as named, from where the tool
  // stands.
  setenv("DRIVE_ROOT", "later", 1);
  EXPECT_EQ(dir_ + "/area/later", paths_.root());
  ASSERT_EQ(0, chdir(dir_.c_str()));
  EXPECT_EQ(dir_ + "/later", paths_.root());
}

TEST_F(HostPathTest, EmptySettingMeansTheMountedFileSystem) {
  setenv("DRIVE_ROOT", "", 1);
  std::string root = paths_.root();
  struct stat here;
  struct stat top;
  ASSERT_EQ(0, stat(".", &here));
  ASSERT_EQ(0, stat(root.c_str(), &top));
  EXPECT_EQ(here.st_dev, top.st_dev);
  if (root != "/") {
    struct stat above;
    ASSERT_EQ(0, stat((root + "/..").c_str(), &above));
    EXPECT_NE(top.st_dev, above.st_dev) << root;
  }
  EXPECT_EQ(root == "/" ? "/KESTREL.INI" : root + "/KESTREL.INI",
            paths_.hostPath("\\KESTREL.INI"));
}

TEST_F(HostPathTest, PinnedNamesStayWhereTheyWereFound) {
  setenv("DRIVE_ROOT", "..", 1);
  paths_.pin();
  EXPECT_EQ(dir_ + "/$DIR$", paths_.hostPath("\\$DIR$"));
  // The run's directory is pinned, so a setting relative to it still
  // names the same root after a move.
  ASSERT_EQ(0, chdir(dir_.c_str()));
  EXPECT_EQ(dir_, paths_.root());
  EXPECT_EQ(dir_ + "/$DIR$", paths_.hostPath("\\$DIR$"));
  EXPECT_EQ(dir_ + "/area/X", paths_.absoluteHostPath("X"));
  paths_.unpin();
  EXPECT_EQ(dir_.substr(0, dir_.rfind('/')), paths_.root());
}

TEST_F(HostPathTest, UnsetSettingFindsTheMountPoint) {
  std::string mount_point = dir_ + "/mnt";
  ASSERT_EQ(0, mkdir(mount_point.c_str(), 0755));
  int result = inChild([&mount_point] {
    if (!mountPrivateTmpfs(mount_point, "64k")) return 99;
    if (mkdir((mount_point + "/sub").c_str(), 0755) != 0 ||
        chdir((mount_point + "/sub").c_str()) != 0)
      return 4;
    unsetenv("DRIVE_ROOT");
    DrivePaths paths;
    if (paths.root() != mount_point) return 1;
    if (paths.hostPath("\\$DIR$") != mount_point + "/$DIR$") return 2;
    if (paths.hostPath("..\\..\\..\\X") != mount_point + "/X") return 3;
    return 0;
  });
  if (result == 99) GTEST_SKIP() << "no private tmpfs mount allowed here";
  EXPECT_EQ(0, result) << "1 to 3: a wrong path; 4: no directory in the mount";
}

TEST_F(HostPathTest, RemovedCurrentDirectoryDoesNotHang) {
  unsetenv("DRIVE_ROOT");
  std::string gone = dir_ + "/gone";
  ASSERT_EQ(0, mkdir(gone.c_str(), 0755));
  int result = inChild([&gone] {
    if (chdir(gone.c_str()) != 0 || rmdir(gone.c_str()) != 0) return 99;
    // A directory that cannot be named has only "/" to stand on. (A run
    // that hung here would be ended by the test runner's time limit.)
    DrivePaths paths;
    return paths.hostPath("\\X") == "/X" ? 0 : 1;
  });
  ASSERT_NE(99, result);
  EXPECT_EQ(0, result);
}

}  // namespace
