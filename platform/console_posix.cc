// The console on a POSIX terminal. Output goes to the terminal of standard
// output (else of standard error) with every byte drawn as a glyph, colours
// as SGR sequences and the row wrapping done here against the terminal's
// width. Keys are read from /dev/tty in raw mode and decoded from the
// terminal's escape sequences into PC key texts (NUL and the scan code for a
// key without a character). The terminal's mode and colours are restored
// however the process ends: destructor, exit() or a terminating signal.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <utility>

#include "platform/console.h"
#include "platform/console_glyphs.h"
#include "platform/posix_io.h"
#include "platform/stop_signals.h"

namespace {

constexpr int kDefaultWidth = 80;
// How long an escape sequence or UTF-8 character cut in two by the read may
// wait for its rest before its first byte counts as a key of its own.
constexpr int kSequenceWaitMs = 30;
constexpr int kSequenceWaits = 8;
constexpr int kDefaultForeground = 7;
constexpr int kDefaultBackground = 0;
constexpr char kResetColours[] = "\x1b[0m";

// What is needed to give the terminal back, reachable from the exit and
// signal handlers. Filled while the first console is set up, before any
// handler is installed; cleared when the last console ends.
struct RestoreState {
  int consoles = 0;
  int tty_fd = -1;  // own descriptor of the raw-mode terminal, or -1
  int out_fd = -1;  // own descriptor of the output terminal, or -1
  struct termios saved_mode;
  volatile sig_atomic_t mode_changed = 0;
  volatile sig_atomic_t colours_drawn = 0;
};
RestoreState g_restore;
bool g_exit_handler_registered = false;

// Resets the colours and the input mode. Async-signal-safe; SIGTTOU is held
// so that a process moved to the background is not stopped by it.
void restoreTerminal() {
  if (g_restore.colours_drawn && g_restore.out_fd >= 0) {
    (void)writeAll(g_restore.out_fd, kResetColours, sizeof(kResetColours) - 1);
    g_restore.colours_drawn = 0;
  }
  if (g_restore.mode_changed && g_restore.tty_fd >= 0) {
    sigset_t ttou;
    sigset_t old;
    sigemptyset(&ttou);
    sigaddset(&ttou, SIGTTOU);
    sigprocmask(SIG_BLOCK, &ttou, &old);
    tcsetattr(g_restore.tty_fd, TCSANOW, &g_restore.saved_mode);
    sigprocmask(SIG_SETMASK, &old, nullptr);
    g_restore.mode_changed = 0;
  }
}

void restoreAtExit() { restoreTerminal(); }

// Raw input: no echo, no line editing, no signal keys, no flow control and
// no CR translation, one byte at a time. Output processing stays as it was
// so that what child programs print still shows normally.
struct termios rawMode(const struct termios& mode) {
  struct termios raw = mode;
  raw.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  raw.c_iflag &= ~(IXON | IXOFF | ICRNL | INLCR | IGNCR | BRKINT | ISTRIP |
                   INPCK | PARMRK);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  return raw;
}

int dupCloexec(int fd) { return fd < 0 ? -1 : fcntl(fd, F_DUPFD_CLOEXEC, 0); }

// The first console saves the terminal's mode, sets raw input and arranges
// for the restore at exit and on signals; later ones only count.
void attachTerminal(int tty_fd, int out_fd) {
  if (g_restore.consoles++ > 0) return;
  g_restore.out_fd = dupCloexec(out_fd);
  g_restore.tty_fd = dupCloexec(tty_fd);
  if (g_restore.tty_fd >= 0 &&
      tcgetattr(g_restore.tty_fd, &g_restore.saved_mode) == 0) {
    struct termios raw = rawMode(g_restore.saved_mode);
    if (tcsetattr(g_restore.tty_fd, TCSANOW, &raw) == 0)
      g_restore.mode_changed = 1;
  }
  if (!g_exit_handler_registered && atexit(restoreAtExit) == 0)
    g_exit_handler_registered = true;
  // A stop signal gives the terminal back too.
  runOnStop(restoreTerminal);
}

// The last console gives the terminal back.
void detachTerminal() {
  if (--g_restore.consoles > 0) return;
  restoreTerminal();
  if (g_restore.tty_fd >= 0) close(g_restore.tty_fd);
  if (g_restore.out_fd >= 0) close(g_restore.out_fd);
  g_restore.tty_fd = -1;
  g_restore.out_fd = -1;
}

// The terminal of standard output, else of standard error, or -1.
int outputTerminal() {
  if (isatty(STDOUT_FILENO)) return dupCloexec(STDOUT_FILENO);
  if (isatty(STDERR_FILENO)) return dupCloexec(STDERR_FILENO);
  return -1;
}

// The controlling terminal for key input, or -1 when there is none or the
// process is not in its foreground (where setting the mode or reading would
// stop the process).
int inputTerminal() {
  int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct termios mode;
  if (tcgetattr(fd, &mode) != 0 || tcgetpgrp(fd) != getpgrp()) {
    close(fd);
    return -1;
  }
  return fd;
}

// SGR parameter of a console colour number; the start pair 7 on 0 is the
// terminal's default pair.
int sgrColour(int colour, bool background) {
  static constexpr int kTerminalOrder[8] = {0, 4, 2, 6, 1, 5, 3, 7};
  if (!background && colour == kDefaultForeground) return 39;
  if (background && colour == kDefaultBackground) return 49;
  int base = colour >= 8 ? (background ? 100 : 90) : (background ? 40 : 30);
  return base + kTerminalOrder[colour & 7];
}

// PC scan codes of the keys without a character.
constexpr unsigned char kScanUp = 0x48;
constexpr unsigned char kScanDown = 0x50;
constexpr unsigned char kScanLeft = 0x4B;
constexpr unsigned char kScanRight = 0x4D;
constexpr unsigned char kScanHome = 0x47;
constexpr unsigned char kScanEnd = 0x4F;
constexpr unsigned char kScanInsert = 0x52;
constexpr unsigned char kScanDelete = 0x53;
constexpr unsigned char kScanPageUp = 0x49;
constexpr unsigned char kScanPageDown = 0x51;
constexpr unsigned char kScanF1 = 0x3B;  // F1-F10 are 0x3B-0x44
constexpr unsigned char kScanF11 = 0x85;
constexpr unsigned char kScanF12 = 0x86;
constexpr unsigned char kScanBackTab = 0x0F;

// One key cut from the front of the bytes read from the terminal.
struct KeyScan {
  enum Kind {
    kKey,         // `key` is the key's text
    kIncomplete,  // the bytes may be the start of a longer sequence
    kDropped,     // a sequence of no key the tools know; skip it
  };
  Kind kind = kKey;
  size_t length = 0;  // bytes taken
  std::string key;
};

KeyScan keyOf(std::string key, size_t length) {
  return KeyScan{KeyScan::kKey, length, std::move(key)};
}
KeyScan scanCodeKey(unsigned char code, size_t length) {
  return keyOf(std::string(1, '\0') + static_cast<char>(code), length);
}
KeyScan incompleteKey() { return KeyScan{KeyScan::kIncomplete, 0, ""}; }
KeyScan droppedKey(size_t length) {
  return KeyScan{KeyScan::kDropped, length, ""};
}
KeyScan loneEscape() { return keyOf("\x1b", 1); }

bool isAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// PC scan code of the key of letter `c`.
unsigned char letterScanCode(char c) {
  static constexpr unsigned char kCodes[26] = {
      0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
      0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
      0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
  return kCodes[(c | 0x20) - 'a'];
}

// Scan code of the VT key "ESC [ n ~", 0 when unknown.
unsigned char tildeScanCode(int n) {
  static constexpr unsigned char kCodes[] = {0,
                                             kScanHome,
                                             kScanInsert,
                                             kScanDelete,
                                             kScanEnd,
                                             kScanPageUp,
                                             kScanPageDown,
                                             kScanHome,
                                             kScanEnd,
                                             0,
                                             0,
                                             0x3B,
                                             0x3C,
                                             0x3D,
                                             0x3E,
                                             0x3F,
                                             0,
                                             0x40,
                                             0x41,
                                             0x42,
                                             0x43,
                                             0x44,
                                             0,
                                             kScanF11,
                                             kScanF12};
  if (n < 0 || n >= static_cast<int>(sizeof(kCodes))) return 0;
  return kCodes[n];
}

// Scan code of a sequence ending in `final` (after "ESC [" or "ESC O"),
// with the first parameter `n`; 0 when unknown. Modifier parameters, as in
// "ESC [ 1 ; 5 A", are passed over: the key is the unmodified one.
unsigned char finalScanCode(char final, int n) {
  static constexpr struct {
    char final;
    unsigned char code;
  } kFinals[] = {
      {'A', kScanUp},   {'B', kScanDown}, {'C', kScanRight},   {'D', kScanLeft},
      {'H', kScanHome}, {'F', kScanEnd},  {'P', kScanF1},      {'Q', 0x3C},
      {'R', 0x3D},      {'S', 0x3E},      {'Z', kScanBackTab},
  };
  if (final == '~') return tildeScanCode(n);
  for (const auto& entry : kFinals) {
    if (entry.final == final) return entry.code;
  }
  return 0;
}

// "ESC [" sequences: parameters and intermediates, then a final byte.
KeyScan scanControlSequence(std::string_view in, bool may_follow) {
  if (in.size() > 2 && in[2] == '[') {
    // The Linux console's F1-F5: "ESC [ [ A" to "ESC [ [ E".
    if (in.size() == 3) return may_follow ? incompleteKey() : loneEscape();
    if (in[3] >= 'A' && in[3] <= 'E')
      return scanCodeKey(static_cast<unsigned char>(kScanF1 + in[3] - 'A'), 4);
    return droppedKey(4);
  }
  size_t end = 2;
  int n = 0;
  bool in_first = true;
  while (end < in.size() && in[end] >= 0x20 && in[end] <= 0x3F) {
    if (in[end] < '0' || in[end] > '9') in_first = false;
    if (in_first && n < 1000) n = n * 10 + (in[end] - '0');
    ++end;
  }
  if (end == in.size()) return may_follow ? incompleteKey() : loneEscape();
  // A byte that cannot belong to a sequence: the Esc was a key of its own.
  if (in[end] < 0x40 || in[end] > 0x7E) return loneEscape();
  unsigned char code = finalScanCode(in[end], n);
  if (code == 0) return droppedKey(end + 1);
  return scanCodeKey(code, end + 1);
}

KeyScan scanEscape(std::string_view in, bool may_follow) {
  if (in.size() == 1) return may_follow ? incompleteKey() : loneEscape();
  char next = in[1];
  if (next == '[') return scanControlSequence(in, may_follow);
  if (next == 'O' && in.size() == 2 && may_follow) return incompleteKey();
  if (next == 'O' && in.size() > 2 && in[2] >= 0x40 && in[2] <= 0x7E) {
    unsigned char code = in[2] == '~' ? 0 : finalScanCode(in[2], 0);
    if (code == 0) return droppedKey(3);
    return scanCodeKey(code, 3);
  }
  // Esc then a letter is the letter key held with Alt.
  if (isAsciiLetter(next)) return scanCodeKey(letterScanCode(next), 2);
  return loneEscape();
}

// The key at the front of non-empty `in`. With `may_follow`, a sequence cut
// short by the end of `in` is reported as incomplete; without, its first
// byte becomes a key of its own.
KeyScan scanKey(std::string_view in, bool may_follow) {
  unsigned char first = static_cast<unsigned char>(in[0]);
  if (first == 0x1B) return scanEscape(in, may_follow);
  // The Backspace key of a terminal sends DEL; the PC key gives BS.
  if (first == 0x7F) return keyOf("\b", 1);
  size_t length = glyphs::utf8Length(first);
  size_t present = 1;
  while (present < length && present < in.size() &&
         (static_cast<unsigned char>(in[present]) & 0xC0) == 0x80)
    ++present;
  if (present == length)
    return keyOf(std::string(in.substr(0, length)), length);
  if (present == in.size() && may_follow) return incompleteKey();
  return keyOf(std::string(in.substr(0, 1)), 1);
}

}  // namespace

class TerminalConsole final : public Console::Impl {
 public:
  TerminalConsole() : out_fd_(outputTerminal()), tty_fd_(inputTerminal()) {
    if (out_fd_ >= 0 || tty_fd_ >= 0) {
      attachTerminal(tty_fd_, out_fd_);
      attached_ = true;
    }
  }

