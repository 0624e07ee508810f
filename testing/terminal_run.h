// A program run on a pseudo-terminal of its own, as a keeper runs it at the
// keyboard, with the test at the other end: what the program sends is read
// from the master side, keys are typed into it, and the test keeps a slave
// descriptor of its own, so that the terminal's mode and the keys nobody
// read can still be looked at once the program has ended. Every wait here
// ends on an event (output, the program's end), never after a time.
#ifndef KESTREL_TESTING_TERMINAL_RUN_H_
#define KESTREL_TESTING_TERMINAL_RUN_H_

#include <sys/types.h>
#include <termios.h>

#include <functional>
#include <string>

class TerminalRun {
 public:
  /// Starts `child` in a new process that leads a session of its own, with
  /// the terminal as its controlling terminal and all three streams on it.
  /// `child` replaces the process (exec) and does not return.
  explicit TerminalRun(const std::function<void()>& child);
  /// Kills a program that still runs and lets go of the terminal.
  ~TerminalRun();
  TerminalRun(const TerminalRun&) = delete;
  TerminalRun& operator=(const TerminalRun&) = delete;

  pid_t pid() const { return pid_; }

  /// Reads what the program sends until `text` is among it; false when the
  /// program ended without sending it.
  bool waitFor(const std::string& text);
  /// Types `keys` as the keeper would.
  void type(const std::string& keys);
  /// True once the program has ended; never waits.
  bool ended();
  /// Waits for the program's end and reads everything it sent; its wait
  /// status (see exitCode).
  int finish();

  /// All the program sent to the terminal so far.
  const std::string& output() const { return output_; }
  /// The terminal's mode now, and before the program started.
  struct termios mode() const;
  const struct termios& startMode() const { return start_mode_; }
  /// How many typed bytes are waiting that nobody has read (-1 when the
  /// terminal cannot tell).
  int unreadInput() const;

 private:
  // Moves what the terminal holds for the test into `output_`.
  void drain();

  int master_ = -1;
  int slave_ = -1;
  int pidfd_ = -1;  // readable once the program has ended
  pid_t pid_ = -1;
  int status_ = -1;
  bool reaped_ = false;
  struct termios start_mode_ = {};
  std::string output_;
};

/// The exit code in a wait status, or -1 when the process did not exit by
/// itself (a signal ended it).
int exitCode(int status);

#endif  // KESTREL_TESTING_TERMINAL_RUN_H_
