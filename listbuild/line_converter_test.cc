#include "listbuild/line_converter.h"

#include <gtest/gtest.h>

#include <string>

namespace listbuild {
namespace {

constexpr char kStamp[] = "03/14/2024  09:26 PM";    // columns 1-20
constexpr char kDirField[] = "    <DIR>          ";  // columns 21-39

// A file's size field: right-aligned to end in column 38, then a blank.
std::string sizeField(const std::string& size) {
  return std::string(18 - size.size(), ' ') + size + " ";
}

// An entry line as a Windows capture has it: the short name padded to 12
// columns (40-51), a blank, and the name from column 53.
std::string entryLine(const std::string& size_field,
                      const std::string& short_name, const std::string& name) {
  return kStamp + size_field + short_name +
         std::string(12 - short_name.size(), ' ') + " " + name;
}

std::string fileLine(const std::string& short_name, const std::string& name) {
  return entryLine(sizeField("1,234"), short_name, name);
}

std::string dirLine(const std::string& short_name, const std::string& name) {
  return entryLine(kDirField, short_name, name);
}

TEST(LineConverterTest, CaptureLines) {
  const struct {
    std::string input;
    std::optional<std::string> expected;
  } cases[] = {
      // Header, blank and summary lines.
      {"", std::nullopt},
      {" Volume in drive C has no label.", std::nullopt},
      {" Directory of C:\\AREA", std::nullopt},
      {"               3 File(s)          4,567 bytes", std::nullopt},
      // The listed directory and its parent.
      {dirLine("", "."), std::nullopt},
      {dirLine("", ".."), std::nullopt},
      // Files: the name alone, or the padded short name and the long name.
      {fileLine("", "README.TXT"), "README.TXT"},
      {fileLine("", "A Long Name.txt"), "A Long Name.txt"},
      {entryLine(sizeField("1,234,567,890"), "", "big.iso"), "big.iso"},
      {fileLine("LONGFI~1.ZIP", "Long-File-Name.zip"),
       "LONGFI~1.ZIP Long-File-Name.zip"},
      {fileLine("GAME~1.ZIP", "game of life.zip"),
       "GAME~1.ZIP   game of life.zip"},
      // Directories: a backslash in front, and one before a long name.
      {dirLine("", "DOCS"), "\\DOCS"},
      {dirLine("", "old_versions"), "\\old_versions"},
      {dirLine("OLDVER~1", "old versions"), "\\OLDVER~1     \\old versions"},
      {dirLine("VERYLO~1.DIR", "very.long.directory"),
       "\\VERYLO~1.DIR \\very.long.directory"},
      // A name of its own whose 13th character is a blank reads the same.
      {dirLine("", "Old_releases 2019"), "\\Old_releases \\2019"},
      {dirLine("", "Old_release 2019"), "\\Old_release 2019"},
      // The rule needs a character after the blank.
      {dirLine("", "Old_releases "), "\\Old_releases "},
      // "<DIR>" decides wherever it stands.
      {fileLine("", "notes<DIR>.txt"), "\\notes<DIR>.txt"},
      // Cut short: a file line gives an empty line, a directory line nothing.
      {"03/14/2024  09:26 PM    1,234", ""},
      {"03/14/2024  09:26 PM    <DIR>", std::nullopt},
      // The capture's own entry; the test is byte-exact.
      {fileLine("", "$lvtr$.txt"), std::nullopt},
      {fileLine("", "$LVTR$.TXT"), "$LVTR$.TXT"},
      {dirLine("", "$lvtr$.txt"), "\\$lvtr$.txt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    std::string left_out;
    EXPECT_EQ(listLineFor(c.input, &left_out), c.expected);
    EXPECT_EQ("", left_out);
  }
}

// A name's own leading backslash would be read back as the directory mark:
// the name gets no line and is handed back to be named.
TEST(LineConverterTest, NameBeginningWithBackslashIsLeftOut) {
  const struct {
    std::string input;
    std::string left_out;
  } cases[] = {
      {fileLine("", "\\back"), "\\back"},
      {fileLine("", "\\\\host\\x"), "\\\\host\\x"},
      {dirLine("", "\\DOCS"), "\\DOCS"},
      {dirLine("", "\\"), "\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    std::string left_out;
    EXPECT_EQ(std::nullopt, listLineFor(c.input, &left_out));
    EXPECT_EQ(c.left_out, left_out);
  }
  EXPECT_EQ("a\\b", listLineFor(fileLine("", "a\\b")));
}

// The modern list: the whole name from column 53, quoted when a bare line
// would change it, each quote in it doubled; a directory's backslash mark
// stands before the quotes.
TEST(LineConverterTest, ModernCaptureLines) {
  const struct {
    std::string input;
    std::optional<std::string> expected;
  } cases[] = {
      {" Directory of C:\\AREA", std::nullopt},
      {dirLine("", "."), std::nullopt},
      {dirLine("", ".."), std::nullopt},
      {fileLine("", "README.TXT"), "README.TXT"},
      {fileLine("", "A Long Name.txt"), "\"A Long Name.txt\""},
      {fileLine("LONGFI~1.ZIP", "Long-File-Name.zip"), "Long-File-Name.zip"},
      {fileLine("", "Q&A.pdf"), "Q&A.pdf"},
      {fileLine("", "say\"hi\".txt"), "say\"hi\".txt"},
      {fileLine("", "say \"hi\".txt"), "\"say \"\"hi\"\".txt\""},
      {fileLine("", "\"README.TXT\""), "\"\"\"README.TXT\"\"\""},
      {fileLine("", " lead"), "\" lead\""},
      {fileLine("", "trail "), "\"trail \""},
      {fileLine("", "\\back"), "\"\\back\""},
      {fileLine("", "-dash"), "\"-dash\""},
      {dirLine("", "\\back"), "\\\"\\back\""},
      {dirLine("", "Old_releases 2019"), "\\\"Old_releases 2019\""},
      {dirLine("OLDVER~1", "old versions"), "\\\"old versions\""},
      {dirLine("", "DOCS"), "\\DOCS"},
      {fileLine("", "$lvtr$.txt"), std::nullopt},
      {fileLine("", "$lvtr$.txt.bak"), "$lvtr$.txt.bak"},
      {"03/14/2024  09:26 PM    1,234", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(modernListLineFor(c.input), c.expected);
  }
}

}  // namespace
}  // namespace listbuild
