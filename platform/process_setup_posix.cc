// Process setup on POSIX: SIGPIPE is ignored (a write to a closed pipe then
// fails with EPIPE, and the message is lost), and descriptors 0 to 2 that are
// not open are opened on /dev/null. Child programs get SIGPIPE's default back
// (command_posix.cc).
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "platform/process_setup.h"

void setUpProcess() {
  signal(SIGPIPE, SIG_IGN);
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free number is this one.
    int opened = open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) close(opened);
  }
}
