// kestrel in process on random areas, run twice on the same area: once
// through the host shell, which holds the scratch files in memory, and once
// with the interpreter straight on the disk. Both runs must leave the same
// page, the same scratch files and every other file alike, and end alike.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "pagegen/page_generator.h"
#include "platform/drive_path.h"
#include "runtime/step_guard.h"
#include "shell/host_shell.h"
#include "shell/interpreter.h"
#include "testing/test_drive.h"
#include "testing/test_support.h"

namespace {

constexpr unsigned kSeed = 0x6b657374;  // fixed: every run sees the same areas
constexpr int kAreasPerLayout = 10;
constexpr uint64_t kFreeBytes = 987654321;

// The real file system with a disk whose free room never changes: the last
// line of a DIR capture tells it, and the disk's other users may change it
// between two runs.
class FixedFreeSpace : public FileSystem {
 public:
  FsStatus open(const std::string& p, FileMode m, OsFile* f,
                LinkRule l) override {
    return disk_.open(p, m, f, l);
  }
  FsStatus read(const OsFile& f, char* b, size_t n, size_t* got) override {
    return disk_.read(f, b, n, got);
  }
  FsStatus write(const OsFile& f, const char* d, size_t n,
                 size_t* put) override {
    return disk_.write(f, d, n, put);
  }
  FsStatus readAt(const OsFile& f, uint64_t at, char* b, size_t n,
                  size_t* got) override {
    return disk_.readAt(f, at, b, n, got);
  }
  FsStatus writeAt(const OsFile& f, uint64_t at, const char* d, size_t n,
                   size_t* put) override {
    return disk_.writeAt(f, at, d, n, put);
  }
  FsStatus truncateHere(const OsFile& f) override {
    return disk_.truncateHere(f);
  }
  FsStatus setLength(const OsFile& f, uint64_t n) override {
    return disk_.setLength(f, n);
  }
  bool reserve(const OsFile& f, uint64_t n) override {
    return disk_.reserve(f, n);
  }
  bool writeLater(const OsFile& f, std::function<std::string()> text,
                  size_t room) override {
    return disk_.writeLater(f, std::move(text), room);
  }
  FsStatus close(const OsFile& f) override { return disk_.close(f); }
  void discard(const OsFile& f) override { disk_.discard(f); }
  FsStatus stat(const std::string& p, Follow follow, FileStatus* s) override {
    return disk_.stat(p, follow, s);
  }
  FsStatus statOpen(const OsFile& f, FileStatus* s) override {
    return disk_.statOpen(f, s);
  }
  bool isOwnPlainFile(const std::string& p) override {
    return disk_.isOwnPlainFile(p);
  }
  FsStatus remove(const std::string& p) override { return disk_.remove(p); }
  FsStatus listDirectory(const std::string& p, DirectoryVisitor& v) override {
    return disk_.listDirectory(p, v);
  }
  FsStatus lockDriveRoot(const std::string& root,
                         const std::function<void()>& waiting,
                         OsFile* lock) override {
    return disk_.lockDriveRoot(root, waiting, lock);
  }
  uint64_t freeBytes(const std::string&) override { return kFreeBytes; }
  OsFile standardOutput() override { return disk_.standardOutput(); }

 private:
  FileSystem& disk_ = realFileSystem();
};

// Where the area lies: below the drive root, as the drive root itself, or
// outside it.
enum class Layout { kBelowRoot, kIsRoot, kOutsideRoot };

// One random area and the drive root it is run with, every path relative
// to the case directory that holds both.
struct Area {
  std::string root;     // the drive root
  std::string area;     // the area
  std::string setting;  // DRIVE_ROOT relative to the area; "" for absolute
  std::string page = "00_INDEX.HTM";         // the page's name in the area
  std::vector<std::string> directories;      // each after the one above it
  std::map<std::string, std::string> files;  // path, bytes
  std::map<std::string, time_t> times;       // path ("" the case), mtime
  bool sound = true;  // nothing in it makes a run report a failure
};

// Makes random areas from one generator.
class AreaMaker {
 public:
  explicit AreaMaker(unsigned seed) : random_(seed) {}
  Area make(Layout layout);

