// Scratch directories, child runs, private mounts and times for the tests.
#include "services/test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

// The value of the environment setting `name`; `*had` says whether it is set.
std::string getEnv(const char* name, bool* had) {
  const char* value = getenv(name);
  *had = value != nullptr;
  return value != nullptr ? value : "";
}

void restoreEnv(const char* name, bool had, const std::string& value) {
  if (had) {
    setenv(name, value.c_str(), 1);
  } else {
    unsetenv(name);
  }
}

}  // namespace

ScratchDirectory::ScratchDirectory(const std::string& prefix) {
  const char* tmp = getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr ? tmp : "/tmp") + "/" + prefix + ".XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "mkdtemp " << pattern << ": " << std::strerror(errno);
  } else {
    char real[PATH_MAX];
    path_ = realpath(pattern.c_str(), real) != nullptr ? real : pattern;
  }
  char cwd[PATH_MAX];
  old_cwd_ = getcwd(cwd, sizeof cwd) != nullptr ? cwd : "/";
  old_drive_root_ = getEnv("DRIVE_ROOT", &had_drive_root_);
  old_tz_ = getEnv("TZ", &had_tz_);
}

ScratchDirectory::~ScratchDirectory() {
  EXPECT_EQ(0, chdir(old_cwd_.c_str())) << old_cwd_;
  restoreEnv("DRIVE_ROOT", had_drive_root_, old_drive_root_);
  restoreEnv("TZ", had_tz_, old_tz_);
  tzset();
  if (path_.empty()) return;
  std::error_code error;
  std::filesystem::remove_all(path_, error);
  EXPECT_FALSE(error) << "cannot remove " << path_ << ": " << error.message();
}

int inChild(const std::function<int()>& body) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool mountPrivateTmpfs(const std::string& at, const std::string& size) {
  if (unshare(CLONE_NEWNS) != 0) {
    uid_t uid = geteuid();
    gid_t gid = getegid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    std::ofstream("/proc/self/setgroups") << "deny";
    std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
    std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
  }
  return mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         mount("tmpfs", at.c_str(), "tmpfs", 0,
               ("size=" + size + ",mode=0777").c_str()) == 0;
}

bool fillFileSystem(const std::string& dir) {
  int fd = open((dir + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  const std::string block(4096, 'f');
  ssize_t n;
  do {
    n = write(fd, block.data(), block.size());
  } while (n > 0);
  bool full = n < 0 && errno == ENOSPC;
  close(fd);
  return full;
}

time_t utcTime(int year, int month, int day, int hour, int minute) {
  struct tm fields = {};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  return timegm(&fields);
}
