// The console is driven in child processes whose terminal is a
// pseudo-terminal held by the test: what reaches the terminal is read from
// the master side, keys are typed into it, and the terminal's mode is read
// from the slave side during and after the child's run.
#include "platform/console.h"

#include <errno.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sched.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/console_glyphs.h"

namespace {

// Where the child's streams and terminal come from.
struct ChildSetup {
  int columns = 80;
  bool controlling_tty = true;
  bool stdout_tty = true;   // else a file
  bool stderr_tty = true;   // else a file
  bool background = false;  // run outside the terminal's foreground group
};

// The child's ends of the pipes to and from the test.
class ChildSide {
 public:
  ChildSide(int report_fd, int command_fd)
      : report_fd_(report_fd), command_fd_(command_fd) {}
  // Sends one report line to the test.
  void report(const std::string& line) {
    std::string text = line + "\n";
    if (write(report_fd_, text.data(), text.size()) < 0) _exit(90);
  }
  // The next command byte from the test, or 0 when the test is gone.
  char awaitCommand() {
    char command = 0;
    if (read(command_fd_, &command, 1) != 1) return 0;
    return command;
  }

 private:
  int report_fd_;
  int command_fd_;
};

using ChildBody = std::function<int(ChildSide&)>;

// A child process on a fresh pseudo-terminal, and the test's side of it.
class ConsoleChild {
 public:
  ConsoleChild(const ChildSetup& setup, const ChildBody& body) {
    struct winsize size = {};
    size.ws_row = 24;
    size.ws_col = static_cast<unsigned short>(setup.columns);
    if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) abort();
    // Exact bytes: the terminal is not to turn LF into CR LF on its own.
    struct termios mode;
    tcgetattr(slave_, &mode);
    mode.c_oflag &= ~ONLCR;
    tcsetattr(slave_, TCSANOW, &mode);
    tcgetattr(slave_, &start_mode_);
    fcntl(master_, F_SETFL, O_NONBLOCK);
    char out_name[] = "/tmp/console_test_XXXXXX";
    out_file_ = mkstemp(out_name);
    unlink(out_name);
    int report[2];
    int command[2];
    if (pipe(report) != 0 || pipe(command) != 0) abort();
    // A child that ends through exit() flushes its copy of these.
    fflush(stdout);
    fflush(stderr);
    pid_ = fork();
    if (pid_ == 0) {
      close(report[0]);
      close(command[1]);
      ChildSide side(report[1], command[0]);
      _exit(runChild(setup, body, side));
    }
    close(report[1]);
    close(command[0]);
    report_fd_ = report[0];
    command_fd_ = command[1];
    // Readable once the child has ended.
    pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    if (pidfd_ < 0) abort();
  }

  ~ConsoleChild() {
    // A child still waiting for a command hears that none will come.
    close(command_fd_);
    command_fd_ = -1;
    if (pid_ > 0) finish();
    close(master_);
    close(slave_);
    close(out_file_);
    close(report_fd_);
    close(command_fd_);
    close(pidfd_);
  }

  // The next report line of the child ("" when it ended without one).
  std::string awaitReport() {
    std::string line;
    for (;;) {
      struct pollfd p[2] = {{report_fd_, POLLIN, 0}, {master_, POLLIN, 0}};
      if (poll(p, 2, -1) < 0) continue;
      if (p[1].revents & POLLIN) drainOutput();
      if (!(p[0].revents & (POLLIN | POLLHUP))) continue;
      char c;
      if (read(report_fd_, &c, 1) != 1) break;
      if (c == '\n') return line;
      line += c;
    }
    ADD_FAILURE() << "no report from the child";
    return "";
  }

  void send(char command) { ASSERT_EQ(1, write(command_fd_, &command, 1)); }

  // Types `keys` and waits until the terminal holds them all for reading
  // (the child has the terminal in single-key mode).
  void type(const std::string& keys) {
    ASSERT_EQ(static_cast<ssize_t>(keys.size()),
              write(master_, keys.data(), keys.size()));
    int waiting = 0;
    while (ioctl(slave_, FIONREAD, &waiting) == 0 &&
           waiting < static_cast<int>(keys.size())) {
      struct pollfd p = {slave_, POLLIN, 0};
      poll(&p, 1, -1);
      sched_yield();  // the rest of the keys is on its way
    }
  }

  void signal(int number) { kill(pid_, number); }