 private:
  int upTo(size_t n) {
    return std::uniform_int_distribution<int>(0, static_cast<int>(n))(random_);
  }
  bool chance(int percent) { return upTo(99) < percent; }
  const std::string& pick(const std::vector<std::string>& from) {
    return from[upTo(from.size() - 1)];
  }
  std::string shortName();
  std::string oddName();
  std::string fileName() { return chance(70) ? shortName() : oddName(); }
  std::string description();
  std::string bytes();
  void place(Layout layout, Area* area);
  bool addDirectory(Area* area, const std::string& name);
  void addFile(Area* area, const std::string& name);
  void fillArea(Area* area);
  void addDriveRootFiles(Area* area);
  std::string entryLine();
  std::string directoryLine(const Area& area);
  std::string fillerLine();
  std::string specialLine();
  std::string listText(const Area& area);
  void addList(Area* area);
  void setTimes(Area* area);

  std::mt19937 random_;
  std::vector<std::string> names_;        // visible files, area-relative
  std::vector<std::string> directories_;  // visible subdirectories
};

// Whether the case directory already has `path`, as a file or directory.
bool taken(const Area& area, const std::string& path) {
  return area.files.count(path) != 0 ||
         std::find(area.directories.begin(), area.directories.end(), path) !=
             area.directories.end();
}

std::string AreaMaker::shortName() {
  static const std::string kChars =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
      "_-!#$%'()@^{}~";
  auto part = [&](int size) {
    std::string text;
    for (; size > 0; --size) text += kChars[upTo(kChars.size() - 1)];
    return text;
  };
  std::string name = part(1 + upTo(7));
  if (name[0] == '-') name[0] = 'X';  // a "-" line is a comment
  if (chance(80)) name += "." + part(1 + upTo(2));
  return name;
}

// Names that are legal on the disk but not 8.3: long, with blanks, several
// dots, UTF-8, quotes, wildcards, "&", "<", a control byte.
std::string AreaMaker::oddName() {
  static const std::vector<std::string> kNames = {
      "Read Me.txt",     "long_file_name.tar.gz",
      "caf\xC3\xA9.zip", "a&b.zip",
      "x(1).zip",        "semi;colon.txt",
      "wild*card.zip",   "what?.zip",
      "less<than.txt",   "a <b.txt",
      "dbl\"quote.txt",  "tab\tname.txt",
      "x.y.z",           "UPPER.lower",
      "trailing ",       " leading.zip",
      "100%.ZIP",        "$DIR$.BAT",
      "$DIR$",           "VERYLONGNAME.ZIP",
      "-dash.zip",       "\"quoted\".txt",
      "back\\slash.txt", "Disk Tools.zip",
  };
  return pick(kNames);
}

// `name` with the case of every ASCII letter turned.
std::string otherCase(std::string name) {
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    } else if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return name;
}

std::string AreaMaker::description() {
  // Markup, "&", UTF-8 and CP437 text, TABs, control bytes, and the Ctrl-D
  // after which a DESCRIPT.ION line holds a file manager's own data.
  static const std::vector<std::string> kWords = {
      "Utility",     "for",       "DOS",   "v1.2",       "<b>bold</b>", "R&D",
      "caf\xC3\xA9", "\x82t\x82", "\ttab", "----------", "|",           "  ",
      "\"quoted\"",  "a\x01z",    "100%",  "{ LFN }",    "x\x04Zdata"};
  std::string text;
  for (int n = upTo(6); n > 0; --n)
    text += (text.empty() ? "" : " ") + pick(kWords);
  return text;
}

std::string AreaMaker::bytes() {
  size_t size = chance(5) ? 70000 + upTo(5000) : upTo(2000);
  return std::string(size, static_cast<char>('a' + upTo(25)));
}

void AreaMaker::place(Layout layout, Area* area) {
  area->root = "drive";
  area->directories = {"drive"};
  switch (layout) {
    case Layout::kBelowRoot:
      if (chance(50)) {
        area->area = "drive/AREA";
        area->setting = "..";
      } else {
        area->directories.push_back("drive/PUB");
        area->area = "drive/PUB/FILES";
        area->setting = "../..";
      }
      area->directories.push_back(area->area);
      break;
    case Layout::kIsRoot:
      area->area = "drive";
      area->setting = ".";
      break;
    case Layout::kOutsideRoot:
      area->area = "area";
      area->directories.push_back("area");
      area->setting = "../drive";
      break;
  }
  // Mostly absolute, as a keeper sets it; a relative one is found from the
  // area.
  if (chance(70)) area->setting.clear();
}

