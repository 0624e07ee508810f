// Hostile uploads against both tools: every file name is untrusted. Each
// name runs three ways (kestrel making its own list; wagtails, the list
// renamed, kestrel; a keeper's list with LF line ends), and each time only
// the tools' documented outputs change on the drive, the page carries no
// markup and no off-site link from a name, and no control byte of a name
// reaches the output streams.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "testing/test_area.h"

namespace {

namespace fs = std::filesystem;

const char kArea[] = "AREA";

// Every file and directory below the drive root, by relative path, with its
// bytes ("<dir>" for a directory).
std::map<std::string, std::string> snapshot(const TestArea& area) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& entry :
       fs::recursive_directory_iterator(area.root())) {
    std::string path = fs::relative(entry.path(), area.root()).string();
    if (entry.is_directory()) {
      files[path] = "<dir>";
    } else {
      std::ifstream in(entry.path(), std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      files[path] = bytes.str();
    }
  }
  return files;
}

// The paths that were added, removed or changed between two snapshots.
std::set<std::string> changed(const std::map<std::string, std::string>& a,
                              const std::map<std::string, std::string>& b) {
  std::set<std::string> paths;
  for (const auto& [path, bytes] : a) {
    auto it = b.find(path);
    if (it == b.end() || it->second != bytes) paths.insert(path);
  }
  for (const auto& [path, bytes] : b) {
    if (a.count(path) == 0) paths.insert(path);
  }
  return paths;
}

const std::set<std::string> kOutputs = {
    "$DIR$.BAT",         "$DIR$",
    "$lvtr$.txt",        "AREA/FILES.BBS",
    "AREA/00_INDEX.HTM", "AREA/filesbbs.new",
};

// The link targets of the page's rows (the credit link is the page's own).
std::vector<std::string> rowTargets(const std::string& page) {
  std::vector<std::string> targets;
  const std::string open = "HREF=\"";
  for (size_t at = page.find(open); at != std::string::npos;
       at = page.find(open, at + 1)) {
    size_t begin = at + open.size();
    std::string target = page.substr(begin, page.find('"', begin) - begin);
    if (target != "#TOP" && target != "https://kestrel-tools.org/")
      targets.push_back(target);
  }
  return targets;
}

// A link target that stays on the site and cannot break its attribute.
bool isSameSiteTarget(const std::string& target) {
  for (char c : target) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 33 || byte > 126 || c == '"' || c == ':') return false;
  }
  auto slash = [](char c) { return c == '/' || c == '\\'; };
  return !(target.size() >= 2 && slash(target[0]) && slash(target[1]));
}

bool holdsRawControlByte(const std::string& text) {
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    if ((byte < 32 && c != '\n') || byte == 127) return true;
  }
  return false;
}

struct HostileName {
  std::string name;
  // What a listing says when it leaves the name out ("" when listed).
  std::string skipped;
  // The name's link target in a page made from a tool's list ("" when the
  // name is left out).
  std::string target;
};

const std::vector<HostileName>& hostileNames() {
  static const std::vector<HostileName> names = {
      {"a\nEVIL.BAT", "a control character: a^JEVIL.BAT", ""},
      {">\\other\\FILES.BBS\nx", "a control character: >\\other\\FILES.BBS^Jx",
       ""},
      {"GOOD.ZIP\r <img src=x onerror=alert(1)>",
       "a control character: GOOD.ZIP^M <img src=x onerror=alert(1)>", ""},
      {"A\x1a"
       "B.ZIP",
       "a control character: A^ZB.ZIP", ""},
      {"\x1b]0;pwned\x07\x1b[2J", "a control character: ^[]0;pwned^G^[[2J", ""},
      {"GOOD.ZIP <img src=x onerror=alert(1)>",
       "a blank and a \"<\": GOOD.ZIP <img src=x onerror=alert(1)>", ""},
      {" <script>alert(1)<\\script>",
       "a blank and a \"<\":  <script>alert(1)<\\script>", ""},
      {"javascript:alert(1)", "", "javascript%3Aalert(1)"},
      {"\\\\\\evil.example", "", "%5C\\evil.example"},
      {"r\xc3\xa9sum\xc3\xa9.zip", "", "r%C3%A9sum%C3%A9.zip"},
      {"<marquee>x.zip", "", "%3Cmarquee%3Ex.zip"},
  };
  return names;
}

