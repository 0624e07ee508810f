#include "shell/dir_listing.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "testing/test_drive.h"
#include "text/text.h"

namespace {

// What one listDirectory call wrote, and its exit code.
struct Listed {
  int code = -1;
  std::string out;
  std::string err;
};

Listed list(DirFormat format, const std::string& name,
            DirName rule = DirName::kPattern) {
  Listed result;
  FILE* out = tmpfile();
  testing::internal::CaptureStderr();
  OsFile file;
  file.handle = fileno(out);
  // One lister for every listing, as one for a whole run: the header it
  // keeps must follow each new directory and drive.
  static DrivePaths paths;
  static DirLister lister(realFileSystem(), paths);
  result.code = lister.list(format, name, file, Messages(), rule);
  result.err = testing::internal::GetCapturedStderr();
  rewind(out);
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, out)) > 0) {
    result.out.append(buffer, n);
  }
  fclose(out);
  return result;
}

// A listing of one directory in the short-name layout shows `names` under
// its header, with `err` on standard error; one that found nothing is the
// header alone.
void expectListing(const Listed& listed, const std::string& directory,
                   const std::vector<std::string>& names,
                   const std::string& err) {
  std::vector<std::string> lines = captureLines(listed.out);
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(" Directory of " + directory, lines[3]);
  EXPECT_EQ(names, entryNames(listed.out));
  EXPECT_EQ(err, listed.err);
  EXPECT_EQ(err.empty() ? 0 : 1, listed.code);
  if (names.empty()) {
    EXPECT_EQ(5u, lines.size());
  }
}

// A directory with one of each kind of entry, every time fixed:
//   a.txt (5 bytes), b.dat (12,345), Big.zip (7,340,032), two words.txt,
//   sub/ (inner.txt, .secret), .hidden, fifo, dangling -> nowhere,
//   linkdir -> sub, alias -> a.txt.
class ListingTest : public testing::Test {
 protected:
  void SetUp() override {
    drive_.writeFile("AREA/a.txt", "hello");
    drive_.makeSparseFile("AREA/b.dat", 12345);
    drive_.makeSparseFile("AREA/Big.zip", 7340032);
    drive_.writeFile("AREA/two words.txt", "");
    drive_.makeDirectory("AREA/sub");
    drive_.writeFile("AREA/sub/inner.txt", "inner");
    drive_.writeFile("AREA/sub/.secret", "");
    drive_.writeFile("AREA/.hidden", "");
    ASSERT_EQ(0, mkfifo(drive_.path("AREA/fifo").c_str(), 0644));
    ASSERT_EQ(0, symlink("nowhere", drive_.path("AREA/dangling").c_str()));
    ASSERT_EQ(0, symlink("sub", drive_.path("AREA/linkdir").c_str()));
    ASSERT_EQ(0, symlink("a.txt", drive_.path("AREA/alias").c_str()));
    const char* all[] = {"AREA/a.txt",
                         "AREA/b.dat",
                         "AREA/Big.zip",
                         "AREA/fifo",
                         "AREA/two words.txt",
                         "AREA/dangling",
                         "AREA/linkdir",
                         "AREA/sub/inner.txt",
                         "AREA/sub",
                         "AREA",
                         ""};
    for (const char* name : all) drive_.setTime(name, kTime);
  }

  static constexpr time_t kTime = 1425465900;  // 03/04/2015 10:45 AM UTC
  TestDrive drive_;
};