bool AreaMaker::addDirectory(Area* area, const std::string& name) {
  std::string path = area->area + "/" + name;
  if (taken(*area, path)) return false;
  area->directories.push_back(path);
  if (name[0] != '.') directories_.push_back(name);
  return true;
}

void AreaMaker::addFile(Area* area, const std::string& name) {
  std::string path = area->area + "/" + name;
  if (taken(*area, path)) return;
  area->files[path] = bytes();
  if (name[0] != '.') names_.push_back(name);
}

void AreaMaker::fillArea(Area* area) {
  for (int n = 3 + upTo(12); n > 0; --n) addFile(area, fileName());
  for (int d = upTo(3); d > 0; --d) {
    std::string dir = shortName();
    if (!addDirectory(area, dir)) continue;
    for (int n = upTo(4); n > 0; --n) addFile(area, dir + "/" + fileName());
  }
  if (chance(50)) addFile(area, "." + shortName());  // hidden
  if (chance(20) && addDirectory(area, ".git")) addFile(area, ".git/config");
}

// What an earlier run left in the drive root, and the configuration.
void AreaMaker::addDriveRootFiles(Area* area) {
  const std::string root = area->root + "/";
  if (chance(30)) area->files[root + "$DIR$.BAT"] = bytes();
  if (chance(5)) {
    // Too long to hold in memory: the run uses it on disk.
    area->files[root + "$DIR$"] = std::string(1100000, 'c');
  } else if (chance(30)) {
    area->files[root + "$DIR$"] = bytes();
  } else if (chance(4) && !taken(*area, root + "$DIR$")) {
    // No capture can be written: the lookups fail.
    area->directories.push_back(root + "$DIR$");
    area->sound = false;
  }
  if (chance(25)) {
    area->page = pick({"PAGE.HTM", "index.htm", "Files Page.htm"});
    area->files[root + "KESTREL.INI"] =
        "# by hand\r\n" + area->page + "\r\n" + description() + "\r\n";
  }
}

// A file of the area as written, in another case, or a name not there.
std::string AreaMaker::entryLine() {
  std::string name = names_.empty() || chance(25) ? fileName() : pick(names_);
  std::replace(name.begin(), name.end(), '/', '\\');
  if (chance(25)) name = otherCase(name);
  if (name.find(' ') != std::string::npos && chance(60))
    name = "\"" + name + "\"";
  std::string text = description();
  return text.empty() ? name : name + (chance(85) ? " " : "\t") + text;
}

// A subdirectory, the area itself or the drive root, by several paths.
std::string AreaMaker::directoryLine(const Area& area) {
  std::string dir = directories_.empty() ? "NODIR" : pick(directories_);
  std::string from_root = "\\AREA";
  if (area.area.rfind(area.root + "/", 0) == 0) {
    from_root = area.area.substr(area.root.size());
    std::replace(from_root.begin(), from_root.end(), '/', '\\');
  }
  return pick({dir, "\\" + dir, dir + "\\", dir + "\\..", dir + "\\..\\..",
               "\\\\", "\\" + from_root, dir + " " + description()});
}

// Comments, empty lines and continuations.
std::string AreaMaker::fillerLine() {
  return pick({"-" + description(), "", "   ", " " + description(),
               "  | " + description(), "\t" + description()});
}

// Names the rules leave out or treat apart, and lines of odd form.
std::string AreaMaker::specialLine() {
  return pick({"00_INDEX.HTM old page", "FILES.BBS the list", "DESCRIPT.ION",
               "PAGE.HTM", "index.htm", ".hidden dot", "\\\\$DIR$.BAT batch",
               "\\\\$DIR$ capture", "$DIR$.BAT", "*.ZIP all", "A?.TXT",
               "R&D.ZIP notes", "\"Read Me.txt\" quoted", "\"\" empty",
               "\x01Xctrl.zip", "\xC3\xA9t\xC3\xA9.zip",
               "\"a \"\"b\"\".txt\" doubled quotes",
               std::string(300, 'L') + ".ZIP long",
               "FILE.ZIP" + std::string(5000, ' ') + "far"});
}

