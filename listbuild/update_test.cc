// End-to-end runs of `wagtails --update`: the keeper's FILES.BBS kept in
// the new list byte for byte, the entries it lacks added after it, the
// listed entries the directory lost named on standard error.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/test_area.h"

namespace {

constexpr char kKept[] = "AREA/FILES.BBS";
constexpr char kList[] = "AREA/filesbbs.new";

// Lays out `entries` in AREA; a name ending in "/" is a subdirectory.
void layOut(TestArea& area, const std::vector<std::string>& entries) {
  area.makeDirectory("AREA");
  for (const std::string& entry : entries) {
    std::string path = "AREA/" + entry;
    if (path.back() == '/') {
      area.makeDirectory(path.substr(0, path.size() - 1));
    } else {
      area.writeFile(path, "contents of " + entry + "\r\n");
    }
  }
}

std::vector<std::string> updateArgs(bool modern) {
  if (modern) return {"--update", "--modern"};
  return {"--update"};
}

TEST(UpdateTest, KeepsTheListAndAddsWhatItLacks) {
  const std::string kWeek =
      "- Uploads of week 12\r\n"
      "GAME.ZIP  A game\r\n"
      "          that needs a mouse\r\n"
      "\\DOCS     Manuals\r\n"
      "GONE.ZIP  Deleted since\r\n";
  const struct {
    const char* what;
    bool modern;
    std::vector<std::string> entries;
    std::string kept;
    std::string expected_added;
    std::string expected_err;
  } cases[] = {
      {"comments, continuations and order kept",
       false,
       {"GAME.ZIP", "DOCS/", "zeta.txt", "ALPHA.ZIP", "Beta/"},
       kWeek,
       "ALPHA.ZIP\r\n\\Beta\r\nzeta.txt\r\n",
       "Listed, but not in the directory: GONE.ZIP\n"},
      {"index files and lists never added",
       false,
       {"00_INDEX.HTM", "INDEX.HTM", "INDEX~1.HTM", "FILES.FIX", "DESCRIPT.ION",
        "filesbbs.new", "NEW.TXT"},
       "NEW.TXT\r\n",
       "",
       ""},
      {"a last line without its line end",
       false,
       {"A.ZIP", "B.ZIP"},
       "A.ZIP  The first",
       "\r\nB.ZIP\r\n",
       ""},
      {"the list ends at Ctrl-Z",
       false,
       {"A.ZIP", "B.ZIP"},
       "A.ZIP  Kept\r\n\x1a"
       "B.ZIP  After the end\r\n",
       "B.ZIP\r\n",
       ""},
      {"a name listed in another case",
       false,
       {"README.TXT"},
       "readme.txt  Notes\r\n",
       "README.TXT\r\n",
       "Listed, but not in the directory: readme.txt\n"},
      // kestrel --modern finds such a name in another case.
      {"modern: a name listed in another case",
       true,
       {"README.TXT", "Docs/"},
       "readme.txt  Notes\r\n\\docs  Manuals\r\n",
       "",
       ""},
      {"modern: quoted names, LF line ends kept",
       true,
       {"A B.zip", "C D.txt", "Old releases/", "-dash.txt", "q&a.pdf"},
       "\"A B.zip\"  Two words\n\\\"Old releases\" Earlier\nq&a.pdf  Q\n",
       "\"-dash.txt\"\r\n\"C D.txt\"\r\n",
       ""},
      {"modern: a lone CR and a name gone",
       true,
       {"a.txt", "b.txt"},
       "a.txt  One\r\"Gone name.zip\"  Two\r",
       "b.txt\r\n",
       "Listed, but not in the directory: Gone name.zip\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TestArea area;
    layOut(area, c.entries);
    area.writeFile(kKept, c.kept);
    std::vector<std::string> args = updateArgs(c.modern);

    TestArea::Result result = area.run(WAGTAILS_PATH, "AREA", false, args);

    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, c.expected_err);
    std::string kept_part = c.kept.substr(0, c.kept.find('\x1a'));
    EXPECT_EQ(area.readFile(kList), kept_part + c.expected_added);
    EXPECT_EQ(area.readFile(kKept), c.kept);
  }
}

// Run again on its own list, put in place, an update adds nothing: names
// that kestrel reads only in part (a blank in a default-style name) count
// as the entries they came from.
TEST(UpdateTest, RunOnItsOwnListAddsNothing) {
  const std::vector<std::string> kEntries = {
      "GAME.ZIP", "A Long Name.txt", "Old_releases 2019/", "-dash.txt",
      "Q&A.PDF",  "say \"hi\".txt",  "\\back.txt",         "DOCS/"};
  for (bool modern : {false, true}) {
    SCOPED_TRACE(modern ? "modern" : "default");
    TestArea area;
    layOut(area, kEntries);
    area.writeFile(kKept, "GAME.ZIP  A game\r\n");
    std::vector<std::string> args = updateArgs(modern);
    ASSERT_EQ(area.run(WAGTAILS_PATH, "AREA", false, args).exit_code, 0);
    const std::string first = area.readFile(kList);
    std::filesystem::rename(area.path(kList), area.path(kKept));
    // The options in the other order ask for the same run.
    std::reverse(args.begin(), args.end());

    TestArea::Result again =
        area.runInTerminal(WAGTAILS_PATH, "AREA", false, args);

    EXPECT_EQ(again.exit_code, 0);
    EXPECT_EQ(area.readFile(kList), first);
    EXPECT_NE(again.out.find("0 new entries, 0 listed entries not in the "
                             "directory"),
              std::string::npos)
        << again.out;
  }
}

TEST(UpdateTest, ClosingLineCountsAtTheTerminal) {
  const struct {
    std::vector<std::string> entries;
    std::string kept;
    std::string expected;
  } cases[] = {
      {{"A.ZIP", "B.ZIP"},
       "A.ZIP\r\nGONE.ZIP\r\n",
       "1 new entry, 1 listed entry not in the directory"},
      {{"A.ZIP", "B.ZIP", "C.ZIP"},
       "A.ZIP\r\nX.ZIP\r\nY.ZIP\r\nX.ZIP again\r\n",
       "2 new entries, 2 listed entries not in the directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    TestArea area;
    layOut(area, c.entries);
    area.writeFile(kKept, c.kept);

    TestArea::Result result =
        area.runInTerminal(WAGTAILS_PATH, "AREA", false, {"--update"});

    EXPECT_EQ(result.exit_code, 0);
    EXPECT_NE(result.out.find(c.expected), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("successfully"), std::string::npos);
  }
}

// Without a FILES.BBS an update is a plain listing, byte for byte.
TEST(UpdateTest, WithoutAListIsAPlainListing) {
  const std::vector<std::string> kEntries = {"GAME.ZIP", "DOCS/", "b c.txt"};
  for (bool modern : {false, true}) {
    SCOPED_TRACE(modern ? "modern" : "default");
    std::vector<std::string> plain_args;
    if (modern) plain_args = {"--modern"};
    TestArea plain_area, update_area;
    layOut(plain_area, kEntries);
    layOut(update_area, kEntries);

    TestArea::Result plain =
        plain_area.runInTerminal(WAGTAILS_PATH, "AREA", false, plain_args);
    TestArea::Result update = update_area.runInTerminal(
        WAGTAILS_PATH, "AREA", false, updateArgs(modern));

    EXPECT_EQ(update.exit_code, 0);
    EXPECT_EQ(update.out, plain.out);
    EXPECT_EQ(update_area.readFile(kList), plain_area.readFile(kList));
  }
}

// A FILES.BBS that is there but cannot be read fails the run and leaves
// the earlier filesbbs.new as it was.
TEST(UpdateTest, UnreadableListFailsAndKeepsTheEarlierNewList) {
  TestArea area;
  layOut(area, {"GAME.ZIP"});
  area.setMode("", 0777);
  area.setMode("AREA", 0777);
  area.writeFile(kKept, "GAME.ZIP  A game\r\n");
  area.setMode(kKept, 0);  // whoever owns it
  area.writeFile(kList, "EARLIER.ZIP  Being described\r\n");
  area.setMode(kList, 0666);

  TestArea::Result result = area.run(WAGTAILS_PATH, "AREA", true, {"--update"});

  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.err, "Reading FILES.BBS failed: Permission denied\n");
  EXPECT_EQ(area.readFile(kList), "EARLIER.ZIP  Being described\r\n");
}

// In the default style a list with LF line ends is one line to kestrel,
// so an update says so; the list is still kept as it is.
TEST(UpdateTest, WarnsOfLfLineEndsInTheDefaultStyle) {
  TestArea area;
  layOut(area, {"A.ZIP", "B.ZIP"});
  area.writeFile(kKept, "A.ZIP  One\nB.ZIP  Two\n");

  TestArea::Result result =
      area.run(WAGTAILS_PATH, "AREA", false, {"--update"});

  EXPECT_EQ(result.exit_code, 0);
  EXPECT_NE(result.err.find("wagtails: FILES.BBS has LF line ends"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(area.readFile(kList), "A.ZIP  One\nB.ZIP  Two\n\r\nB.ZIP\r\n");
}

}  // namespace
