// File layout and child processes for the end-to-end tests.
#include "testing/test_area.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

TestArea::TestArea() : scratch_("area") {
  base_ = scratch_.path();
  if (base_.empty()) return;
  root_ = base_ + "/drive";
  fs::create_directory(root_);
  chmod(base_.c_str(), 0755);
  chmod(root_.c_str(), 0755);
}

void TestArea::setMode(const std::string& relative, mode_t mode) {
  ASSERT_EQ(chmod(path(relative).c_str(), mode), 0)
      << relative << ": " << std::strerror(errno);
}

void TestArea::giveToNobody(const std::string& relative) {
  struct passwd* nobody = getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  ASSERT_EQ(chown(path(relative).c_str(), nobody->pw_uid, nobody->pw_gid), 0)
      << relative << ": " << std::strerror(errno);
}

void TestArea::execIn(const std::string& program, const std::string& relative,
                      bool as_nobody,
                      const std::vector<std::string>& program_args) const {
  std::vector<std::string> args;
  if (as_nobody) {
    args = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup",
            "--clear-groups"};
  }
  args.push_back(program);
  args.insert(args.end(), program_args.begin(), program_args.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  if (chdir(path(relative).c_str()) == 0) {
    setenv("DRIVE_ROOT", root_.c_str(), 1);
    setenv("TZ", "UTC", 1);
    execv(argv[0], argv.data());
  }
  _exit(127);
}

int TestArea::waitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) {
      ADD_FAILURE() << "waitpid: " << std::strerror(errno);
      return -1;
    }
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TestArea::Result TestArea::run(const std::string& program,
                               const std::string& relative, bool as_nobody,
                               const std::vector<std::string>& args) const {
  Result result;
  const std::string out_path = base_ + "/stdout";
  const std::string err_path = base_ + "/stderr";
  pid_t pid = fork();
  if (pid < 0) {
    ADD_FAILURE() << "fork: " << std::strerror(errno);
    return result;
  }
  if (pid == 0) {
    setsid();  // no controlling terminal, like a scheduled job
    int in = open("/dev/null", O_RDONLY);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
        dup2(err, 2) < 0) {
      _exit(127);
    }
    execIn(program, relative, as_nobody, args);
  }
  result.exit_code = waitFor(pid);
  std::ifstream out(out_path, std::ios::binary),
      err(err_path, std::ios::binary);
  std::ostringstream out_bytes, err_bytes;
  out_bytes << out.rdbuf();
  err_bytes << err.rdbuf();
  result.out = out_bytes.str();
  result.err = err_bytes.str();
  return result;
}

TestArea::Result TestArea::runInTerminal(const std::string& program,
                                         const std::string& relative,
                                         bool as_nobody,
                                         const std::vector<std::string>& args,
                                         const std::string& prompt,
                                         const std::string& keys) const {
  Result result;
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid < 0) {
    ADD_FAILURE() << "forkpty: " << std::strerror(errno);
    return result;
  }
  if (pid == 0) execIn(program, relative, as_nobody, args);
  // Read until the child's side is gone (EIO once it has closed it).
  char buffer[4096];
  bool typed = prompt.empty();
  for (;;) {
    ssize_t n = read(master, buffer, sizeof buffer);
    if (n > 0) {
      result.out.append(buffer, static_cast<size_t>(n));
      if (!typed && result.out.find(prompt) != std::string::npos) {
        typed = write(master, keys.data(), keys.size()) ==
                static_cast<ssize_t>(keys.size());
      }
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  close(master);
  result.exit_code = waitFor(pid);
  return result;
}
