// A throw-away file area for end-to-end runs of the tools: a fresh drive
// root in the temporary directory, helpers to lay out files and
// subdirectories with fixed sizes and times, and a way to run a tool in one
// of its directories as a scheduled job would (no terminal, TZ=UTC).
#ifndef KESTREL_SERVICES_TEST_AREA_H_
#define KESTREL_SERVICES_TEST_AREA_H_

#include <sys/types.h>

#include <ctime>
#include <string>
#include <vector>

#include "services/test_support.h"  // utcTime for the areas' file times

class TestArea {
 public:
  /// Creates the drive root, open to every user so that a tool can also be
  /// run as an unprivileged one.
  TestArea();
  /// Removes the root and everything below it.
  ~TestArea();
  TestArea(const TestArea&) = delete;
  TestArea& operator=(const TestArea&) = delete;

  /// The drive root's host path.
  const std::string& root() const { return root_; }
  /// The host path of `relative` below the drive root ("" is the root).
  std::string path(const std::string& relative) const;

  void makeDirectory(const std::string& relative);
  void writeFile(const std::string& relative, const std::string& bytes);
  /// Sets both the access and the modification time.
  void setTime(const std::string& relative, time_t when);
  void setMode(const std::string& relative, mode_t mode);
  /// Makes `nobody` the owner.
  void giveToNobody(const std::string& relative);
  /// The file's bytes; "" when it cannot be read.
  std::string readFile(const std::string& relative) const;
  bool exists(const std::string& relative) const;

  /// Runs from now on get `path` as DRIVE_ROOT instead of the root; "" runs
  /// them without DRIVE_ROOT, on the default drive root.
  void setDriveRoot(const std::string& path) { drive_root_ = path; }

  struct Result {
    int exit_code = -1;
    std::string out;  // standard output
    std::string err;  // standard error
  };
  /// A run that `start` began and `finish` has not yet waited for.
  struct Started {
    pid_t pid = -1;
    std::string out_path;
    std::string err_path;
  };
  /// Runs `program` with `args` in the directory `relative` with DRIVE_ROOT
  /// set to the root, TZ=UTC, no controlling terminal, standard input from
  /// /dev/null and both output streams captured; `as_nobody` drops root's
  /// privileges first.
  Result run(const std::string& program, const std::string& relative,
             bool as_nobody = false, const std::vector<std::string>& args = {});
  /// `run` in two halves, so that several runs can go at once.
  Started start(const std::string& program, const std::string& relative,
                bool as_nobody = false,
                const std::vector<std::string>& args = {});
  Result finish(const Started& started) const;
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

  std::string base_;  // holds the root and the captured output streams
  std::string root_;
  std::string drive_root_;  // DRIVE_ROOT of the runs; "" for none
  int runs_started_ = 0;    // names each run's output files
};

#endif  // KESTREL_SERVICES_TEST_AREA_H_
