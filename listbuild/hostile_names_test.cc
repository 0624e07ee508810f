// Hostile uploads against both tools: every file name is untrusted. Each
// name runs five ways (kestrel making its own list; wagtails, the list
// renamed, kestrel; a keeper's list with LF line ends; the first two again
// with --modern), and each time only the tools' documented outputs change
// on the drive, the page carries no markup and no off-site link from a
// name, even once a browser has decoded its character references, and no
// control byte of a name reaches the output streams.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "testing/html_references.h"
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

// What becomes of an upload's name in one mode.
struct Outcome {
  // What the tools say when they leave the name out of their list, after
  // "Skipped a name " ("" when it is listed).
  std::string skipped;
  // The name's link target in a page made from a tool's list ("" when it
  // has no row).
  std::string target;
};

struct HostileName {
  std::string name;
  Outcome classic;
  Outcome modern;  // with --modern
};

// A name that fares the same in both modes.
HostileName same(const std::string& name, const Outcome& outcome) {
  return {name, outcome, outcome};
}

const std::vector<HostileName>& hostileNames() {
  static const std::vector<HostileName> names = {
      same("a\nEVIL.BAT", {"holding a control character: a^JEVIL.BAT", ""}),
      same(">\\other\\FILES.BBS\nx",
           {"holding a control character: >\\other\\FILES.BBS^Jx", ""}),
      same("GOOD.ZIP\r <img src=x onerror=alert(1)>",
           {"holding a control character: GOOD.ZIP^M <img src=x "
            "onerror=alert(1)>",
            ""}),
      same("A\x1a"
           "B.ZIP",
           {"holding a control character: A^ZB.ZIP", ""}),
      same("\x1b]0;pwned\x07\x1b[2J",
           {"holding a control character: ^[]0;pwned^G^[[2J", ""}),
      same("GOOD.ZIP <img src=x onerror=alert(1)>",
           {"holding a blank and a \"<\": GOOD.ZIP <img src=x "
            "onerror=alert(1)>",
            ""}),
      same(" <script>alert(1)<\\script>",
           {"holding a blank and a \"<\":  <script>alert(1)<\\script>", ""}),
      same("javascript:alert(1)", {"", "javascript%3Aalert(1)"}),
      // A default list would read the name's backslash as the directory
      // mark; a modern one quotes it.
      {"\\\\\\evil.example",
       {"beginning with a backslash: \\\\\\evil.example", ""},
       {"", "%5C\\\\evil.example"}},
      same("r\xc3\xa9sum\xc3\xa9.zip", {"", "r%C3%A9sum%C3%A9.zip"}),
      same("<marquee>x.zip", {"", "%3Cmarquee%3Ex.zip"}),
      // Character references that a browser would decode in a link target.
      // A default list line holding "&" is skipped, so they have no row
      // there.
      {"javascript&colon;alert(1)",
       {"", ""},
       {"", "javascript%26colon;alert(1)"}},
      {"javascript&#x3a;alert(1)",
       {"", ""},
       {"", "javascript%26%23x3a;alert(1)"}},
      {"javascript&#58;alert(1)",
       {"", ""},
       {"", "javascript%26%2358;alert(1)"}},
      {"&sol;&sol;evil.example&sol;x.zip",
       {"", ""},
       {"", "%26sol;%26sol;evil.example%26sol;x.zip"}},
      {"&bsol;&bsol;host&bsol;x",
       {"", ""},
       {"", "%26bsol;%26bsol;host%26bsol;x"}},
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

enum class Way {
  kOwnList,
  kWagtails,
  kKeeperLfList,
  kModernOwnList,
  kModernWagtails
};

const char* wayName(Way way) {
  switch (way) {
    case Way::kOwnList:
      return "kestrel's own list";
    case Way::kWagtails:
      return "wagtails, rename, kestrel";
    case Way::kKeeperLfList:
      return "keeper's LF list";
    case Way::kModernOwnList:
      return "kestrel --modern's own list";
    case Way::kModernWagtails:
      return "wagtails --modern, rename, kestrel --modern";
  }
  return "";
}

bool isModern(Way way) {
  return way == Way::kModernOwnList || way == Way::kModernWagtails;
}

// A link target as a browser takes it: character references decoded, tabs
// and line ends dropped, blanks and control bytes trimmed at both ends.
std::string asBrowserReads(const std::string& target) {
  std::string url;
  for (char c : html::decodeReferences(target, html::Context::kAttribute))
    if (c != '\t' && c != '\n' && c != '\r') url += c;
  auto trimmed = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!url.empty() && trimmed(url.back())) url.pop_back();
  size_t first = 0;
  while (first < url.size() && trimmed(url[first])) ++first;
  return url.substr(first);
}

// True when the URL names a scheme ("javascript:") or another host.
bool leavesTheSite(const std::string& url) {
  auto slash = [](char c) { return c == '/' || c == '\\'; };
  if (url.size() >= 2 && slash(url[0]) && slash(url[1])) return true;
  auto letter = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  };
  if (url.empty() || !letter(url[0])) return false;
  for (char c : url.substr(1)) {
    if (c == ':') return true;
    bool digit = c >= '0' && c <= '9';
    if (!letter(c) && !digit && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

TEST(HostileNamesTest, NameIsOnlyEverOneLiteralName) {
  for (Way way : {Way::kOwnList, Way::kWagtails, Way::kKeeperLfList,
                  Way::kModernOwnList, Way::kModernWagtails}) {
    for (const HostileName& hostile : hostileNames()) {
      const Outcome& c = isModern(way) ? hostile.modern : hostile.classic;
      // In a list a name ends at its first blank and a line at its CR, so
      // what follows them in a list the keeper writes is the keeper's own
      // description text, raw by design; a line holding "&" is skipped.
      if (way == Way::kKeeperLfList &&
          hostile.name.find_first_of(" \r&") != std::string::npos)
        continue;
      SCOPED_TRACE(std::string(wayName(way)) + ": " + hostile.name);
      TestArea area;
      layOut(area, hostile.name);
      // The backslash makes the keeper's entry one that is looked up.
      if (way == Way::kKeeperLfList)
        area.writeFile("AREA/FILES.BBS",
                       "A\\" + hostile.name + "\nEVIL.BAT x\n");
      std::vector<std::string> modern;
      if (isModern(way)) modern.push_back("--modern");
      const std::map<std::string, std::string> before = snapshot(area);

      std::string err;
      if (way == Way::kWagtails || way == Way::kModernWagtails) {
        TestArea::Result built = area.run(WAGTAILS_PATH, kArea, false, modern);
        EXPECT_EQ(0, built.exit_code) << built.err;
        EXPECT_FALSE(holdsRawControlByte(built.out + built.err));
        err += built.err;
        fs::rename(area.path("AREA/filesbbs.new"), area.path("AREA/FILES.BBS"));
      }
      TestArea::Result paged = area.run(KESTREL_PATH, kArea, false, modern);
      EXPECT_EQ(0, paged.exit_code) << paged.err;
      EXPECT_FALSE(holdsRawControlByte(paged.out + paged.err)) << paged.err;
      err += paged.err;

      for (const std::string& path : changed(before, snapshot(area)))
        EXPECT_EQ(1u, kOutputs.count(path)) << path;
      const std::string page = area.readFile("AREA/00_INDEX.HTM");
      for (const char* markup : {"<img src=x", "<script", "<marquee"})
        EXPECT_EQ(std::string::npos, page.find(markup)) << page;
      for (const std::string& target : rowTargets(page)) {
        EXPECT_TRUE(isSameSiteTarget(target)) << target;
        EXPECT_FALSE(leavesTheSite(asBrowserReads(target))) << target;
      }

      if (way == Way::kKeeperLfList) {
        // One entry, looked up as it stands and not found.
        EXPECT_EQ(1u, rowTargets(page).size()) << page;
        EXPECT_NE(std::string::npos, page.find("NOT found!"));
        continue;
      }
      // Every other upload keeps its row, the hostile one its own or none;
      // each row's link reads back as the name of a file that is there.
      for (const char* good : {"EVIL.BAT", "README.TXT", "ZZZ.ZIP"})
        EXPECT_NE(std::string::npos,
                  page.find(std::string("HREF=\"") + good + "\""))
            << good;
      for (const std::string& target : rowTargets(page)) {
        std::string name = html::percentDecoded(asBrowserReads(target));
        EXPECT_TRUE(fs::exists(area.path("AREA/" + name))) << target;
      }
      if (!c.target.empty()) {
        EXPECT_NE(std::string::npos, page.find("HREF=\"" + c.target + "\""))
            << page;
        EXPECT_EQ(hostile.name, html::percentDecoded(asBrowserReads(c.target)));
      }
      if (!c.skipped.empty()) {
        EXPECT_NE(std::string::npos,
                  err.find("Skipped a name " + c.skipped + "\n"))
            << err;
        EXPECT_EQ(std::string::npos,
                  area.readFile("AREA/FILES.BBS").find(hostile.name));
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
