// A throw-away file area for end-to-end runs of the tools: a fresh drive
// root in the temporary directory, helpers to lay out files and
// subdirectories with fixed sizes and times, and a way to run a tool in one
// of its directories as a scheduled job would (no terminal, TZ=UTC).
#ifndef KESTREL_TESTING_TEST_AREA_H_
#define KESTREL_TESTING_TEST_AREA_H_

#include <sys/types.h>

#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "testing/terminal_run.h"
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

  /// Runs from now on get `path` as DRIVE_ROOT instead of the root; "" runs
  /// them without DRIVE_ROOT, on the default drive root.
  void setDriveRoot(const std::string& path) { drive_root_ = path; }
  /// Runs from now on may write no file beyond `bytes` (0: no limit): a
  /// write past it fails as on a full disk, at a place the test chooses.
  void limitFileSize(off_t bytes) { file_size_limit_ = bytes; }

  struct Result {
    int exit_code = -1;
    std::string out;       // standard output
    std::string err;       // standard error
    int unread_input = 0;  // at a terminal: typed bytes the run never read
  };
  /// A run that `start` began and `finish` has not yet waited for.
  struct Started {
    pid_t pid = -1;
    std::string out_path;
    std::string err_path;
  };
  /// Runs `program` with `args` in the directory `relative` with DRIVE_ROOT
  /// set to the root, TZ=UTC, no controlling terminal, standard input from
  /// /dev/null and both output streams captured; `as_nobody` makes it the
  /// run of an unprivileged user, for whom permissions hold: root's run
  /// drops to the user nobody, any other user's runs as it is.
  Result run(const std::string& program, const std::string& relative,
             bool as_nobody = false, const std::vector<std::string>& args = {});
  /// `run` in two halves, so that several runs can go at once.
  Started start(const std::string& program, const std::string& relative,
                bool as_nobody = false,
                const std::vector<std::string>& args = {});
  /// Where a run's standard error goes: captured, closed before the run
  /// starts, or a pipe whose reading end is already closed.
  enum class ErrorStream { kCaptured, kClosed, kBrokenPipe };
  /// `run` with standard error as `how` says (`err` is then empty).
  Result runWithError(const std::string& program, const std::string& relative,
                      ErrorStream how);
  Result finish(const Started& started) const;
  /// True once the started run has ended; never waits, and leaves the run
  /// for `finish`.
  static bool hasEnded(const Started& started);
  /// The same with a terminal for all three streams, as a keeper at the
  /// keyboard runs it; `out` is all that the terminal was sent. Once the
  /// terminal has shown `prompt` (when not empty), `keys` are typed.
  Result runInTerminal(const std::string& program, const std::string& relative,
                       bool as_nobody = false,
                       const std::vector<std::string>& args = {},
                       const std::string& prompt = "",
                       const std::string& keys = "") const;
  /// The run of `runInTerminal`, started and left to the test to lead.
  std::unique_ptr<TerminalRun> startInTerminal(
      const std::string& program, const std::string& relative,
      bool as_nobody = false, const std::vector<std::string>& args = {}) const;

 private:
  // Execs `program` in `relative` with the area's environment; never returns.
  Started startWith(const std::string& program, const std::string& relative,
                    bool as_nobody, const std::vector<std::string>& args,
                    ErrorStream how);
  [[noreturn]] void execIn(const std::string& program,
                           const std::string& relative, bool as_nobody,
                           const std::vector<std::string>& args) const;
  // Waits for `pid` and returns its exit code (-1 when it did not exit).
  static int waitFor(pid_t pid);

  ScratchDirectory scratch_;  // removed with all below it at the end
  std::string base_;          // holds the root and the captured output streams
  std::string root_;
  std::string drive_root_;     // DRIVE_ROOT of the runs; "" for none
  off_t file_size_limit_ = 0;  // of the runs' files; 0 for none
  int runs_started_ = 0;       // names each run's output files
};

// Another run in a drive root, as far as the tools can tell: a child
// process that takes the drive root's lock (on the directory itself) when
// made and keeps it until the test lets go.
class DriveRootHolder {
 public:
  /// Returns once the lock is held; a failure is reported to the test.
  explicit DriveRootHolder(const std::string& root);
  /// Lets go if the test has not.
  ~DriveRootHolder() { letGo(); }
  DriveRootHolder(const DriveRootHolder&) = delete;
  DriveRootHolder& operator=(const DriveRootHolder&) = delete;

  bool holding() const { return pid_ > 0; }
  /// Lets the lock go; returns once it is gone.
  void letGo();

 private:
  pid_t pid_ = -1;
  int go_ = -1;  // a byte written here lets go
};

#endif  // KESTREL_TESTING_TEST_AREA_H_