  // Waits for the child to end, taking in what it shows; its wait status.
  int finish() {
    for (;;) {
      struct pollfd p[2] = {{master_, POLLIN, 0}, {pidfd_, POLLIN, 0}};
      if (poll(p, 2, -1) < 0) continue;
      drainOutput();
      if (p[1].revents & POLLIN) break;
    }
    int status = -1;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    // A read of the master side takes in what the child wrote last too.
    drainOutput();
    return status;
  }

  const std::string& output() const { return output_; }
  const struct termios& startMode() const { return start_mode_; }
  struct termios mode() const {
    struct termios mode = {};
    tcgetattr(slave_, &mode);
    return mode;
  }
  // What the child wrote into its redirected standard output or error.
  std::string fileText() const {
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = pread(out_file_, buffer, sizeof(buffer), text.size())) > 0)
      text.append(buffer, static_cast<size_t>(n));
    return text;
  }

 private:
  int runChild(const ChildSetup& setup, const ChildBody& body,
               ChildSide& side) {
    setsid();
    if (setup.controlling_tty && ioctl(slave_, TIOCSCTTY, 0) != 0) return 91;
    int null_fd = open("/dev/null", O_RDONLY);
    dup2(null_fd, STDIN_FILENO);
    dup2(setup.stdout_tty ? slave_ : out_file_, STDOUT_FILENO);
    dup2(setup.stderr_tty ? slave_ : out_file_, STDERR_FILENO);
    close(null_fd);
    close(master_);
    close(slave_);
    if (setup.background) {
      pid_t worker = fork();
      if (worker == 0) {
        setpgid(0, 0);
        _exit(body(side));
      }
      int status = 0;
      waitpid(worker, &status, 0);
      return WIFEXITED(status) ? WEXITSTATUS(status) : 92;
    }
    return body(side);
  }

  // Moves what the terminal shows into `output_`; true when anything came.
  bool drainOutput() {
    bool got = false;
    char buffer[512];
    ssize_t n;
    while ((n = read(master_, buffer, sizeof(buffer))) > 0) {
      output_.append(buffer, static_cast<size_t>(n));
      got = true;
    }
    return got;
  }

  int master_ = -1;
  int slave_ = -1;
  int out_file_ = -1;
  int report_fd_ = -1;
  int command_fd_ = -1;
  int pidfd_ = -1;
  pid_t pid_ = -1;
  struct termios start_mode_ = {};
  std::string output_;
};

int exitCode(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string scan(unsigned char code) {
  return std::string(1, '\0') + static_cast<char>(code);
}

TEST(ConsoleGlyphsTest, EveryByteHasAPrintableGlyph) {
  for (int byte = 0; byte < 256; ++byte) {
    SCOPED_TRACE(byte);
    std::string_view glyph =
        glyphs::cp437Glyph(static_cast<unsigned char>(byte));
    ASSERT_FALSE(glyph.empty());
    if (byte >= 32 && byte < 127) {
      EXPECT_EQ(std::string(1, static_cast<char>(byte)), glyph);
      continue;
    }
    // One whole UTF-8 character that is neither a C0 nor a C1 control.
    glyphs::Glyph cut = glyphs::nextGlyph(glyph);
    EXPECT_EQ(glyph.size(), cut.consumed);
    EXPECT_EQ(glyph, cut.utf8);
    EXPECT_EQ(1, cut.columns);
    unsigned char lead = static_cast<unsigned char>(glyph[0]);
    EXPECT_TRUE(lead == ' ' || lead >= 0xC2);
  }
  EXPECT_EQ("\xe2\x88\x9e", glyphs::cp437Glyph(0xEC));  // ∞
  EXPECT_EQ("\xc3\x87", glyphs::cp437Glyph(0x80));      // Ç
  EXPECT_EQ("\xc2\xa0", glyphs::cp437Glyph(0xFF));      // no-break space
}

// A lead byte tells how long its character is (for the key reader and the
// glyph cutter alike); the cutter takes the character whole only when the
// bytes after it make it well formed, and else draws the lead byte alone.
TEST(ConsoleGlyphsTest, Utf8CharactersAreTakenWholeOnlyWhenWellFormed) {
  struct {
    unsigned char lead;
    size_t length;
  } leads[] = {
      {0x00, 1}, {0x7F, 1}, {0x80, 1}, {0xBF, 1}, {0xC0, 1},
      {0xC1, 1}, {0xC2, 2}, {0xDF, 2}, {0xE0, 3}, {0xEF, 3},
      {0xF0, 4}, {0xF4, 4}, {0xF5, 1}, {0xFF, 1},
  };
  for (const auto& c : leads) {
    SCOPED_TRACE(static_cast<int>(c.lead));
    EXPECT_EQ(c.length, glyphs::utf8Length(c.lead));
  }
  struct {
    const char* what;
    std::string text;
    size_t consumed;
  } cuts[] = {
      {"U+00A0, the first after the C1 controls", "\xc2\xa0", 2},
      {"U+0800", "\xe0\xa0\x80", 3},
      {"overlong U+07FF", "\xe0\x9f\xbf", 1},
      {"U+D7FF", "\xed\x9f\xbf", 3},
      {"a surrogate", "\xed\xa0\x80", 1},
      {"U+10000", "\xf0\x90\x80\x80", 4},
      {"overlong U+FFFF", "\xf0\x8f\xbf\xbf", 1},
      {"U+10FFFF", "\xf4\x8f\xbf\xbf", 4},
      {"past U+10FFFF", "\xf4\x90\x80\x80", 1},
      {"a continuation byte missing", "\xe2\x82x", 1},
      {"cut short", "\xf0\x9f\x98", 1},
  };
  for (const auto& c : cuts) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.consumed, glyphs::nextGlyph(c.text).consumed);
  }
}