  ~TerminalConsole() override {
    if (attached_) detachTerminal();
    if (out_fd_ >= 0) close(out_fd_);
    if (tty_fd_ >= 0) close(tty_fd_);
  }

  bool hasOutput() const override { return out_fd_ >= 0; }
  bool hasInput() const override { return tty_fd_ >= 0; }
  bool showsStandardError() const override {
    return isatty(STDERR_FILENO) != 0;
  }

  void printText(std::string_view text) override {
    if (out_fd_ < 0 || text.empty()) return;
    int width = terminalWidth();
    std::string out;
    out.reserve(text.size() * 2);
    putColours(&out);
    while (!text.empty()) {
      glyphs::Glyph glyph = glyphs::nextGlyph(text);
      text.remove_prefix(glyph.consumed);
      // A wide glyph that no longer fits (or a row narrowed by a resize)
      // starts the next row.
      if (column_ > 0 && column_ + glyph.columns > width) putLineEnd(&out);
      out.append(glyph.utf8);
      column_ += glyph.columns;
      if (column_ >= width) putLineEnd(&out);
    }
    // A terminal that stops taking output loses the rest.
    (void)writeAll(out_fd_, out.data(), out.size());
  }

  void newLine() override {
    if (out_fd_ < 0) return;
    std::string out;
    putLineEnd(&out);
    (void)writeAll(out_fd_, out.data(), out.size());
  }

