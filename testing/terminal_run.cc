// Programs on a pseudo-terminal held by the test.
#include "testing/terminal_run.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

TerminalRun::TerminalRun(const std::function<void()>& child) {
  if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
    ADD_FAILURE() << "openpty: " << std::strerror(errno);
    return;
  }
  tcgetattr(slave_, &start_mode_);
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  fcntl(master_, F_SETFL, O_NONBLOCK);
  fflush(nullptr);  // nothing buffered is written twice
  pid_ = fork();
  if (pid_ == 0) {
    if (setsid() < 0 || ioctl(slave_, TIOCSCTTY, 0) != 0) _exit(126);
    for (int fd = 0; fd < 3; ++fd)
      if (dup2(slave_, fd) != fd) _exit(126);
    child();
    _exit(127);
  }
  if (pid_ < 0) {
    ADD_FAILURE() << "fork: " << std::strerror(errno);
    return;
  }
  // Through syscall(): some C libraries declare pidfd_open for C alone.
  pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
  if (pidfd_ < 0) ADD_FAILURE() << "pidfd_open: " << std::strerror(errno);
}

TerminalRun::~TerminalRun() {
  if (pid_ > 0 && !reaped_) {
    kill(pid_, SIGKILL);
    finish();
  }
  for (int fd : {master_, slave_, pidfd_})
    if (fd >= 0) close(fd);
}

void TerminalRun::drain() {
  char buffer[4096];
  for (;;) {
    ssize_t n = read(master_, buffer, sizeof buffer);
    if (n > 0) {
      output_.append(buffer, static_cast<size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return;  // nothing more for now (EAGAIN)
    }
  }
}

bool TerminalRun::waitFor(const std::string& text) {
  for (;;) {
    drain();
    if (output_.find(text) != std::string::npos) return true;
    if (pidfd_ < 0 || ended()) {
      drain();
      return output_.find(text) != std::string::npos;
    }
    struct pollfd events[2] = {{master_, POLLIN, 0}, {pidfd_, POLLIN, 0}};
    if (poll(events, 2, -1) < 0 && errno != EINTR) {
      ADD_FAILURE() << "poll: " << std::strerror(errno);
      return false;
    }
  }
}

void TerminalRun::type(const std::string& keys) {
  ASSERT_EQ(static_cast<ssize_t>(keys.size()),
            write(master_, keys.data(), keys.size()));
}

bool TerminalRun::ended() {
  if (reaped_) return true;
  struct pollfd event = {pidfd_, POLLIN, 0};
  return poll(&event, 1, 0) > 0;
}

int TerminalRun::finish() {
  if (pid_ < 0) return -1;
  while (!reaped_ && !ended()) {
    struct pollfd events[2] = {{master_, POLLIN, 0}, {pidfd_, POLLIN, 0}};
    if (poll(events, 2, -1) < 0 && errno != EINTR) break;
    drain();
  }
  if (!reaped_) {
    while (waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
  }
  // A read of the master side takes in what the program wrote last too.
  drain();
  return status_;
}

struct termios TerminalRun::mode() const {
  struct termios mode = {};
  tcgetattr(slave_, &mode);
  return mode;
}

int TerminalRun::unreadInput() const {
  // A terminal in line mode counts only whole lines as waiting: the count
  // is taken with line mode off, so that a lone key counts too.
  struct termios now = mode();
  struct termios single_keys = now;
  single_keys.c_lflag &= ~ICANON;
  int waiting = -1;
  if (tcsetattr(slave_, TCSANOW, &single_keys) == 0 &&
      ioctl(slave_, FIONREAD, &waiting) != 0)
    waiting = -1;
  tcsetattr(slave_, TCSANOW, &now);
  return waiting;
}

int exitCode(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