// A drive with another area beside the uploads, and the uploads: two good
// files around the hostile name and a batch that would harm the other area.
void layOut(TestArea& area, const std::string& hostile) {
  area.makeDirectory("other");
  area.writeFile("other/FILES.BBS", "DATA.ZIP The other area's data\r\n");
  area.writeFile("other/DATA.ZIP", "data");
  area.makeDirectory(kArea);
  area.writeFile("AREA/EVIL.BAT", "@del \\other\\DATA.ZIP\r\n");
  area.writeFile("AREA/README.TXT", "read me");
  area.writeFile("AREA/ZZZ.ZIP", "last");
  area.writeFile("AREA/" + hostile, "upload");
}

enum class Way { kOwnList, kWagtails, kKeeperLfList };

const char* wayName(Way way) {
  switch (way) {
    case Way::kOwnList:
      return "kestrel's own list";
    case Way::kWagtails:
      return "wagtails, rename, kestrel";
    case Way::kKeeperLfList:
      return "keeper's LF list";
  }
  return "";
}

TEST(HostileNamesTest, NameIsOnlyEverOneLiteralName) {
  for (Way way : {Way::kOwnList, Way::kWagtails, Way::kKeeperLfList}) {
    for (const HostileName& c : hostileNames()) {
      // In a list a name ends at its first blank and a line at its CR, so
      // what follows them in a list the keeper writes is the keeper's own
      // description text, raw by design.
      if (way == Way::kKeeperLfList &&
          c.name.find_first_of(" \r") != std::string::npos)
        continue;
      SCOPED_TRACE(std::string(wayName(way)) + ": " + c.target + " " +
                   c.skipped);
      TestArea area;
      layOut(area, c.name);
      // The backslash makes the keeper's entry one that is looked up.
      if (way == Way::kKeeperLfList)
        area.writeFile("AREA/FILES.BBS", "A\\" + c.name + "\nEVIL.BAT x\n");
      const std::map<std::string, std::string> before = snapshot(area);

      std::string err;
      if (way == Way::kWagtails) {
        TestArea::Result built = area.run(WAGTAILS_PATH, kArea);
        EXPECT_EQ(0, built.exit_code) << built.err;
        EXPECT_FALSE(holdsRawControlByte(built.out + built.err));
        err += built.err;
        fs::rename(area.path("AREA/filesbbs.new"), area.path("AREA/FILES.BBS"));
      }
      TestArea::Result paged = area.run(KESTREL_PATH, kArea);
      EXPECT_EQ(0, paged.exit_code) << paged.err;
      EXPECT_FALSE(holdsRawControlByte(paged.out + paged.err)) << paged.err;
      err += paged.err;

      for (const std::string& path : changed(before, snapshot(area)))
        EXPECT_EQ(1u, kOutputs.count(path)) << path;
      const std::string page = area.readFile("AREA/00_INDEX.HTM");
      for (const char* markup : {"<img src=x", "<script", "<marquee"})
        EXPECT_EQ(std::string::npos, page.find(markup)) << page;
      for (const std::string& target : rowTargets(page))
        EXPECT_TRUE(isSameSiteTarget(target)) << target;

      if (way == Way::kKeeperLfList) {
        // One entry, looked up as it stands and not found.
        EXPECT_EQ(1u, rowTargets(page).size()) << page;
        EXPECT_NE(std::string::npos, page.find("NOT found!"));
        continue;
      }
      // Every other upload keeps its row, the hostile one its own or none.
      for (const char* good : {"EVIL.BAT", "README.TXT", "ZZZ.ZIP"})
        EXPECT_NE(std::string::npos,
                  page.find(std::string("HREF=\"") + good + "\""))
            << good;
      if (c.skipped.empty()) {
        EXPECT_NE(std::string::npos, page.find("HREF=\"" + c.target + "\""))
            << page;
      } else {
        EXPECT_NE(std::string::npos,
                  err.find("Skipped a name holding " + c.skipped + "\n"))
            << err;
      }
    }
  }
}

// At the keyboard the message shows each control byte as a glyph.
TEST(HostileNamesTest, TerminalShowsControlBytesAsGlyphs) {
  TestArea area;
  layOut(area, "\x1b]0;pwned\x07");
  TestArea::Result built = area.runInTerminal(WAGTAILS_PATH, kArea);
  EXPECT_EQ(0, built.exit_code);
  EXPECT_NE(std::string::npos,
            built.out.find("control character: \xe2\x86\x90]0;pwned"
                           "\xe2\x80\xa2"))
      << built.out;
  EXPECT_EQ(std::string::npos, built.out.find("\x1b]0;pwned")) << built.out;
}

}  // namespace