TEST(ConsoleTest, DrawsBytesAsGlyphsAndWrapsRows) {
  using Draw = std::function<void(Console&)>;
  struct {
    const char* name;
    int columns;
    Draw draw;
    std::string expected;
  } cases[] = {
      {"controls are glyphs", 80,
       [](Console& c) { c.printText("a\r\n\tb\x1b[31m\a"); },
       "a\xe2\x99\xaa\xe2\x97\x99\xe2\x97\x8b"
       "b\xe2\x86\x90[31m\xe2\x80\xa2"},
      {"NUL, DEL and a UTF-8 encoded C1 control", 80,
       [](Console& c) { c.printText(std::string("\0\x7f\xc2\x9b", 4)); },
       " \xe2\x8c\x82\xe2\x94\xac\xc2\xa2"},
      {"error report byte", 80,
       [](Console& c) { c.printText(" \xEC Internal Error: Line"); },
       " \xe2\x88\x9e Internal Error: Line"},
      {"valid UTF-8 as typed", 80,
       [](Console& c) {
         c.printText(
             "Gr\xc3\xbc\xc3\x9f"
             "e \xe2\x82\xac");
       },
       "Gr\xc3\xbc\xc3\x9f"
       "e \xe2\x82\xac"},
      {"cut UTF-8 is bytes", 80, [](Console& c) { c.printText("\xe2\x82"); },
       "\xce\x93\xc3\xa9"},
      {"wraps a long text", 10, [](Console& c) { c.printText("0123456789AB"); },
       "0123456789\r\nAB"},
      {"full row then newLine leaves an empty row", 10,
       [](Console& c) {
         c.printText("0123456789");
         c.newLine();
         c.printText("x");
       },
       "0123456789\r\n\r\nx"},
      {"column carries across calls", 5,
       [](Console& c) {
         c.printText("abc");
         c.printText("defg");
         c.newLine();
         c.printText("h");
       },
       "abcde\r\nfg\r\nh"},
      {"a glyph takes one column", 4,
       [](Console& c) { c.printText("\t\t\t\tx"); },
       "\xe2\x97\x8b\xe2\x97\x8b\xe2\x97\x8b\xe2\x97\x8b\r\nx"},
      {"a wide character that does not fit starts a row", 5,
       [](Console& c) { c.printText("abcd\xe6\xbc\xa2"); },
       "abcd\r\n\xe6\xbc\xa2"},
      {"numbers", 80,
       [](Console& c) {
         c.printNumber(1020);
         c.printNumber(-5);
         c.printNumber(0);
       },
       " 1020 -5  0 "},
      {"beep", 80, [](Console& c) { c.beep(); }, "\a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ChildSetup setup;
    setup.columns = c.columns;
    ConsoleChild child(setup, [&](ChildSide&) {
      Console console;
      c.draw(console);
      return 0;
    });
    EXPECT_EQ(0, exitCode(child.finish()));
    EXPECT_EQ(c.expected, child.output());
  }
}

TEST(ConsoleTest, ColoursAreSentOnlyWhenDrawnAndResetAtTheEnd) {
  using Draw = std::function<void(Console&)>;
  struct {
    const char* name;
    Draw draw;
    std::string expected;
  } cases[] = {
      {"start pair is the terminal's default",
       [](Console& c) { c.printText("a"); }, "a"},
      {"yellow, then back to the default pair",
       [](Console& c) {
         c.setColours(14, -1);
         c.printText("E");
         c.setColours(7, 0);
         c.printText("n");
       },
       "\x1b[93;49mE\x1b[39;49mn\x1b[0m"},
      {"only the pair in force when drawing, out-of-range keeps",
       [](Console& c) {
         c.setColours(1, 4);
         c.setColours(14, 16);
         c.newLine();
         c.setColours(-1, 99);
         c.printText("x");
         c.printText("y");
       },
       "\r\n\x1b[93;41mxy\x1b[0m"},
      {"dark and bright pairs",
       [](Console& c) {
         c.setColours(0, 9);
         c.printText("a");
         c.setColours(3, 6);
         c.printText("b");
         c.setColours(15, 8);
         c.printText("c");
       },
       "\x1b[30;104ma\x1b[36;43mb\x1b[97;100mc\x1b[0m"},
      {"colours set but nothing drawn", [](Console& c) { c.setColours(12, 1); },
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConsoleChild child(ChildSetup(), [&](ChildSide&) {
      Console console;
      c.draw(console);
      return 0;
    });
    EXPECT_EQ(0, exitCode(child.finish()));
    EXPECT_EQ(c.expected, child.output());
  }
}

TEST(ConsoleTest, DecodesKeysFromTheTerminal) {
  struct {
    std::string typed;
    std::vector<std::string> expected;
  } cases[] = {
      {"a", {"a"}},
      {"\r", {"\r"}},
      // Ctrl-C, Ctrl-Z, Ctrl-\ and Ctrl-S are keys, not signals or flow.
      {"\x03\x1a\x1c\x13", {"\x03", "\x1a", "\x1c", "\x13"}},
      {"\x7f", {"\b"}},
      {"\x1b", {"\x1b"}},
      {"\x1b\x1b", {"\x1b", "\x1b"}},
      {"\x1b[A\x1b[B\x1b[D\x1b[C\x1bOA",
       {scan(0x48), scan(0x50), scan(0x4B), scan(0x4D), scan(0x48)}},
      {"\x1b[H\x1b[F\x1bOH\x1b[1~\x1b[4~",
       {scan(0x47), scan(0x4F), scan(0x47), scan(0x47), scan(0x4F)}},
      {"\x1b[2~\x1b[3~\x1b[5~\x1b[6~",
       {scan(0x52), scan(0x53), scan(0x49), scan(0x51)}},
      {"\x1bOP\x1bOS\x1b[[A\x1b[15~\x1b[17~\x1b[21~\x1b[23~\x1b[24~",
       {scan(0x3B), scan(0x3E), scan(0x3B), scan(0x3F), scan(0x40), scan(0x44),
        scan(0x85), scan(0x86)}},
      {"\x1b[1;5A\x1b[3;2~", {scan(0x48), scan(0x53)}},
      {"\x1bx\x1b"
       "A\x1bq",
       {scan(0x2D), scan(0x1E), scan(0x10)}},
      {"\x1b[99~z\x1b[200~", {"z"}},
      {"\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80",
       {"\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80"}},
      {"\xff\xc3", {"\xff", "\xc3"}},
  };
  ConsoleChild child(ChildSetup(), [](ChildSide& side) {
    Console console;
    side.report(console.hasInput() ? "ready" : "no input");
    while (side.awaitCommand() == 'k') {
      std::string keys;
      for (std::string key; !(key = console.readKey()).empty();) {
        for (unsigned char byte : key) {
          char hex[4];
          snprintf(hex, sizeof(hex), "%02x", byte);
          keys += hex;
        }
        keys += ' ';
      }
      side.report(keys);
    }
    return 0;
  });
  ASSERT_EQ("ready", child.awaitReport());
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.typed));
    child.type(c.typed);
    child.send('k');
    std::string report = child.awaitReport();
    std::vector<std::string> keys;
    size_t start = 0;
    for (size_t space; (space = report.find(' ', start)) != std::string::npos;
         start = space + 1) {
      std::string key;
      for (size_t i = start; i + 1 < space; i += 2)
        key += static_cast<char>(std::stoi(report.substr(i, 2), nullptr, 16));
      keys.push_back(key);
    }
    EXPECT_EQ(c.expected, keys);
  }
  child.send('q');
  EXPECT_EQ(0, exitCode(child.finish()));
  EXPECT_EQ("", child.output()) << "typed keys were echoed";
}

