#include "shell/messages.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "text/visible_text.h"

namespace {

// Standard output as a raw terminal while it lives; `taken()` is what the
// terminal got.
class TerminalOutput {
 public:
  TerminalOutput() {
    if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return;
    termios raw;
    tcgetattr(slave_, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave_, TCSANOW, &raw);
    fflush(stdout);
    saved_ = dup(STDOUT_FILENO);
    dup2(slave_, STDOUT_FILENO);
  }
  ~TerminalOutput() {
    restore();
    if (master_ >= 0) close(master_);
  }
  bool ready() const { return saved_ >= 0; }
  std::string taken() {
    restore();
    fcntl(master_, F_SETFL, O_NONBLOCK);
    std::string text;
    char buffer[256];
    ssize_t got;
    while ((got = read(master_, buffer, sizeof buffer)) > 0)
      text.append(buffer, static_cast<size_t>(got));
    return text;
  }

 private:
  void restore() {
    if (saved_ < 0) return;
    dup2(saved_, STDOUT_FILENO);
    close(saved_);
    close(slave_);
    saved_ = -1;
  }
  int master_ = -1;
  int slave_ = -1;
  int saved_ = -1;
};

// Errors go where the run's messages go, a warning to standard error
// always; each is shown for what takes it: escaped in a pipe or a file,
// as glyphs on a terminal.
TEST(MessagesTest, ErrorsGoWhereTheRunSaysWarningsToStandardError) {
  if (isatty(STDERR_FILENO)) GTEST_SKIP() << "standard error is a terminal";
  const std::string error = std::string("a\x01") + "b";
  const std::string warning = "Skipped \x1b";
  const std::string escaped_warning = "Skipped ^[\n";
  const struct {
    const char* what;
    BatchMessages where;
    bool terminal_out;
    std::string err;
    std::string terminal;
  } cases[] = {
      {"standard error", BatchMessages::kStandardError, false,
       "a^Ab\n" + escaped_warning, ""},
      {"standard error beside a terminal", BatchMessages::kStandardError, true,
       "a^Ab\n" + escaped_warning, ""},
      {"a console with no terminal", BatchMessages::kConsoleOnly, false,
       escaped_warning, ""},
      {"a console on standard output's terminal", BatchMessages::kConsoleOnly,
       true, escaped_warning, visible::glyphText(error) + "\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::optional<TerminalOutput> terminal;
    if (c.terminal_out) {
      terminal.emplace();
      ASSERT_TRUE(terminal->ready());
    } else if (isatty(STDOUT_FILENO)) {
      continue;  // a console would show the errors there
    }
    testing::internal::CaptureStderr();
    Messages messages(c.where);
    messages.error(error);
    messages.warning(warning);
    EXPECT_EQ(c.err, testing::internal::GetCapturedStderr());
    if (terminal) {
      EXPECT_EQ(c.terminal, terminal->taken());
    }
  }
}

}  // namespace
