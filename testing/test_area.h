// A throw-away file area for end-to-end runs of the tools: a fresh drive
// root in the temporary directory, helpers to lay out files and
// subdirectories with fixed sizes and times, and a way to run a tool in one
// of its directories as a scheduled job would (no terminal, TZ=UTC).
#ifndef KESTREL_TESTING_TEST_AREA_H_
#define KESTREL_TESTING_TEST_AREA_H_

#include <sys/types.h>

#include <ctime>
#include <string>
#include <vector>

#include "testing/test_support.h"  // utcTime for the areas' file times

class TestArea : public TestTree {
 public:
  /// Creates the drive root, open to every user so that a tool can also be
  /// run as an unprivileged one.
  TestArea();
  TestArea(const TestArea&) = delete;
  TestArea& operator=(const TestArea&) = delete;

  /// The drive root's host path.
  const std::string& root() const override { return root_; }

  void setMode(const std::string& relative, mode_t mode);
  /// Makes `nobody` the owner.
  void giveToNobody(const std::string& relative);

  struct Result {
    int exit_code = -1;
    std::string out;  // standard output
    std::string err;  // standard error
  };
  /// Runs `program` with `args` in the directory `relative` with DRIVE_ROOT
  /// set to the root, TZ=UTC, no controlling terminal, standard input from
  /// /dev/null and both output streams captured; `as_nobody` drops root's
  /// privileges first.
  Result run(const std::string& program, const std::string& relative,
             bool as_nobody = false,
             const std::vector<std::string>& args = {}) const;
  /// The same with a terminal for all three streams, as a keeper at the
  /// keyboard runs it; `out` is all that the terminal was sent. Once the
  /// terminal has shown `prompt` (when not empty), `keys` are typed.
  Result runInTerminal(const std::string& program, const std::string& relative,
                       bool as_nobody = false,
                       const std::vector<std::string>& args = {},
                       const std::string& prompt = "",
                       const std::string& keys = "") const;

 private:
  // Execs `program` in `relative` with the area's environment; never returns.
  [[noreturn]] void execIn(const std::string& program,
                           const std::string& relative, bool as_nobody,
                           const std::vector<std::string>& args) const;
  // Waits for `pid` and returns its exit code (-1 when it did not exit).
  static int waitFor(pid_t pid);

  ScratchDirectory scratch_;  // removed with all below it at the end
  std::string base_;          // holds the root and the captured output streams
  std::string root_;
};

#endif  // KESTREL_TESTING_TEST_AREA_H_
