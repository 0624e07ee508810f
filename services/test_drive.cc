// The throw-away test drive.
#include "services/test_drive.h"

#include <fcntl.h>
#include <ftw.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

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

int removeOne(const char* path, const struct stat*, int, struct FTW*) {
  remove(path);
  return 0;
}

std::vector<std::string>* g_found;
size_t g_prefix;

int noteOne(const char* path, const struct stat*, int, struct FTW*) {
  std::string p(path);
  if (p.size() > g_prefix) g_found->push_back(p.substr(g_prefix + 1));
  return 0;
}

}  // namespace

TestDrive::TestDrive() {
  const char* tmp = getenv("TMPDIR");
  std::string pattern =
      std::string(tmp != nullptr ? tmp : "/tmp") + "/interp_drive_XXXXXX";
  char* made = mkdtemp(pattern.data());
  EXPECT_NE(nullptr, made);
  char real[PATH_MAX];
  root_ = realpath(pattern.c_str(), real) != nullptr ? real : pattern;
  chmod(root_.c_str(), 0755);  // open to the unprivileged runs
  char cwd[PATH_MAX];
  old_cwd_ = getcwd(cwd, sizeof cwd) != nullptr ? cwd : "/";
  old_drive_root_ = getEnv("DRIVE_ROOT", &had_drive_root_);
  old_tz_ = getEnv("TZ", &had_tz_);
  setenv("DRIVE_ROOT", root_.c_str(), 1);
  setenv("TZ", "UTC", 1);
  tzset();
  makeDirectory("AREA");
  EXPECT_EQ(0, chdir(path("AREA").c_str()));
}

TestDrive::~TestDrive() {
  EXPECT_EQ(0, chdir(old_cwd_.c_str()));
  restoreEnv("DRIVE_ROOT", had_drive_root_, old_drive_root_);
  restoreEnv("TZ", had_tz_, old_tz_);
  tzset();
  chmod(root_.c_str(), 0700);
  nftw(root_.c_str(), removeOne, 16, FTW_DEPTH | FTW_PHYS);
}

std::string TestDrive::path(const std::string& relative) const {
  return relative.empty() ? root_ : root_ + "/" + relative;
}

void TestDrive::makeDirectory(const std::string& relative) {
  EXPECT_EQ(0, mkdir(path(relative).c_str(), 0755)) << relative;
}

void TestDrive::writeFile(const std::string& relative,
                          const std::string& bytes) {
  std::ofstream out(path(relative), std::ios::binary | std::ios::trunc);
  out << bytes;
  EXPECT_TRUE(out.good()) << relative;
}

void TestDrive::makeSparseFile(const std::string& relative, off_t size) {
  int fd = open(path(relative).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0) << relative;
  EXPECT_EQ(0, ftruncate(fd, size));
  close(fd);
}

void TestDrive::setTime(const std::string& relative, time_t when) {
  struct timespec times[2] = {{when, 0}, {when, 0}};
  EXPECT_EQ(0, utimensat(AT_FDCWD, path(relative).c_str(), times,
                         AT_SYMLINK_NOFOLLOW))
      << relative;
}

std::string TestDrive::readFile(const std::string& relative) const {
  std::ifstream in(path(relative), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool TestDrive::exists(const std::string& relative) const {
  struct stat st;
  return lstat(path(relative).c_str(), &st) == 0;
}

std::vector<std::string> TestDrive::contents() const {
  std::vector<std::string> found;
  g_found = &found;
  g_prefix = root_.size();
  nftw(root_.c_str(), noteOne, 16, FTW_PHYS);
  std::sort(found.begin(), found.end());
  return found;
}

namespace {

std::string readAll(FILE* file) {
  std::string bytes;
  rewind(file);
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
    bytes.append(buffer, n);
  fclose(file);
  return bytes;
}

}  // namespace

ChildRun runAsNobody(const std::function<int()>& action) {
  constexpr uid_t kNobody = 65534;
  ChildRun run;
  FILE* out = tmpfile();
  FILE* err = tmpfile();
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fileno(out), STDOUT_FILENO);
    dup2(fileno(err), STDERR_FILENO);
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 ||
        setuid(kNobody) != 0) {
      _exit(99);
    }
    _exit(action());
  }
  int status = 0;
  EXPECT_EQ(pid, waitpid(pid, &status, 0));
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = readAll(out);
  run.err = readAll(err);
  return run;
}

time_t utcTime(int year, int month, int day, int hour, int minute) {
  struct tm when = {};
  when.tm_year = year - 1900;
  when.tm_mon = month - 1;
  when.tm_mday = day;
  when.tm_hour = hour;
  when.tm_min = minute;
  return timegm(&when);
}

std::vector<std::string> captureLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(bytes.substr(start));
      break;
    }
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}