std::string AreaMaker::listText(const Area& area) {
  std::vector<std::string> lines;
  for (int n = 4 + upTo(20); n > 0; --n) {
    int kind = upTo(99);
    if (kind < 40) {
      lines.push_back(entryLine());
    } else if (kind < 55) {
      lines.push_back(fillerLine());
    } else if (kind < 67) {
      lines.push_back(directoryLine(area));
    } else if (kind < 77 && !lines.empty()) {
      lines.push_back(pick(lines));  // a duplicate
    } else {
      lines.push_back(specialLine());
    }
  }
  std::string end = chance(90) ? "\r\n" : "\n";
  std::string text;
  for (const std::string& line : lines) text += line + end;
  if (chance(15)) text.erase(text.size() - end.size());  // last line unended
  return text;
}

// FILES.BBS, a DESCRIPT.ION alone, or no list, which the run then makes.
void AreaMaker::addList(Area* area) {
  int kind = upTo(99);
  if (kind < 15) return;
  std::string name = kind < 30 ? "DESCRIPT.ION" : "FILES.BBS";
  area->files[area->area + "/" + name] = listText(*area);
}

void AreaMaker::setTimes(Area* area) {
  // From 1980, the first date a DIR line shows, to 2036.
  std::uniform_int_distribution<time_t> when(315532800, 2082758400);
  area->times[""] = when(random_);
  for (const std::string& dir : area->directories)
    area->times[dir] = when(random_);
  for (const auto& [path, bytes] : area->files)
    area->times[path] = when(random_);
}

Area AreaMaker::make(Layout layout) {
  Area area;
  names_.clear();
  directories_.clear();
  place(layout, &area);
  fillArea(&area);
  addDriveRootFiles(&area);
  addList(&area);
  setTimes(&area);
  return area;
}

// `bytes` with line ends and control bytes shown, for a failure message.
std::string shown(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\n') {
      out += "\\n\n    ";
    } else if (c < 32 || c == 127) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// The area as a failure names it: every path, with the bytes of the lists
// and the configuration.
std::string describe(const Area& area) {
  std::string text =
      "DRIVE_ROOT " +
      (area.setting.empty() ? "<case>/" + area.root : area.setting) +
      ", run in <case>/" + area.area + "\n";
  for (const std::string& dir : area.directories) text += "  " + dir + "/\n";
  for (const auto& [path, bytes] : area.files) {
    text += "  " + shown(path);
    bool shows_bytes =
        bytes.size() < 8000 && (path.find(".BBS") != std::string::npos ||
                                path.find(".ION") != std::string::npos ||
                                path.find(".INI") != std::string::npos);
    text += shows_bytes ? ":\n    " + shown(bytes) + "\n"
                        : " (" + std::to_string(bytes.size()) + " bytes)\n";
  }
  return text;
}

// The case directory, laid out from an area.
class CaseTree : public TestTree {
 public:
  explicit CaseTree(std::string root) : root_(std::move(root)) {}
  const std::string& root() const override { return root_; }

 private:
  std::string root_;
};

void layOut(const Area& area, CaseTree* tree) {
  tree->makeDirectory("");
  for (const std::string& dir : area.directories) tree->makeDirectory(dir);
  for (const auto& [path, bytes] : area.files) tree->writeFile(path, bytes);
  // Setting a time makes no name, so no directory's time changes after.
  for (const auto& [path, when] : area.times) tree->setTime(path, when);
}

// The layers of a run on the plain disk: the interpreter straight on the
// file system, and scratch files that are never held. Its messages go where
// the host shell sends them, so that the runs' output can be compared.
class PlainDisk {
 public:
  PlainDisk(DrivePaths& paths, FileSystem& disk)
      : disk_(disk),
        runner_(makePlatformRunner(paths)),
        interpreter_(disk, paths, *runner_, BatchMessages::kConsoleOnly) {}
  FileSystem& files() { return disk_; }
  CommandRunner& commands() { return interpreter_; }
  ScratchFiles& scratch() { return scratchFilesOnDisk(); }
  LookupShortcut& lookups() { return noLookupShortcut(); }

 private:
  FileSystem& disk_;
  std::unique_ptr<CommandRunner> runner_;
  Interpreter interpreter_;
};

// kestrel's run as its main makes it, on the layers `Shell` builds over a
// disk of fixed free room.
template <typename Shell>
int runKestrel(AreaStyle style) {
  FixedFreeSpace disk;
  ErrorRecord errors;
  Console console;
  DrivePaths paths;
  auto shell = std::make_unique<Shell>(paths, disk);
  auto files = std::make_unique<FileTable>(errors, paths, shell->files());
  int code = PageGenerator(console, errors, *files, shell->commands(),
                           shell->scratch(), shell->lookups(), style)
                 .run();
  if (errors.fatal()) {
    leaveAsItIs(std::move(files));
    leaveAsItIs(std::move(shell));
    return 255;
  }
  return code;
}

