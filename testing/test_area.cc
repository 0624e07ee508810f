// File layout and child processes for the end-to-end tests.
#include "testing/test_area.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/resource.h>
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
  drive_root_ = root_;
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
  // Only root has rights to drop; any other user is unprivileged already.
  if (as_nobody && geteuid() == 0) {
    args = {"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup",
            "--clear-groups"};
  }
  args.push_back(program);
  args.insert(args.end(), program_args.begin(), program_args.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  if (file_size_limit_ > 0) {
    // An ignored SIGXFSZ stays ignored in the program, whose write past
    // the limit then fails (EFBIG) instead of ending it.
    struct rlimit limit = {static_cast<rlim_t>(file_size_limit_),
                           static_cast<rlim_t>(file_size_limit_)};
    if (signal(SIGXFSZ, SIG_IGN) == SIG_ERR ||
        setrlimit(RLIMIT_FSIZE, &limit) != 0)
      _exit(127);
  }
  if (chdir(path(relative).c_str()) == 0) {
    if (drive_root_.empty()) {
      unsetenv("DRIVE_ROOT");
    } else {
      setenv("DRIVE_ROOT", drive_root_.c_str(), 1);
    }
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
                               const std::vector<std::string>& args) {
  return finish(start(program, relative, as_nobody, args));
}

TestArea::Started TestArea::start(const std::string& program,
                                  const std::string& relative, bool as_nobody,
                                  const std::vector<std::string>& args) {
  return startWith(program, relative, as_nobody, args, ErrorStream::kCaptured);
}

TestArea::Result TestArea::runWithError(const std::string& program,
                                        const std::string& relative,
                                        ErrorStream how) {
  return finish(startWith(program, relative, false, {}, how));
}

// Points descriptor 2 where `how` says; false when it cannot.
static bool setUpErrorStream(TestArea::ErrorStream how, int captured) {
  switch (how) {
    case TestArea::ErrorStream::kCaptured:
      return dup2(captured, 2) == 2;
    case TestArea::ErrorStream::kClosed:
      return close(2) == 0 || errno == EBADF;
    case TestArea::ErrorStream::kBrokenPipe: {
      int ends[2];
      if (pipe(ends) != 0) return false;
      close(ends[0]);
      return dup2(ends[1], 2) == 2;
    }
  }
  return false;
}

TestArea::Started TestArea::startWith(const std::string& program,
                                      const std::string& relative,
                                      bool as_nobody,
                                      const std::vector<std::string>& args,
                                      ErrorStream how) {
  Started started;
  std::string run = std::to_string(++runs_started_);
  started.out_path = base_ + "/stdout." + run;
  started.err_path = base_ + "/stderr." + run;
  const std::string& out_path = started.out_path;
  const std::string& err_path = started.err_path;
  pid_t pid = fork();
  if (pid < 0) {
    ADD_FAILURE() << "fork: " << std::strerror(errno);
    return started;
  }
  if (pid == 0) {
    setsid();  // no controlling terminal, like a scheduled job
    int in = open("/dev/null", O_RDONLY);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
        !setUpErrorStream(how, err)) {
      _exit(127);
    }
    // Only the three streams go to the tool.
    for (int fd : {in, out, err})
      if (fd > 2) close(fd);
    execIn(program, relative, as_nobody, args);
  }
  started.pid = pid;
  return started;
}

TestArea::Result TestArea::finish(const Started& started) const {
  Result result;
  if (started.pid < 0) return result;
  result.exit_code = waitFor(started.pid);
  std::ifstream out(started.out_path, std::ios::binary),
      err(started.err_path, std::ios::binary);
  std::ostringstream out_bytes, err_bytes;
  out_bytes << out.rdbuf();
  err_bytes << err.rdbuf();
  result.out = out_bytes.str();
  result.err = err_bytes.str();
  return result;
}

bool TestArea::hasEnded(const Started& started) {
  siginfo_t info = {};
  return started.pid < 0 || (waitid(P_PID, static_cast<id_t>(started.pid),
                                    &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                             info.si_pid == started.pid);
}

TestArea::Result TestArea::runInTerminal(const std::string& program,
                                         const std::string& relative,
                                         bool as_nobody,
                                         const std::vector<std::string>& args,
                                         const std::string& prompt,
                                         const std::string& keys) const {
  std::unique_ptr<TerminalRun> run =
      startInTerminal(program, relative, as_nobody, args);
  if (!prompt.empty() && run->waitFor(prompt)) run->type(keys);
  Result result;
  result.exit_code = exitCode(run->finish());
  result.out = run->output();
  result.unread_input = run->unreadInput();
  return result;
}

std::unique_ptr<TerminalRun> TestArea::startInTerminal(
    const std::string& program, const std::string& relative, bool as_nobody,
    const std::vector<std::string>& args) const {
  return std::make_unique<TerminalRun>(
      [&] { execIn(program, relative, as_nobody, args); });
}

DriveRootHolder::DriveRootHolder(const std::string& root) {
  int held[2];
  int go[2];
  if (pipe2(held, O_CLOEXEC) != 0 || pipe2(go, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "pipe: " << std::strerror(errno);
    return;
  }
  pid_t pid = fork();
  if (pid == 0) {
    close(held[0]);
    close(go[1]);
    int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0 || flock(fd, LOCK_EX) != 0 || write(held[1], "H", 1) != 1)
      _exit(1);
    char byte;
    // Any byte, or the test's end, lets go: the lock ends with the process.
    (void)read(go[0], &byte, 1);
    _exit(0);
  }
  close(held[1]);
  close(go[0]);
  go_ = go[1];
  char byte = 0;
  if (pid > 0 && read(held[0], &byte, 1) == 1) {
    pid_ = pid;
  } else {
    ADD_FAILURE() << "the drive root " << root << " could not be held";
    if (pid > 0) waitpid(pid, nullptr, 0);
  }
  close(held[0]);
}

void DriveRootHolder::letGo() {
  if (go_ >= 0) {
    (void)write(go_, "G", 1);
    close(go_);
    go_ = -1;
  }
  if (pid_ > 0) {
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
  }
}
