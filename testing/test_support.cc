// Scratch directories, child runs, private mounts and times for the tests.
#include "testing/test_support.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <poll.h>
#include <pwd.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

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

std::string TestTree::path(const std::string& relative) const {
  return relative.empty() ? root() : root() + "/" + relative;
}

void TestTree::makeDirectory(const std::string& relative) {
  std::error_code error;
  std::filesystem::create_directories(path(relative), error);
  EXPECT_FALSE(error) << relative << ": " << error.message();
  chmod(path(relative).c_str(), 0755);
}

void TestTree::writeFile(const std::string& relative,
                         const std::string& bytes) {
  writeBytes(path(relative), bytes);
}

void TestTree::setTime(const std::string& relative, time_t when) {
  struct timespec times[2] = {{when, 0}, {when, 0}};
  EXPECT_EQ(0, utimensat(AT_FDCWD, path(relative).c_str(), times,
                         AT_SYMLINK_NOFOLLOW))
      << relative << ": " << std::strerror(errno);
}

std::string TestTree::readFile(const std::string& relative) const {
  return readBytes(path(relative));
}

bool TestTree::exists(const std::string& relative) const {
  struct stat st;
  return lstat(path(relative).c_str(), &st) == 0;
}

std::vector<std::string> TestTree::contents() const {
  return pathsBelow(root());
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
  EXPECT_TRUE(out.good()) << "cannot write " << path;
}

std::string replaceAll(std::string text, const std::string& mark,
                       const std::string& with) {
  for (size_t at = text.find(mark); at != std::string::npos;
       at = text.find(mark, at + with.size()))
    text.replace(at, mark.size(), with);
  return text;
}

int inChild(const std::function<int()>& body) {
  fflush(nullptr);  // nothing buffered is written twice
  pid_t pid = fork();
  if (pid == 0) {
    int code = body();
    fflush(nullptr);
    _exit(code);
  }
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

std::vector<std::string> pathsBelow(const std::string& root) {
  std::vector<std::string> found;
  std::error_code error;
  for (std::filesystem::recursive_directory_iterator it(root, error), end;
       !error && it != end; it.increment(error)) {
    found.push_back(it->path().lexically_relative(root).string());
  }
  EXPECT_FALSE(error) << root << ": " << error.message();
  std::sort(found.begin(), found.end());
  return found;
}

bool queuedForLock(pid_t pid, const std::function<bool()>& ended) {
  const std::string waiter = "->";
  for (;;) {
    std::ifstream locks("/proc/locks");
    EXPECT_TRUE(locks.is_open()) << "/proc/locks cannot be read";
    if (!locks.is_open()) return false;
    // "1: -> FLOCK  ADVISORY  WRITE <pid> <device>:<inode> 0 EOF"
    for (std::string line; std::getline(locks, line);) {
      std::istringstream fields(line);
      std::string number, arrow, kind, advisory, access;
      pid_t holder = 0;
      if (fields >> number >> arrow >> kind >> advisory >> access >> holder &&
          arrow == waiter && holder == pid)
        return true;
    }
    if (ended()) return false;
    sched_yield();
  }
}

bool waitForChangeIn(const std::string& dir, pid_t pid,
                     const std::function<bool()>& ready) {
  int changes = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  int ended = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  bool result = false;
  if (changes < 0 || ended < 0 ||
      inotify_add_watch(changes, dir.c_str(),
                        IN_CREATE | IN_MODIFY | IN_MOVED_TO) < 0) {
    ADD_FAILURE() << "cannot watch " << dir << ": " << std::strerror(errno);
  } else {
    // What happened before the watch began is seen by the first look.
    for (;;) {
      if ((result = ready())) break;
      struct pollfd events[2] = {{changes, POLLIN, 0}, {ended, POLLIN, 0}};
      if (poll(events, 2, -1) < 0 && errno != EINTR) break;
      if (events[1].revents & POLLIN) {
        result = ready();
        break;
      }
      char buffer[4096];
      while (read(changes, buffer, sizeof buffer) > 0) {
      }
    }
  }
  if (changes >= 0) close(changes);
  if (ended >= 0) close(ended);
  return result;
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

bool giveToNobody(const std::string& path) {
  struct passwd* nobody = getpwnam("nobody");
  return nobody != nullptr &&
         lchown(path.c_str(), nobody->pw_uid, nobody->pw_gid) == 0;
}
