#include "runtime/arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ArgumentsTest, OnlyAWholeTailIsAnOption) {
  const struct {
    const char* tail;
    TailUse use;
    Request request;
    const char* text;
  } cases[] = {
      {"--help", TailUse::kText, Request::kHelp, ""},
      {"-h", TailUse::kText, Request::kHelp, ""},
      {"--version", TailUse::kText, Request::kVersion, ""},
      {"--help", TailUse::kNothing, Request::kHelp, ""},
      {"--version", TailUse::kNothing, Request::kVersion, ""},
      // Anything else is the area text, untouched and never split.
      {"", TailUse::kText, Request::kRun, ""},
      {"-- Utilities --", TailUse::kText, Request::kRun, "-- Utilities --"},
      {"--help --version", TailUse::kText, Request::kRun, "--help --version"},
      {"--help ", TailUse::kText, Request::kRun, "--help "},
      {" -h", TailUse::kText, Request::kRun, " -h"},
      {"--HELP", TailUse::kText, Request::kRun, "--HELP"},
      {"-v", TailUse::kText, Request::kRun, "-v"},
      {"--", TailUse::kText, Request::kRun, "--"},
      {"\"--help\"", TailUse::kText, Request::kRun, "\"--help\""},
      {"A \\ B  ", TailUse::kText, Request::kRun, "A \\ B  "},
      // A tool that takes nothing runs only on an empty tail.
      {"", TailUse::kNothing, Request::kRun, ""},
      {"-h -h", TailUse::kNothing, Request::kMisuse, "-h -h"},
      {"SUBDIR", TailUse::kNothing, Request::kMisuse, "SUBDIR"},
      {" ", TailUse::kNothing, Request::kMisuse, " "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("tail [") + c.tail + "]");
    Arguments arguments = readArguments(c.tail, c.use);
    EXPECT_EQ(c.request, arguments.request);
    EXPECT_EQ(c.text, arguments.text);
  }
}

// "--modern" counts only as the first word of the tail; the text after it
// and its blanks is the run's text.
TEST(ArgumentsTest, ModernOnlyAsTheFirstWord) {
  const struct {
    const char* tail;
    TailUse use;
    Request request;
    AreaStyle style;
    const char* text;
  } cases[] = {
      {"--modern", TailUse::kText, Request::kRun, AreaStyle::kModern, ""},
      {"--modern Caf\xc3\xa9 Area", TailUse::kText, Request::kRun,
       AreaStyle::kModern, "Caf\xc3\xa9 Area"},
      {"--modern   A \\ B  ", TailUse::kText, Request::kRun, AreaStyle::kModern,
       "A \\ B  "},
      {"--modern --help", TailUse::kText, Request::kRun, AreaStyle::kModern,
       "--help"},
      {"--modern --modern", TailUse::kText, Request::kRun, AreaStyle::kModern,
       "--modern"},
      {"--modern", TailUse::kNothing, Request::kRun, AreaStyle::kModern, ""},
      {"--modern ", TailUse::kNothing, Request::kRun, AreaStyle::kModern, ""},
      {"--modern x", TailUse::kNothing, Request::kMisuse, AreaStyle::kModern,
       "x"},
      // Anywhere else, or joined to more, it is text like any other.
      {"Area --modern", TailUse::kText, Request::kRun, AreaStyle::kClassic,
       "Area --modern"},
      {"--modernist", TailUse::kText, Request::kRun, AreaStyle::kClassic,
       "--modernist"},
      {" --modern", TailUse::kText, Request::kRun, AreaStyle::kClassic,
       " --modern"},
      {"--MODERN", TailUse::kText, Request::kRun, AreaStyle::kClassic,
       "--MODERN"},
      {"Area --modern", TailUse::kNothing, Request::kMisuse,
       AreaStyle::kClassic, "Area --modern"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("tail [") + c.tail + "]");
    Arguments arguments = readArguments(c.tail, c.use);
    EXPECT_EQ(c.request, arguments.request);
    EXPECT_EQ(c.style, arguments.style);
    EXPECT_EQ(c.text, arguments.text);
  }
}