TEST_F(ListingTest, WholeDirectoryColumnForColumn) {
  Listed listed = list(DirFormat::kShortNames, "");
  EXPECT_EQ(0, listed.code);
  EXPECT_EQ("", listed.err);
  struct stat root;
  ASSERT_EQ(0, stat(drive_.root().c_str(), &root));
  std::vector<std::string> lines = captureLines(listed.out);
  std::vector<std::string> expected = {
      " Volume in drive C has no label.",
      " Volume Serial Number is " + volumeSerialText(root.st_dev),
      "",
      " Directory of C:\\AREA",
      "",
      "03/04/2015  10:45 AM    <DIR>                       .",
      "03/04/2015  10:45 AM    <DIR>                       ..",
      "03/04/2015  10:45 AM                 5              a.txt",
      "03/04/2015  10:45 AM                 5              alias",
      "03/04/2015  10:45 AM            12,345              b.dat",
      "03/04/2015  10:45 AM         7,340,032              Big.zip",
      "03/04/2015  10:45 AM                 7              dangling",
      "03/04/2015  10:45 AM                 0              fifo",
      "03/04/2015  10:45 AM    <DIR>                       linkdir",
      "03/04/2015  10:45 AM    <DIR>                       sub",
      "03/04/2015  10:45 AM                 0              two words.txt",
      "               7 File(s)      7,352,394 bytes",
  };
  ASSERT_EQ(expected.size() + 1, lines.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i], lines[i]) << "line " << i + 1;
  }
  // The free space changes under a running system: its shape is checked.
  const std::string& dirs = lines.back();
  EXPECT_EQ("               4 Dir(s) ", dirs.substr(0, 24));
  EXPECT_EQ(" bytes free", dirs.substr(dirs.size() - 11));
  ASSERT_EQ(50u, dirs.size()) << dirs;
  std::string free_bytes = dirs.substr(24, 15);
  EXPECT_NE(' ', free_bytes.back());
  EXPECT_EQ(std::string::npos,
            text::trimLeft(free_bytes).find_first_not_of("0123456789,"));
  EXPECT_EQ(std::string::npos, listed.out.find("\n\n"));
  EXPECT_EQ(lines.size(), static_cast<size_t>(std::count(
                              listed.out.begin(), listed.out.end(), '\n')));
}

