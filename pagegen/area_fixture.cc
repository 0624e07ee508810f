// Temporary areas and tool runs for end-to-end tests (POSIX).
#include "pagegen/area_fixture.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

}  // namespace

AreaFixture::AreaFixture() {
  char pattern[] = "/tmp/kestrel-area-XXXXXX";
  root_ = mkdtemp(pattern);
  chmod(root_.c_str(), 0777);
  area_ = root_ + "/AREA";
  mkdir(area_.c_str(), 0777);
  chmod(area_.c_str(), 0777);
}

AreaFixture::~AreaFixture() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string AreaFixture::absolute(const std::string& path) const {
  return !path.empty() && path[0] == '/' ? path : area_ + "/" + path;
}

void AreaFixture::write(const std::string& path,
                        const std::string& bytes) const {
  std::ofstream out(absolute(path), std::ios::binary | std::ios::trunc);
  out << bytes;
}

void AreaFixture::makeDirectory(const std::string& path) const {
  mkdir(absolute(path).c_str(), 0777);
}

void AreaFixture::setTime(const std::string& path,
                          const std::string& utc) const {
  std::tm t = {};
  std::sscanf(utc.c_str(), "%d-%d-%d %d:%d", &t.tm_year, &t.tm_mon, &t.tm_mday,
              &t.tm_hour, &t.tm_min);
  t.tm_year -= 1900;
  t.tm_mon -= 1;
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = timegm(&t);
  times[0].tv_nsec = times[1].tv_nsec = 0;
  utimensat(AT_FDCWD, absolute(path).c_str(), times, AT_SYMLINK_NOFOLLOW);
}

std::string AreaFixture::read(const std::string& path) const {
  return slurp(absolute(path));
}

bool AreaFixture::exists(const std::string& path) const {
  struct stat st;
  return lstat(absolute(path).c_str(), &st) == 0;
}

AreaFixture::Result AreaFixture::run(const std::string& program,
                                     const std::vector<std::string>& args,
                                     bool as_nobody) const {
  std::string out_path = root_ + "/.run-out";
  std::string err_path = root_ + "/.run-err";
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    int in = open("/dev/null", O_RDONLY);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (chdir(area_.c_str()) != 0) _exit(126);
    setenv("DRIVE_ROOT", root_.c_str(), 1);
    setenv("TZ", "UTC", 1);
    if (as_nobody) {
      struct passwd* nobody = getpwnam("nobody");
      if (nobody == nullptr || setgroups(0, nullptr) != 0 ||
          setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0) {
        _exit(125);
      }
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args)
      argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  Result result;
  result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = slurp(out_path);
  result.err = slurp(err_path);
  unlink(out_path.c_str());
  unlink(err_path.c_str());
  return result;
}
