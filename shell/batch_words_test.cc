#include "shell/batch_words.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

using batch::CommandLine;
using batch::parseCommandLine;
using batch::Program;

TEST(BatchLinesTest, EndAtCrWithOneLfAfterIt) {
  struct {
    std::string_view text;
    std::vector<std::string_view> expected;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb", {"a", "b"}},
      {"a\nb\r\n", {"a\nb"}},
      {"a\r\n\nb", {"a", "\nb"}},
      {"\r\r\n", {"", ""}},
      {std::string_view("a\0b\r", 4), {std::string_view("a\0b", 3)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
    EXPECT_EQ(c.expected, batch::lines(c.text));
  }
}

TEST(CommandLineTest, ReadsProgramSwitchesAndOneLiteralName) {
  struct {
    const char* line;
    Program program;
    const char* word;
    size_t shells;
    std::vector<std::string_view> switches;
    const char* name;
    bool quoted;
  } cases[] = {
      {"", Program::kNothing, "", 0, {}, "", false},
      {" @ @@ ", Program::kNothing, "", 0, {}, "", false},
      {"dir", Program::kDir, "dir", 0, {}, "", false},
      {"@DIR /B *.*", Program::kDir, "DIR", 0, {"/B"}, "*.*", false},
      {"Del /q /F a.txt",
       Program::kDel,
       "Del",
       0,
       {"/q", "/F"},
       "a.txt",
       false},
      // Only leading switches are switches; the rest is one name, inner
      // blanks kept, trailing ones dropped.
      {"dir /x a  /b  ", Program::kDir, "dir", 0, {"/x"}, "a  /b", false},
      {"dir \"Q & A.pdf\"", Program::kDir, "dir", 0, {}, "Q & A.pdf", true},
      {"dir \"a\"b\"", Program::kDir, "dir", 0, {}, "a\"b", true},
      {"dir \"", Program::kDir, "dir", 0, {}, "\"", false},
      {"dir \"a b", Program::kDir, "dir", 0, {}, "\"a b", false},
      {"dir \"\"", Program::kDir, "dir", 0, {}, "", true},
      // Blanks alone split words: a tab is part of one.
      {"dir\ta", Program::kUnknown, "dir\ta", 0, {}, "", false},
      {"dir a\tb", Program::kDir, "dir", 0, {}, "a\tb", false},
      {"echo x", Program::kUnknown, "echo", 0, {}, "x", false},
      {"SUB\\RUN.Cmd arg",
       Program::kBatch,
       "SUB\\RUN.Cmd",
       0,
       {},
       "arg",
       false},
      {".bat", Program::kUnknown, ".bat", 0, {}, "", false},
      // Each "cmd /c" runs the rest, its own lead skipped, one level deeper.
      {"cmd /c DIR /X a", Program::kDir, "DIR", 1, {"/X"}, "a", false},
      {"CMD.EXE /C cmd /c @ @del a", Program::kDel, "del", 2, {}, "a", false},
      {"cmd /c @@x.bat", Program::kBatch, "x.bat", 1, {}, "", false},
      {"cmd /c", Program::kNothing, "", 1, {}, "", false},
      {"cmd /c @", Program::kNothing, "", 1, {}, "", false},
      {"cmd", Program::kCmdMisused, "cmd", 0, {}, "", false},
      {"cmd /k dir", Program::kCmdMisused, "cmd", 0, {}, "", false},
      {"cmd /c Cmd.exe", Program::kCmdMisused, "Cmd.exe", 1, {}, "", false},
      {"cmd /c/c dir", Program::kCmdMisused, "cmd", 0, {}, "", false},
      {"cmdx /c dir", Program::kUnknown, "cmdx", 0, {"/c"}, "dir", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    batch::Command command = parseCommandLine(c.line).command;
    EXPECT_EQ(c.program, command.program);
    EXPECT_EQ(c.word, command.word);
    EXPECT_EQ(c.shells, command.shells);
    EXPECT_EQ(c.switches, command.args.switches);
    EXPECT_EQ(c.name, command.args.name);
    EXPECT_EQ(c.quoted, command.args.quoted);
  }
}

TEST(CommandLineTest, LastWordOpeningWithGreaterThanIsTheOutputFile) {
  struct {
    const char* line;
    bool redirected;
    bool append;
    const char* target;
    const char* name;  // what is left of the command's name
  } cases[] = {
      {"dir /b a", false, false, "", "a"},
      {"dir /b a >out", true, false, "out", "a"},
      {"dir /b a >>out  ", true, true, "out", "a"},
      {"cmd /c DIR /X \"x >y\" >\\$DIR$", true, false, "\\$DIR$", "x >y"},
      // Only the last word: an earlier one is part of the name, and one
      // after a blank is no output file.
      {"dir a >x >y", true, false, "y", "a >x"},
      {"dir a > x", false, false, "", "a > x"},
      // Left for the run to refuse as a syntax error.
      {"dir >", true, false, "", ""},
      {"dir >>>x", true, true, ">x", ""},
      {"@>out", true, false, "out", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    CommandLine parsed = parseCommandLine(c.line);
    EXPECT_EQ(c.redirected, parsed.output.redirected);
    EXPECT_EQ(c.append, parsed.output.append);
    EXPECT_EQ(c.target, parsed.output.target);
    EXPECT_EQ(c.name, parsed.command.args.name);
  }
}

TEST(CommandLineTest, SaysWhatKindOfLineItIs) {
  struct {
    const char* line;
    bool blank;
    bool starts_batch;
    bool leads_with_batch_name;
  } cases[] = {
      {"", true, false, false},
      {"  @@  ", true, false, false},
      {"@ >x", false, false, false},
      {"x.bat >out", false, true, true},
      // A line of one output word that names a batch makes that file; as a
      // batch line it still hands over.
      {">x.bat", false, false, true},
      {"cmd /c x.bat", false, false, false},
      {"del a", false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    CommandLine parsed = parseCommandLine(c.line);
    EXPECT_EQ(c.blank, parsed.blank());
    EXPECT_EQ(c.starts_batch, parsed.startsBatch());
    EXPECT_EQ(c.leads_with_batch_name, parsed.leads_with_batch_name);
  }
}

TEST(NameSlotTest, ReadsTheNameOfALineLikeTheLearntOne) {
  const std::string learnt = "@cmd /c DIR /X first.zip >\\$DIR$";
  batch::NameSlot slot;
  ASSERT_TRUE(slot.learn(learnt, parseCommandLine(learnt)));
  struct {
    std::string line;
    bool matches;
    std::string_view written;
  } cases[] = {
      {"@cmd /c DIR /X b.zip >\\$DIR$", true, "b.zip"},
      {"@cmd /c DIR /X \"a b\" >\\$DIR$", true, "\"a b\""},
      {"@cmd /c DIR /X a >b >\\$DIR$", true, "a >b"},
      {"@cmd /c DIR /X /b >\\$DIR$", false, ""},  // one more switch
      {"@cmd /c DIR /X  b >\\$DIR$", false, ""},  // a blank in front
      {"@cmd /c DIR /X b  >\\$DIR$", false, ""},  // a blank after it
      {"@cmd /c DIR /X  >\\$DIR$", false, ""},
      {"@cmd /c DIR /X b >\\$DIR$x", false, ""},
      {"@cmd /c DIR /B b >\\$DIR$", false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    std::string_view written;
    EXPECT_EQ(c.matches, slot.match(c.line, &written));
    if (c.matches) {
      EXPECT_EQ(c.written, written);
    }
  }
  // A line without an output file after the name teaches nothing: any
  // last word of another line could be one.
  std::string_view written;
  EXPECT_FALSE(slot.learn("dir a", parseCommandLine("dir a")));
  EXPECT_FALSE(slot.match(learnt, &written));
}

// Whatever name a line holds, a match reads it as parsing the line does.
TEST(NameSlotTest, AgreesWithParsingOnEveryName) {
  const std::string before = "@cmd /c DIR /X ";
  const std::string after = " >\\$DIR$";
  batch::NameSlot slot;
  const std::string first = before + "x" + after;
  ASSERT_TRUE(slot.learn(first, parseCommandLine(first)));
  const std::string alphabet = " /\"@>a*.";
  uint32_t state = 12345;
  int matched = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string name;
    int length = 1 + static_cast<int>(i % 6);
    for (int k = 0; k < length; ++k) {
      state = state * 1103515245u + 12345u;
      name += alphabet[(state >> 16) % alphabet.size()];
    }
    std::string line = before + name + after;
    std::string_view written;
    if (!slot.match(line, &written)) continue;
    ++matched;
    SCOPED_TRACE(line);
    CommandLine parsed = parseCommandLine(line);
    ASSERT_EQ(Program::kDir, parsed.command.program);
    ASSERT_EQ(1u, parsed.command.shells);
    ASSERT_EQ(std::vector<std::string_view>{"/X"},
              parsed.command.args.switches);
    ASSERT_EQ("\\$DIR$", parsed.output.target);
    ASSERT_FALSE(parsed.output.append);
    ASSERT_EQ(parsed.command.args.written, written);
    bool quoted = false;
    ASSERT_EQ(parsed.command.args.name, batch::nameOf(written, &quoted));
    ASSERT_EQ(parsed.command.args.quoted, quoted);
  }
  EXPECT_GT(matched, 1000);  // the check above saw many names
}

}  // namespace