// What a child that cannot take the area's layout ends with.
constexpr int kWrongLayout = 97;

// Runs kestrel in a child in the area laid out at `base`, with the area's
// DRIVE_ROOT; the child starts without any drive path of this process's.
template <typename Shell>
ChildRun runIn(const std::string& base, const Area& area, AreaStyle style) {
  const std::string dir = base + "/" + area.area;
  const std::string root = base + "/" + area.root;
  const std::string setting = area.setting.empty() ? root : area.setting;
  return runInChild(
      [&] {
        if (chdir(dir.c_str()) != 0) return kWrongLayout;
        setenv("DRIVE_ROOT", setting.c_str(), 1);
        setenv("TZ", "UTC", 1);
        tzset();
        if (DrivePaths().root() != root) return kWrongLayout;
        return runKestrel<Shell>(style);
      },
      /*as_nobody=*/false);
}

// What a run ended with and left: every path below the case directory and
// its bytes ("<directory>" for a directory), the page's generation time
// left out.
struct Outcome {
  ChildRun run;
  std::map<std::string, std::string> tree;
};

std::string withoutStamp(std::string bytes) {
  static const std::string kMark = "&nbsp;as of &nbsp;";
  constexpr size_t kStampSize = sizeof "MM-DD-YYYY hh:mm:ss" - 1;
  size_t at = bytes.rfind(kMark);
  if (at != std::string::npos)
    bytes.replace(at + kMark.size(), kStampSize, "<stamp>");
  return bytes;
}

std::map<std::string, std::string> snapshot(const CaseTree& tree) {
  std::map<std::string, std::string> found;
  for (const std::string& path : tree.contents()) {
    struct stat st;
    if (lstat(tree.path(path).c_str(), &st) != 0) {
      found[path] = "<gone>";
    } else if (S_ISDIR(st.st_mode)) {
      found[path] = "<directory>";
    } else if (S_ISREG(st.st_mode)) {
      found[path] = withoutStamp(tree.readFile(path));
    } else {
      found[path] = "<other>";
    }
  }
  return found;
}

// One run on a fresh copy of the area at `base`, removed again after.
template <typename Shell>
Outcome runOnCopy(const std::string& base, const Area& area, AreaStyle style) {
  CaseTree tree(base);
  layOut(area, &tree);
  Outcome outcome{runIn<Shell>(base, area, style), snapshot(tree)};
  std::error_code error;
  std::filesystem::remove_all(base, error);
  EXPECT_FALSE(error) << base << ": " << error.message();
  return outcome;
}

// Both runs, one after the other at the same place, so that every path
// they show is the same. The times that the runs make themselves (of the
// files they write, of a directory they write in) show to the minute: a
// pair that spans a change of the minute is made again.
std::pair<Outcome, Outcome> runBoth(const std::string& base, const Area& area,
                                    AreaStyle style) {
  for (int attempt = 1;; ++attempt) {
    time_t minute = std::time(nullptr) / 60;
    Outcome overlay = runOnCopy<HostShell>(base, area, style);
    Outcome disk = runOnCopy<PlainDisk>(base, area, style);
    if (std::time(nullptr) / 60 == minute || attempt == 3)
      return {std::move(overlay), std::move(disk)};
  }
}

// Where `a` and `b` first differ: the offset and the bytes around it.
std::string firstDifference(const std::string& a, const std::string& b) {
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
  size_t from = at > 80 ? at - 80 : 0;
  return "sizes " + std::to_string(a.size()) + " and " +
         std::to_string(b.size()) + ", first difference at " +
         std::to_string(at) + ":\n  overlay: ..." + shown(a.substr(from, 200)) +
         "\n  disk:    ..." + shown(b.substr(from, 200));
}