  void setColours(int foreground, int background) override {
    if (foreground >= 0 && foreground <= 15) foreground_ = foreground;
    if (background >= 0 && background <= 15) background_ = background;
  }

  void beep() override {
    if (out_fd_ >= 0) (void)writeAll(out_fd_, "\a", 1);
  }

  std::string readKey() override {
    if (tty_fd_ < 0) return "";
    fillPending();
    int waits = 0;
    while (!pending_.empty()) {
      KeyScan scan = scanKey(pending_, waits < kSequenceWaits);
      if (scan.kind == KeyScan::kIncomplete) {
        // The rest of a sequence may still be on its way.
        ++waits;
        if (!waitReadable(kSequenceWaitMs) || !fillPending())
          waits = kSequenceWaits;
        continue;
      }
      pending_.erase(0, scan.length);
      if (scan.kind == KeyScan::kKey) return scan.key;
      waits = 0;
    }
    return "";
  }

  void waitForInput(int milliseconds) override {
    if (!pending_.empty()) return;
    if (tty_fd_ < 0) {
      poll(nullptr, 0, milliseconds);
      return;
    }
    waitReadable(milliseconds);
  }

 private:
  int terminalWidth() const {
    struct winsize size;
    if (ioctl(out_fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
      return size.ws_col;
    return kDefaultWidth;
  }

  // Appends the SGR sequence of the current pair when it differs from the
  // pair the terminal last got.
  void putColours(std::string* out) {
    if (foreground_ == drawn_foreground_ && background_ == drawn_background_)
      return;
    *out += "\x1b[" + std::to_string(sgrColour(foreground_, false)) + ";" +
            std::to_string(sgrColour(background_, true)) + "m";
    drawn_foreground_ = foreground_;
    drawn_background_ = background_;
    g_restore.colours_drawn = 1;
  }

  // Column 1 of the next row, said explicitly rather than left to the
  // terminal's own wrap, whose pending state differs between terminals.
  // A terminal that turns LF into CR LF itself gets the LF alone.
  void putLineEnd(std::string* out) {
    struct termios mode;
    bool adds_cr = tcgetattr(out_fd_, &mode) == 0 &&
                   (mode.c_oflag & OPOST) != 0 && (mode.c_oflag & ONLCR) != 0;
    *out += adds_cr ? "\n" : "\r\n";
    column_ = 0;
  }

  bool waitReadable(int milliseconds) {
    if (tty_fd_ < 0) return false;
    struct pollfd p = {tty_fd_, POLLIN, 0};
    int ready = poll(&p, 1, milliseconds);
    return ready > 0 && (p.revents & POLLIN) != 0;
  }

  // Moves what the terminal has waiting into `pending_`; true when
  // anything came. A terminal that has hung up gives no more input.
  bool fillPending() {
    bool got = false;
    char buffer[256];
    for (;;) {
      ssize_t n = retryAfterSignal(-1, read, tty_fd_, buffer, sizeof(buffer));
      if (n > 0) {
        pending_.append(buffer, static_cast<size_t>(n));
        got = true;
        continue;
      }
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
        close(tty_fd_);
        tty_fd_ = -1;
      }
      return got;
    }
  }

  int out_fd_;
  int tty_fd_;
  bool attached_ = false;
  int column_ = 0;  // columns used in the cursor's row
  int foreground_ = kDefaultForeground;
  int background_ = kDefaultBackground;
  // The terminal is taken to start in its default colours.
  int drawn_foreground_ = kDefaultForeground;
  int drawn_background_ = kDefaultBackground;
  std::string pending_;  // bytes read from the terminal, not yet keys
};

std::unique_ptr<Console::Impl> makeConsoleImpl() {
  return std::make_unique<TerminalConsole>();
}