TEST(ConsoleTest, RawModeIsSetAndRestoredHoweverTheToolEnds) {
  struct {
    const char* name;
    int signal;  // sent to end the child, or 0 to let it end by itself
    bool by_exit;
    int expected_exit;  // -1 when it ends by the signal
  } cases[] = {
      {"destructor", 0, false, 0},
      {"exit(255) without the destructor", 0, true, 255},
      {"SIGTERM", SIGTERM, false, -1},
      {"SIGHUP", SIGHUP, false, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConsoleChild child(ChildSetup(), [&](ChildSide& side) {
      Console console;
      console.setColours(14, -1);
      console.printText("x");
      side.report("ready");
      if (side.awaitCommand() != 'e') return 3;
      if (c.by_exit) std::exit(255);
      return 0;
    });
    ASSERT_EQ("ready", child.awaitReport());
    struct termios start = child.startMode();
    struct termios raw = child.mode();
    EXPECT_EQ(0u, raw.c_lflag & (ECHO | ICANON | ISIG | IEXTEN));
    EXPECT_EQ(0u, raw.c_iflag & (IXON | ICRNL));
    EXPECT_EQ(start.c_oflag, raw.c_oflag);
    EXPECT_NE(0u, raw.c_oflag & OPOST);
    if (c.signal != 0) {
      child.signal(c.signal);
    } else {
      child.send('e');
    }
    int status = child.finish();
    if (c.expected_exit >= 0) {
      EXPECT_EQ(c.expected_exit, exitCode(status));
    } else {
      ASSERT_TRUE(WIFSIGNALED(status));
      EXPECT_EQ(c.signal, WTERMSIG(status));
    }
    struct termios end = child.mode();
    EXPECT_EQ(start.c_lflag, end.c_lflag);
    EXPECT_EQ(start.c_iflag, end.c_iflag);
    EXPECT_EQ(start.c_oflag, end.c_oflag);
    EXPECT_EQ(start.c_cc[VMIN], end.c_cc[VMIN]);
    EXPECT_EQ(start.c_cc[VTIME], end.c_cc[VTIME]);
    EXPECT_EQ("\x1b[93;49mx\x1b[0m", child.output());
  }
}

TEST(ConsoleTest, OutputGoesOnlyToATerminal) {
  struct {
    const char* name;
    ChildSetup setup;
    std::string expected_report;
    bool expected_raw;
    std::string expected_terminal;
  } cases[] = {
      {"standard output",
       {80, true, true, false, false},
       "out in",
       true,
       "\x1b[93;44mhi\a\r\n\x1b[0m"},
      {"standard error",
       {80, true, false, true, false},
       "out in",
       true,
       "\x1b[93;44mhi\a\r\n\x1b[0m"},
      {"both redirected", {80, true, false, false, false}, "- in", true, ""},
      {"no terminal at all",
       {80, false, false, false, false},
       "- -",
       false,
       ""},
      // A background job neither reads keys nor touches the mode.
      {"background job",
       {80, true, true, true, true},
       "out -",
       false,
       "\x1b[93;44mhi\a\r\n\x1b[0m"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ConsoleChild child(c.setup, [](ChildSide& side) {
      Console console;
      console.setColours(14, 1);
      console.printText("hi");
      console.beep();
      console.newLine();
      std::string key = console.readKey();
      console.waitForInput(1);
      side.report(std::string(console.hasOutput() ? "out" : "-") + " " +
                  (console.hasInput() ? "in" : "-") + key);
      side.awaitCommand();
      return 0;
    });
    EXPECT_EQ(c.expected_report, child.awaitReport());
    tcflag_t start_lflag = child.startMode().c_lflag;
    EXPECT_EQ(c.expected_raw ? start_lflag & ~(ECHO | ICANON | ISIG | IEXTEN)
                             : start_lflag,
              child.mode().c_lflag & ~ECHONL);
    child.send('e');
    EXPECT_EQ(0, exitCode(child.finish()));
    EXPECT_EQ(c.expected_terminal, child.output());
    EXPECT_EQ("", child.fileText());
  }
}

}  // namespace