void expectAlike(const Area& area, const Outcome& overlay,
                 const Outcome& disk) {
  EXPECT_EQ(overlay.run.code, disk.run.code) << overlay.run.err << disk.run.err;
  EXPECT_EQ(area.sound ? 0 : 1, overlay.run.code) << overlay.run.err;
  EXPECT_EQ(overlay.run.out, disk.run.out);
  EXPECT_EQ(overlay.run.err, disk.run.err);
  for (const auto& [path, bytes] : overlay.tree) {
    auto other = disk.tree.find(path);
    if (other == disk.tree.end()) {
      ADD_FAILURE() << path << " left by the overlay run only";
    } else if (bytes != other->second) {
      ADD_FAILURE() << path << ": " << firstDifference(bytes, other->second);
    }
  }
  for (const auto& [path, bytes] : disk.tree) {
    if (overlay.tree.count(path) == 0)
      ADD_FAILURE() << path << " left by the plain disk run only";
  }
  // Both runs doing nothing would be alike too.
  if (area.sound) {
    EXPECT_EQ(1u, overlay.tree.count(area.area + "/" + area.page));
  }
}

// The area run through both layers in each style.
void expectAlikeInBothStyles(const std::string& base, const Area& area) {
  for (AreaStyle style : {AreaStyle::kClassic, AreaStyle::kModern}) {
    SCOPED_TRACE(style == AreaStyle::kModern ? "--modern" : "default style");
    auto [overlay, disk] = runBoth(base, area, style);
    expectAlike(area, overlay, disk);
  }
}

// Random areas in `layout`, each run in both styles.
void checkLayout(Layout layout, unsigned seed) {
  ScratchDirectory scratch("overlay_property");
  const std::string base = scratch.path() + "/case";
  AreaMaker maker(seed);
  for (int i = 0; i < kAreasPerLayout; ++i) {
    Area area = maker.make(layout);
    SCOPED_TRACE("seed " + std::to_string(seed) + ", area " +
                 std::to_string(i) + ":\n" + describe(area));
    expectAlikeInBothStyles(base, area);
  }
}

TEST(OverlayPropertyTest, AreaBelowTheDriveRoot) {
  checkLayout(Layout::kBelowRoot, kSeed);
}

TEST(OverlayPropertyTest, AreaIsTheDriveRoot) {
  checkLayout(Layout::kIsRoot, kSeed + 1);
}

TEST(OverlayPropertyTest, AreaOutsideTheDriveRoot) {
  checkLayout(Layout::kOutsideRoot, kSeed + 2);
}

// A hand-made area with no file of its own, the area the drive root
// itself or a directory below it, with FILES.BBS `list` and an earlier
// run's capture `old_capture` (nullptr for none).
Area smallArea(bool is_root, const char* list, const char* old_capture) {
  Area area;
  area.root = "drive";
  area.area = is_root ? "drive" : "drive/AREA";
  area.directories = {"drive"};
  if (!is_root) area.directories.push_back(area.area);
  if (list != nullptr) area.files[area.area + "/FILES.BBS"] = list;
  if (old_capture != nullptr) area.files["drive/$DIR$"] = old_capture;
  const time_t when = utcTime(2001, 9, 9, 1, 46);
  area.times[""] = when;
  for (const std::string& dir : area.directories) area.times[dir] = when;
  for (const auto& [path, bytes] : area.files) area.times[path] = when;
  return area;
}

// The smallest areas of the random ones above whose lookups list the
// scratch files themselves: the capture that the lookup's DIR writes, or
// the batch that runs it, in the row of an entry that names it or in the
// drive root's listing in the last capture; the first lookup of a drive
// root finds neither there before it.
TEST(OverlayPropertyTest, LookupThatListsTheCaptureItself) {
  struct {
    const char* name;
    bool is_root;
    const char* list;
    const char* old_capture;
  } cases[] = {
      {"drive root as the area, no list, an earlier capture", true, nullptr,
       "old\r\n"},
      {"below the root, the capture named twice", false,
       "\\\\$DIR$\r\n\\\\$DIR$\r\n", nullptr},
      {"below the root, the root listed, an earlier capture", false, "\\\\\r\n",
       "old\r\n"},
      {"drive root as the area, the batch named first", true,
       "$DIR$.BAT  x\r\n", nullptr},
      {"drive root as the area, the capture named first", true,
       "\\$DIR$  x\r\n", nullptr},
      {"below the root, the batch named first", false,
       "\\$DIR$.BAT  x\r\nA.ZIP\r\n", nullptr},
  };
  ScratchDirectory scratch("overlay_property");
  const std::string base = scratch.path() + "/case";
  for (const auto& c : cases) {
    Area area = smallArea(c.is_root, c.list, c.old_capture);
    SCOPED_TRACE(std::string(c.name) + ":\n" + describe(area));
    expectAlikeInBothStyles(base, area);
  }
}

}  // namespace