TEST_F(ListingTest, NamesPatternsAndPaths) {
  const std::vector<std::string> area = {
      ".",        "..",   "a.txt",   "alias", "b.dat",        "Big.zip",
      "dangling", "fifo", "linkdir", "sub",   "two words.txt"};
  const std::vector<std::string> sub = {".", "..", "inner.txt"};
  const std::vector<std::string> root = {".", "..", "AREA"};
  const std::string not_found = "File Not Found\n";
  const std::string no_path = "The system cannot find the path specified.\n";
  struct {
    std::string name;
    std::vector<std::string> names;
    std::string err;
    std::string directory;
  } cases[] = {
      {"", area, "", "C:\\AREA"},
      {".", area, "", "C:\\AREA"},
      {"a.txt", {"a.txt"}, "", "C:\\AREA"},
      {"two words.txt", {"two words.txt"}, "", "C:\\AREA"},
      {"A.TXT", {}, not_found, "C:\\AREA"},
      {"fifo", {"fifo"}, "", "C:\\AREA"},
      {"alias", {"alias"}, "", "C:\\AREA"},
      {"dangling", {"dangling"}, "", "C:\\AREA"},
      {"sub", sub, "", "C:\\AREA\\sub"},
      {"sub\\", sub, "", "C:\\AREA\\sub"},
      {"linkdir", sub, "", "C:\\AREA\\linkdir"},
      {"sub\\inner.txt", {"inner.txt"}, "", "C:\\AREA\\sub"},
      {"\\AREA\\sub/inner.txt", {"inner.txt"}, "", "C:\\AREA\\sub"},
      {"..\\AREA\\a.txt", {"a.txt"}, "", "C:\\AREA"},
      {"..", root, "", "C:\\"},
      {"\\", root, "", "C:\\"},
      {"*.txt", {"a.txt", "two words.txt"}, "", "C:\\AREA"},
      {"b*", {"b.dat"}, "", "C:\\AREA"},
      {"B*", {"Big.zip"}, "", "C:\\AREA"},
      {"*.", {"alias", "dangling", "fifo", "linkdir", "sub"}, "", "C:\\AREA"},
      {"sub\\*.*", {"inner.txt"}, "", "C:\\AREA\\sub"},
      {"x*", {}, not_found, "C:\\AREA"},
      // Hidden names stay hidden, even when named.
      {".hidden", {}, not_found, "C:\\AREA"},
      {"sub\\.secret", {}, not_found, "C:\\AREA\\sub"},
      {"nodir\\a.txt", {}, no_path, "C:\\AREA\\nodir"},
      {"nodir\\*.txt", {}, no_path, "C:\\AREA\\nodir"},
      {"a.txt\\x", {}, no_path, "C:\\AREA\\a.txt"},
      {std::string("a\0b", 3),
       {},
       "The filename, directory name, or volume label syntax is incorrect.\n",
       "C:\\AREA"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Listed listed = list(DirFormat::kShortNames, c.name);
    ASSERT_NO_FATAL_FAILURE(expectListing(listed, c.directory, c.names, c.err));
  }
}

// Names that hold "*" or "?" as a literal name: each lists its one entry
// from its own stat, never a file that it would match as a pattern. A bare
// pattern still lists every match.
TEST_F(ListingTest, LiteralNamesHoldWildcardsAsCharacters) {
  const char* files[] = {"a*b.zip", "a?c.zip", "aXb.zip", "*.*", "sub/?"};
  for (const char* file : files)
    drive_.writeFile("AREA/" + std::string(file), "");
  drive_.writeFile("AREA/.h*", "");
  const std::string not_found = "File Not Found\n";
  const DirName kLiteral = DirName::kLiteral;
  const DirName kPattern = DirName::kPattern;
  struct {
    DirName rule;
    std::string name;
    std::vector<std::string> names;
    std::string err;
    std::string directory;
  } cases[] = {
      {kLiteral, "a*b.zip", {"a*b.zip"}, "", "C:\\AREA"},
      {kLiteral, "a?c.zip", {"a?c.zip"}, "", "C:\\AREA"},
      {kLiteral, "*.*", {"*.*"}, "", "C:\\AREA"},
      {kLiteral, "a*", {}, not_found, "C:\\AREA"},
      {kLiteral, "a?b.zip", {}, not_found, "C:\\AREA"},
      {kLiteral, "sub\\?", {"?"}, "", "C:\\AREA\\sub"},
      {kLiteral, "sub\\*", {}, not_found, "C:\\AREA\\sub"},
      {kLiteral, ".h*", {}, not_found, "C:\\AREA"},
      {kLiteral,
       "nodir\\a*",
       {},
       "The system cannot find the path specified.\n",
       "C:\\AREA\\nodir"},
      {kPattern, "a?b.zip", {"a*b.zip", "aXb.zip"}, "", "C:\\AREA"},
      {kPattern,
       "a*",
       {"a*b.zip", "a.txt", "a?c.zip", "alias", "aXb.zip"},
       "",
       "C:\\AREA"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.name << (c.rule == kLiteral ? " literal" : " pattern"));
    Listed listed = list(DirFormat::kShortNames, c.name, c.rule);
    ASSERT_NO_FATAL_FAILURE(expectListing(listed, c.directory, c.names, c.err));
  }
}

TEST_F(ListingTest, BareNames) {
  struct {
    std::string name;
    std::string out;
    std::string err;
  } cases[] = {
      {"",
       "a.txt\r\nalias\r\nb.dat\r\nBig."
       "zip\r\ndangling\r\nfifo\r\nlinkdir\r\nsub\r\n"
       "two words.txt\r\n",
       ""},
      {"*.*",
       "a.txt\r\nalias\r\nb.dat\r\nBig."
       "zip\r\ndangling\r\nfifo\r\nlinkdir\r\nsub\r\n"
       "two words.txt\r\n",
       ""},
      {"sub", "inner.txt\r\n", ""},
      {"sub\\inner.txt", "inner.txt\r\n", ""},
      {"*.dat", "b.dat\r\n", ""},
      {"missing", "", "File Not Found\n"},
      {".hidden", "", "File Not Found\n"},
      {"nodir\\x", "", "The system cannot find the path specified.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Listed listed = list(DirFormat::kBare, c.name);
    EXPECT_EQ(c.out, listed.out);
    EXPECT_EQ(c.err, listed.err);
    EXPECT_EQ(c.err.empty() ? 0 : 1, listed.code);
  }
}

// A name that could end a capture line early, or put markup into a list's
// description text, is left out and named on standard error; a directory
// name with a control byte stays on its one header line.
TEST_F(ListingTest, NamesThatWouldForgeALineAreLeftOut) {
  drive_.writeFile("AREA/x <b>.zip", "");
  drive_.writeFile("AREA/ <i>", "");
  drive_.writeFile("AREA/x<b>.zip", "");
  drive_.makeDirectory("AREA/bad\ndir");
  drive_.writeFile("AREA/bad\ndir/in\r\x1b[2J", "");
  drive_.writeFile("AREA/bad\ndir/ok.txt", "");

  Listed all = list(DirFormat::kBare, "x*");
  EXPECT_EQ("x<b>.zip\r\n", all.out);
  EXPECT_EQ("Skipped a name holding a blank and a \"<\": x <b>.zip\n", all.err);
  Listed blank_led = list(DirFormat::kShortNames, " <i>");
  EXPECT_EQ(1, blank_led.code);
  EXPECT_EQ(
      "Skipped a name holding a blank and a \"<\":  <i>\nFile Not Found\n",
      blank_led.err);

  Listed inside = list(DirFormat::kShortNames, "bad\ndir");
  EXPECT_EQ(0, inside.code);
  std::vector<std::string> lines = captureLines(inside.out);
  ASSERT_LE(4u, lines.size());
  EXPECT_EQ(" Directory of C:\\AREA\\bad^Jdir", lines[3]);
  EXPECT_EQ((std::vector<std::string>{".", "..", "ok.txt"}),
            entryNames(inside.out));
  EXPECT_EQ("Skipped a name holding a control character: in^M^[[2J\n",
            inside.err);
}

// Names that sort before "." ("!", "-", digits) still come after the dots,
// in a directory large enough that its table is sized before it is read.
TEST_F(ListingTest, DotsLeadALargeSortedListing) {
  drive_.makeDirectory("AREA/many");
  const char* prefixes[] = {"!", "-", "0", "Zip", "zap", "_", "Long name "};
  // The listing's order of the prefixes: by their bytes with letters in
  // upper case, so "zap" before "Zip", and "_" (95) after the letters.
  const char* listed_order[] = {"!", "-", "0", "Long name ", "zap", "Zip", "_"};
  std::map<std::string, std::vector<std::string>> by_prefix;
  for (int i = 0; i < 300; ++i) {
    std::string prefix = prefixes[i % 7];
    std::string name = prefix + std::to_string(i * 7919 % 1000);
    drive_.writeFile("AREA/many/" + name, "");
    by_prefix[prefix].push_back(name);
  }
  // After a prefix come digits alone, whose order is that of their bytes.
  std::vector<std::string> names = {".", ".."};
  for (const char* prefix : listed_order) {
    std::vector<std::string>& group = by_prefix[prefix];
    std::sort(group.begin(), group.end());
    names.insert(names.end(), group.begin(), group.end());
  }
  EXPECT_EQ(names, entryNames(list(DirFormat::kShortNames, "many").out));
  std::string bare;
  for (size_t i = 2; i < names.size(); ++i) bare += names[i] + "\r\n";
  EXPECT_EQ(bare, list(DirFormat::kBare, "many").out);
}

TEST_F(ListingTest, EmptyDirectoryHoldsOnlyItsDots) {
  drive_.makeDirectory("AREA/empty");
  Listed listed = list(DirFormat::kShortNames, "empty");
  EXPECT_EQ(0, listed.code);
  EXPECT_EQ((std::vector<std::string>{".", ".."}), entryNames(listed.out));
  EXPECT_EQ("               0 File(s)              0 bytes",
            captureLines(listed.out)[7]);
  Listed bare = list(DirFormat::kBare, "empty");
  EXPECT_EQ("", bare.out);
  EXPECT_EQ("File Not Found\n", bare.err);
}

TEST_F(ListingTest, OutputThatCannotBeWrittenIsAFailure) {
  int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
  ASSERT_GE(full, 0);
  testing::internal::CaptureStderr();
  OsFile file;
  file.handle = full;
  DrivePaths paths;
  DirLister lister(realFileSystem(), paths);
  int code = lister.list(DirFormat::kShortNames, "", file, Messages());
  std::string err = testing::internal::GetCapturedStderr();
  close(full);
  EXPECT_EQ(kDirOutputFailed, code);
  EXPECT_EQ("There is not enough space on the disk.\n", err);
}

}  // namespace