// A tool that takes options only takes "--modern" and "--update" in either
// order, each once; kestrel's area text is never read for "--update".
TEST(ArgumentsTest, UpdateWithModernInEitherOrder) {
  const struct {
    const char* tail;
    TailUse use;
    Request request;
    AreaStyle style;
    bool update;
    const char* text;
  } cases[] = {
      {"--update", TailUse::kNothing, Request::kRun, AreaStyle::kClassic, true,
       ""},
      {"--update --modern", TailUse::kNothing, Request::kRun,
       AreaStyle::kModern, true, ""},
      {"--modern  --update ", TailUse::kNothing, Request::kRun,
       AreaStyle::kModern, true, ""},
      {"--update --update", TailUse::kNothing, Request::kMisuse,
       AreaStyle::kClassic, true, "--update"},
      {"--modern --update --modern", TailUse::kNothing, Request::kMisuse,
       AreaStyle::kModern, true, "--modern"},
      {"--update x", TailUse::kNothing, Request::kMisuse, AreaStyle::kClassic,
       true, "x"},
      {"--updates", TailUse::kNothing, Request::kMisuse, AreaStyle::kClassic,
       false, "--updates"},
      {"--update --help", TailUse::kNothing, Request::kMisuse,
       AreaStyle::kClassic, true, "--help"},
      {"--update", TailUse::kText, Request::kRun, AreaStyle::kClassic, false,
       "--update"},
      {"--modern --update", TailUse::kText, Request::kRun, AreaStyle::kModern,
       false, "--update"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("tail [") + c.tail + "]");
    Arguments arguments = readArguments(c.tail, c.use);
    EXPECT_EQ(c.request, arguments.request);
    EXPECT_EQ(c.style, arguments.style);
    EXPECT_EQ(c.update, arguments.update);
    EXPECT_EQ(c.text, arguments.text);
  }
}

TEST(CommandTailTest, TailOfCommandLine) {
  struct {
    const char* line;
    const char* expected;
  } cases[] = {
      {"KESTREL  C:\\FILES\\AREA ", "C:\\FILES\\AREA "},
      {"\"C:\\Program Files\\KESTREL.EXE\" x", "x"},
      {"\"C:\\Program Files\\KESTREL.EXE\"   x  y ", "x  y "},
      {"\"KESTREL\"", ""},
      {"KESTREL", ""},
      {"KESTREL ", ""},
      {"", ""},
      {"KESTREL\tx", "\tx"},
      {"KESTREL \tx", "\tx"},
      {" KESTREL x", "KESTREL x"},
      {"   KESTREL", "KESTREL"},
      {"\"C:\\KESTREL x", ""},
      {"KESTREL \"My Area\" \\a\\", "\"My Area\" \\a\\"},
      {"KESTREL\xE9 x", "x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(c.expected, tailOfCommandLine(c.line));
  }
}

// The arguments after the program name joined by one blank: the tail on
// POSIX, where the system keeps no command line as typed.
TEST(CommandTailTest, ArgumentsJoinWithOneBlank) {
  struct {
    std::vector<std::string> argv;
    const char* expected;
  } cases[] = {
      {{"kestrel"}, ""},
      {{"kestrel", "My Area"}, "My Area"},
      {{"kestrel", "a", "b", "c"}, "a b c"},
      {{"kestrel", "a\\b", "  c "}, "a\\b   c "},
      {{"kestrel", "", "x"}, " x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    std::vector<std::string> words = c.argv;
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    int argc = static_cast<int>(words.size());
    EXPECT_EQ(c.expected, tailOfArguments(argc, argv.data()));
#ifndef _WIN32
    EXPECT_EQ(c.expected, CommandTail::ofProcess(argc, argv.data()).text());
#endif
  }
  EXPECT_EQ("", tailOfArguments(0, nullptr));
}

// A run's tail is what it takes as text: kestrel's area text without the
// option in front; a tool that takes options only keeps its tail as it is.
TEST(CommandTailTest, ReadingTheCommandLineTakesTheOptionOff) {
  const struct {
    const char* tail;
    TailUse use;
    const char* expected;
  } cases[] = {
      {"My Area", TailUse::kText, "My Area"},
      {"--modern   My Area ", TailUse::kText, "My Area "},
      {"--modern", TailUse::kText, ""},
      {"Area --modern", TailUse::kText, "Area --modern"},
      {"--update --modern", TailUse::kNothing, "--update --modern"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("tail [") + c.tail + "]");
    CommandTail tail(c.tail);
    Arguments arguments;
    int exit_code = -1;
    ASSERT_TRUE(readCommandLine(&tail, c.use, {"tool", "1.0", "usage\n"},
                                &arguments, &exit_code));
    EXPECT_EQ(c.expected, tail.text());
    EXPECT_EQ(-1, exit_code);
  }
}

// "/?" is cmd's help switch; elsewhere it is just an area called "/?".
TEST(ArgumentsTest, SlashQuestionMarkAsksForHelpUnderCmdOnly) {
#ifdef _WIN32
  const Request expected = Request::kHelp;
#else
  const Request expected = Request::kRun;
#endif
  EXPECT_EQ(expected, readArguments("/?", TailUse::kText).request);
}

}  // namespace
