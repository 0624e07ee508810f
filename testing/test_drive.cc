// The throw-away test drive.
#include "testing/test_drive.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

TestDrive::TestDrive() : scratch_("interp_drive") {
  chmod(root().c_str(), 0755);  // open to the unprivileged runs
  setenv("DRIVE_ROOT", root().c_str(), 1);
  setenv("TZ", "UTC", 1);
  tzset();
  makeDirectory("AREA");
  EXPECT_EQ(0, chdir(path("AREA").c_str()));
}

// Closes the root to other users again; the scratch directory then puts the
// settings back and removes the drive.
TestDrive::~TestDrive() { chmod(root().c_str(), 0700); }

void TestDrive::makeSparseFile(const std::string& relative, off_t size) {
  int fd = open(path(relative).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0) << relative;
  EXPECT_EQ(0, ftruncate(fd, size));
  close(fd);
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

ChildRun runInChild(const std::function<int()>& action, bool as_nobody) {
  constexpr uid_t kNobody = 65534;
  ChildRun run;
  FILE* out = tmpfile();
  FILE* err = tmpfile();
  run.code = inChild([&] {
    setsid();  // no controlling terminal: nothing waits for a key
    int in = open("/dev/null", O_RDONLY);
    if (in < 0 || dup2(in, STDIN_FILENO) < 0 ||
        dup2(fileno(out), STDOUT_FILENO) < 0 ||
        dup2(fileno(err), STDERR_FILENO) < 0) {
      return 98;
    }
    // Only root has rights to drop; any other user is unprivileged already.
    if (as_nobody && geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 ||
         setuid(kNobody) != 0)) {
      return 99;
    }
    return action();
  });
  run.out = readAll(out);
  run.err = readAll(err);
  return run;
}

ChildRun runAsNobody(const std::function<int()>& action) {
  return runInChild(action, /*as_nobody=*/true);
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

std::vector<std::string> entryNames(const std::string& capture) {
  std::vector<std::string> names;
  for (const std::string& line : captureLines(capture)) {
    if (!line.empty() && line[0] != ' ') names.push_back(line.substr(52));
  }
  return names;
}
