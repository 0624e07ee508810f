// A throw-away drive for in-process tests of the interpreter and the
// listing: a fresh directory as DRIVE_ROOT, the current directory moved to
// "AREA" below it and TZ set to UTC; all three come back, and the drive is
// removed, when the object goes away.
#ifndef KESTREL_TESTING_TEST_DRIVE_H_
#define KESTREL_TESTING_TEST_DRIVE_H_

#include <sys/types.h>

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "testing/test_support.h"

class TestDrive : public TestTree {
 public:
  TestDrive();
  ~TestDrive();
  TestDrive(const TestDrive&) = delete;
  TestDrive& operator=(const TestDrive&) = delete;

  /// The drive root's host path.
  const std::string& root() const override { return scratch_.path(); }

  /// A file of `size` bytes that holds no data blocks.
  void makeSparseFile(const std::string& relative, off_t size);

 private:
  ScratchDirectory scratch_;  // the drive root; puts the settings back
};

/// What an action run in a child process returned and wrote.
struct ChildRun {
  int code = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

/// Runs `action` in a forked child with no controlling terminal and its
/// output streams captured; `as_nobody` makes it an unprivileged user's, for
/// whom permissions hold: root drops to the user nobody first, any other
/// user is one already.
ChildRun runInChild(const std::function<int()>& action, bool as_nobody);
/// `runInChild` as an unprivileged user.
ChildRun runAsNobody(const std::function<int()>& action);

/// The lines of a capture split at CR LF (a final CR LF ends the last line).
std::vector<std::string> captureLines(const std::string& bytes);
/// The names of a capture's entry lines (those that do not open with a
/// blank): column 53 on.
std::vector<std::string> entryNames(const std::string& capture);

#endif  // KESTREL_TESTING_TEST_DRIVE_H_
