#include "services/arguments.h"

#include <gtest/gtest.h>

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
