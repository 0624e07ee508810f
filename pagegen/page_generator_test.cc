// kestrel's run in process, with one file or command operation made to fail
// at a time: every step that can fail, the report it leads to and the page
// it leaves. Each run is made in a child without a terminal, so that the
// report goes to standard error and nothing waits for a key.
#include "pagegen/page_generator.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "runtime/step_guard.h"
#include "shell/tool_run.h"
#include "testing/failing_os.h"
#include "testing/test_drive.h"

namespace {

// A first line longer than one read of the file table (4096 bytes), so
// that later reads come from the steps that read lines rather than from the
// open.
const std::string kConfiguration = std::string(4100, '#') + "\r\nPAGE.HTM\r\nT";
const std::string kList = std::string(4100, '-') +
                          "\r\n   before\r\nA.ZIP x\r\nVERYLONGNAME.ZIP y\r\n";

constexpr Operation kOpen = Operation::kOpen;
constexpr Operation kRead = Operation::kRead;
constexpr Operation kWrite = Operation::kWrite;
constexpr Operation kTruncate = Operation::kTruncate;
constexpr Operation kClose = Operation::kClose;
constexpr Operation kRun = Operation::kRun;
constexpr Operation kStat = Operation::kStat;
constexpr Operation kLock = Operation::kLock;
constexpr Caller kByInterpreter = Caller::kInterpreter;

constexpr char kPageEnd[] = "</HTML>\r\n";

// Runs kestrel in process, in a child without a terminal, with `faults`,
// and ends it as the tool's main does (ToolRun::finish).
ChildRun runWithFaults(const std::vector<Fault>& faults, AreaStyle style) {
  return runInChild(
      [&] {
        ToolRun tool;
        ErrorRecord& errors = tool.errors();
        auto host = std::make_unique<FailingHost>(faults);
        auto files =
            std::make_unique<FileTable>(errors, host->paths(), host->files());
        Console console;
        int code = PageGenerator(console, errors, *files, host->commands(),
                                 host->scratch(), host->lookups(), style)
                       .run();
        if (errors.fatal()) {
          // What a run that ends at once holds stays as it is.
          leaveAsItIs(std::move(files));
          leaveAsItIs(std::move(host));
        }
        return tool.finish(code);
      },
      /*as_nobody=*/false);
}

TEST(PageGeneratorTest, EveryFailingStepIsReportedOrPassedOver) {
  struct {
    const char* name;
    std::vector<Fault> faults;
    const char* report;  // "" when the run ends well
    const char* note;    // what the line after the report names, or ""
    const char* page;    // the page left, "" for none
    bool page_ends;      // the page ends with its tail
  } cases[] = {
      {"nothing fails", {}, "", "", "PAGE.HTM", true},
      // The configuration is optional: its failures fall back to defaults.
      {"120 configuration cannot be opened",
       {{kOpen, "KESTREL.INI", "", 1, kPermissionDenied}},
       "",
       "",
       "00_INDEX.HTM",
       true},
      {"GETINI1 page name cannot be read",
       {{kRead, "KESTREL.INI", "", 2, kDeviceIoError}},
       "",
       "",
       "00_INDEX.HTM",
       true},
      {"GETINI2 title cannot be read",
       {{kRead, "KESTREL.INI", "", 3, kDeviceIoError}},
       "",
       "",
       "PAGE.HTM",
       true},
      {"NOINI configuration cannot be closed",
       {{kClose, "KESTREL.INI", "", 1, kDeviceIoError}},
       "",
       "",
       "PAGE.HTM",
       true},
      // INTERROR takes the failures of the page building.
      {"1020 list cannot be opened",
       {{kOpen, "FILES.BBS", "", 1, kPermissionDenied}},
       "Line 1020   Code 70  = Permission denied",
       "read the list FILES.BBS in <area>: Permission denied",
       "",
       false},
      {"1020 list cannot be read",
       {{kRead, "FILES.BBS", "", 1, kDeviceIoError}},
       "Line 1020   Code 57  = Device I/O error",
       "read the list FILES.BBS in <area>: Device I/O error",
       "",
       false},
      {"INTERROR missing list made from the directory",
       {{kOpen, "FILES.BBS", "", 1, kFileNotFound}},
       "",
       "",
       "PAGE.HTM",
       true},
      {"INTERROR batch for the list cannot be made",
       {{kOpen, "FILES.BBS", "", 1, kFileNotFound},
        {kOpen, "/$DIR$.BAT", "", 1, kPermissionDenied}},
       "Line 1020   Code 70  = Permission denied",
       "write the scratch batch $DIR$.BAT in <drive>: Permission denied",
       "",
       false},
      {"INTERROR batch for the list cannot be run",
       {{kOpen, "FILES.BBS", "", 1, kFileNotFound},
        {kRun, "$DIR$.BAT", "", 1, kPathNotFound}},
       "Line 1020   Code 76  = Path not found",
       "run the scratch batch $DIR$.BAT in <drive>: Path not found",
       "",
       false},
      {"1040 page cannot be opened",
       {{kOpen, "PAGE.HTM", "", 1, kPathNotFound}},
       "Line 1040   Code 76  = Path not found",
       "write the page PAGE.HTM in <area>: Path not found",
       "",
       false},
      {"1040 head cannot be written",
       {{kWrite, "PAGE.HTM", "", 1, kDiskFull}},
       "Line 1040   Code 61  = Disk full",
       "write the page PAGE.HTM in <area>: Disk full",
       "PAGE.HTM",
       true},
      {"1060 list line cannot be read",
       {{kRead, "FILES.BBS", "", 2, kDeviceIoError}},
       "Line 1060   Code 57  = Device I/O error",
       "read the list FILES.BBS in <area>: Device I/O error",
       "PAGE.HTM",
       true},
      {"SEARCH end of the list cannot be read",
       {{kRead, "FILES.BBS", "", 3, kDeviceIoError}},
       "Line 1120   Code 57  = Device I/O error",
       "read the list FILES.BBS in <area>: Device I/O error",
       "PAGE.HTM",
       true},
      {"1120 description cell cannot be written",
       {{kWrite, "PAGE.HTM", "</TD></FONT></B></TR>", 1, kDiskFull}},
       "Line 1120   Code 61  = Disk full",
       "write the page PAGE.HTM in <area>: Disk full",
       "PAGE.HTM",
       true},
      {"OKLFN name cell cannot be written",
       {{kWrite, "PAGE.HTM", "A.ZIP</A>", 1, kDiskFull}},
       "Line 1120   Code 61  = Disk full",
       "write the page PAGE.HTM in <area>: Disk full",
       "PAGE.HTM",
       true},
      {"OKLFN batch cannot be opened",
       {{kOpen, "/$DIR$.BAT", "", 1, kPermissionDenied}},
       "Line 1120   Code 70  = Permission denied",
       "write the scratch batch $DIR$.BAT in <drive>: Permission denied",
       "PAGE.HTM",
       true},
      {"OKLFN batch cannot be written",
       {{kWrite, "/$DIR$.BAT", "DIR /X", 1, kDiskFull}},
       "Line 1120   Code 61  = Disk full",
       "write the scratch batch $DIR$.BAT in <drive>: Disk full",
       "PAGE.HTM",
       true},
      {"OKLFN batch cannot be closed",
       {{kTruncate, "/$DIR$.BAT", "", 1, kDeviceIoError}},
       "Line 1120   Code 57  = Device I/O error",
       "write the scratch batch $DIR$.BAT in <drive>: Device I/O error",
       "PAGE.HTM",
       true},
      {"OKLFN batch cannot be run",
       {{kRun, "$DIR$.BAT", "", 1, kFileNotFound}},
       "Line 1120   Code 53  = File not found",
       "run the scratch batch $DIR$.BAT in <drive>: File not found",
       "PAGE.HTM",
       true},
      // The drive root's lock: one that cannot be had when the page is
      // opened is taken at the first lookup, which fails without it.
      {"1040 drive root cannot be locked yet",
       {{kLock, "", "", 1, kPermissionDenied}},
       "",
       "",
       "PAGE.HTM",
       true},
      {"OKLFN drive root cannot be locked",  // at 1040, nor then
       {{kLock, "", "", 1, kPermissionDenied},
        {kLock, "", "", 1, kPermissionDenied}},
       "Line 1120   Code 70  = Permission denied",
       "lock the drive root <drive>: Permission denied",
       "PAGE.HTM",
       true},
      // The interpreter's own operations, in the run's process.
      {"OKLFN batch cannot be read by the interpreter",
       {{kOpen, "$DIR$.BAT", "", 1, kPermissionDenied, kByInterpreter}},
       "Line 1120   Code 70  = Permission denied",
       "run the scratch batch $DIR$.BAT in <drive>: Permission denied",
       "PAGE.HTM",
       true},
      // A capture that DIR could not make, or not write whole, is not
      // there for the run to read.
      {"OKLFN capture cannot be made by the interpreter",
       {{kOpen, "/$DIR$", "", 1, kPermissionDenied, kByInterpreter}},
       "Line 1120   Code 53  = File not found",
       "read the capture $DIR$ in <drive>: File not found",
       "PAGE.HTM",
       true},
      {"OKLFN capture cannot be written whole by the interpreter",
       {{kWrite, "/$DIR$", "", 1, kDiskFull, kByInterpreter}},
       "Line 1120   Code 53  = File not found",
       "read the capture $DIR$ in <drive>: File not found",
       "PAGE.HTM",
       true},
      {"OKLFN name cannot be looked up by the interpreter",
       {{kStat, "/A.ZIP", "", 1, kPermissionDenied, kByInterpreter}},
       "",
       "",
       "PAGE.HTM",
       true},
      {"OKLFN capture cannot be opened",
       {{kOpen, "/$DIR$", "", 1, kPermissionDenied}},
       "Line 1120   Code 70  = Permission denied",
       "read the capture $DIR$ in <drive>: Permission denied",
       "PAGE.HTM",
       true},
      {"FINDIT capture cannot be read",
       {{kRead, "/$DIR$", "", 1, kDeviceIoError}},
       "Line 1120   Code 57  = Device I/O error",
       "read the capture $DIR$ in <drive>: Device I/O error",
       "PAGE.HTM",
       true},
      {"FINDIT capture cannot be closed",
       {{kClose, "/$DIR$", "", 1, kDeviceIoError}},
       "Line 1120   Code 57  = Device I/O error",
       "read the capture $DIR$ in <drive>: Device I/O error",
       "PAGE.HTM",
       true},
      {"GO4IT date and size cannot be written",
       {{kWrite, "PAGE.HTM", "<TD ALIGN=LEFT>", 1, kDiskFull}},
       "Line 1120   Code 61  = Disk full",
       "write the page PAGE.HTM in <area>: Disk full",
       "PAGE.HTM",
       true},
      {"long-name row under an open row cannot be written",
       {{kWrite, "PAGE.HTM", "{ LFN }", 1, kDiskFull}},
       "Line 1120   Code 61  = Disk full",
       "write the page PAGE.HTM in <area>: Disk full",
       "PAGE.HTM",
       true},
      // Memory that runs out is error 7 at the step in force, never an
      // abort, whether in the run itself or in the interpreter it starts.
      {"1060 memory runs out reading a list line",
       {{kRead, "FILES.BBS", "", 2, kOutOfMemory}},
       "Line 1060   Code 7  = Out of memory",
       "",
       "PAGE.HTM",
       true},
      {"OKLFN memory runs out running the batch",
       {{kRun, "$DIR$.BAT", "", 1, kOutOfMemory}},
       "Line 1120   Code 7  = Out of memory",
       "run the scratch batch $DIR$.BAT in <drive>: Out of memory",
       "PAGE.HTM",
       true},
      // A failing finish is reported once and ends the run.
      {"50000 tail cannot be written",
       {{kWrite, "PAGE.HTM", "Back to TOP", 1, kDiskFull}},
       "Line 50000   Code 61  = Disk full",
       "write the page PAGE.HTM in <area>: Disk full",
       "PAGE.HTM",
       false},
      {"50100 page cannot be closed",
       {{kClose, "PAGE.HTM", "", 1, kDeviceIoError}},
       "Line 50100   Code 57  = Device I/O error",
       "write the page PAGE.HTM in <area>: Device I/O error",
       "PAGE.HTM",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestDrive drive;
    drive.writeFile("KESTREL.INI", kConfiguration);
    drive.writeFile("AREA/FILES.BBS", kList);
    drive.writeFile("AREA/A.ZIP", "zip");
    ChildRun run = runWithFaults(c.faults, AreaStyle::kClassic);
    std::string report(c.report);
    EXPECT_EQ(report.empty() ? 0 : 1, run.code);
    if (report.empty()) {
      EXPECT_EQ(std::string::npos, run.err.find("Internal Error")) << run.err;
    } else {
      // The commands' own messages may come first; the report comes once,
      // and the line after it names what failed on which file.
      std::string line = " \xE2\x88\x9E Internal Error: " + report + "\n";
      std::string note = c.note;
      for (const auto& [mark, path] :
           {std::pair{std::string("<area>"), drive.path("AREA")},
            std::pair{std::string("<drive>"), drive.root()}}) {
        size_t at = note.find(mark);
        if (at != std::string::npos) note.replace(at, mark.size(), path);
      }
      if (!note.empty()) line += "kestrel: cannot " + note + "\n";
      EXPECT_EQ(line, run.err.substr(std::min(run.err.size(),
                                              run.err.size() - line.size())))
          << run.err;
      EXPECT_EQ(run.err.find("Internal Error"),
                run.err.rfind("Internal Error"));
    }
    std::string page = c.page;
    for (const char* name : {"PAGE.HTM", "00_INDEX.HTM"})
      EXPECT_EQ(page == name, drive.exists("AREA/" + std::string(name)));
    if (!page.empty()) {
      std::string bytes = drive.readFile("AREA/" + page);
      bool ends = bytes.size() >= sizeof kPageEnd - 1 &&
                  bytes.compare(bytes.size() - (sizeof kPageEnd - 1),
                                std::string::npos, kPageEnd) == 0;
      EXPECT_EQ(c.page_ends, ends);
    }
  }
}

// A failure that leaves the run's own memory in doubt (241 and above) ends
// the run at once, in whatever step it comes and whether or not an error
// step is set: no report, no warning at the end, no page put in place (a
// page closed before the failure is in place), and the exit code 255.
TEST(PageGeneratorTest, FailureWithMemoryInDoubtEndsTheRunAtOnce) {
  constexpr ErrorNumber kCorrupt = kGlobalMemoryCorrupt;
  const std::string kOldPage = "the page before this run\r\n";
  // Said at the end of a run that reads the list's "&" line.
  const std::string kAmpersandWarning = "left out because it holds \"&\"";
  struct {
    const char* name;
    std::vector<Fault> faults;
    int code;
    bool page_replaced;
  } cases[] = {
      {"nothing fails", {}, 0, true},
      {"120 configuration cannot be opened, before any error step",
       {{kOpen, "KESTREL.INI", "", 1, kCorrupt}},
       255,
       false},
      {"1040 head cannot be written",
       {{kWrite, "PAGE.HTM", "", 1, kCorrupt}},
       255,
       false},
      {"1060 list line cannot be read",
       {{kRead, "FILES.BBS", "", 2, kCorrupt}},
       255,
       false},
      {"OKLFN batch cannot be run",
       {{kRun, "$DIR$.BAT", "", 1, kCorrupt}},
       255,
       false},
      {"50100 page closed, then the failure",
       {{kClose, "PAGE.HTM", "", 1, kCorrupt}},
       255,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestDrive drive;
    drive.writeFile("KESTREL.INI", kConfiguration);
    drive.writeFile("AREA/FILES.BBS", std::string(4100, '-') +
                                          "\r\nR&D.ZIP notes\r\nA.ZIP x\r\n");
    drive.writeFile("AREA/A.ZIP", "zip");
    drive.writeFile("AREA/PAGE.HTM", kOldPage);
    ChildRun run = runWithFaults(c.faults, AreaStyle::kClassic);
    EXPECT_EQ(c.code, run.code);
    EXPECT_EQ(std::string::npos, run.err.find("Internal Error")) << run.err;
    EXPECT_EQ(c.code == 0, run.err.find(kAmpersandWarning) != std::string::npos)
        << run.err;
    EXPECT_FALSE(drive.exists("AREA/00_INDEX.HTM"));
    std::string page = drive.readFile("AREA/PAGE.HTM");
    if (!c.page_replaced) {
      EXPECT_EQ(kOldPage, page);
    } else {
      ASSERT_LE(sizeof kPageEnd, page.size());
      EXPECT_EQ(kPageEnd, page.substr(page.size() - (sizeof kPageEnd - 1)));
    }
  }
}

// A modern run: an entry found in another case than the list's, through
// the area's names read once, and a DESCRIPT.ION read where FILES.BBS is
// missing. Each failure on the way is reported at the step of the lookup
// or of the list, and the row whose lookup failed keeps its name cell.
TEST(PageGeneratorTest, ModernCaseLookupAndDescriptionsFailures) {
  const std::string kList = std::string(4100, '-') + "\r\n   before\r\n";
  const std::string kFound = "<A HREF=\"A.ZIP\">a.zip</A>";
  const std::string kAsWritten = "<A HREF=\"a.zip\">a.zip</A>";
  const std::string kHint =
      "kestrel: the area has no FILES.BBS, and its DESCRIPT.ION could not be "
      "read\n";
  struct {
    const char* name;
    const char* list;  // the list file, FILES.BBS or DESCRIPT.ION
    std::vector<Fault> faults;
    const char* report;  // "" when the run ends well
    std::string row;     // the name cell that the page must hold, "" for
                         // no page
    bool list_made;      // FILES.BBS is made
  } cases[] = {
      {"found in another case", "FILES.BBS", {}, "", kFound, false},
      {"names cannot be listed",
       "FILES.BBS",
       {{kRun, "$DIR$.BAT", "", 2, kPathNotFound}},
       "Line 1120   Code 76  = Path not found",
       kAsWritten,
       false},
      {"listed names cannot be read",
       "FILES.BBS",
       {{kRead, "/$DIR$", "", 2, kDeviceIoError}},
       "Line 1120   Code 57  = Device I/O error",
       kAsWritten,
       false},
      {"name on disk cannot be looked up",
       "FILES.BBS",
       {{kWrite, "/$DIR$.BAT", "\"A.ZIP\"", 1, kDiskFull}},
       "Line 1120   Code 61  = Disk full",
       kFound,
       false},
      {"DESCRIPT.ION read", "DESCRIPT.ION", {}, "", kFound, false},
      {"DESCRIPT.ION cannot be opened",
       "DESCRIPT.ION",
       {{kOpen, "DESCRIPT.ION", "", 1, kPermissionDenied}},
       "Line 1020   Code 70  = Permission denied",
       "",
       false},
      {"neither list", "", {}, "", "<A HREF=\"A.ZIP\">A.ZIP</A>", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TestDrive drive;
    std::string list = std::string(c.list);
    if (!list.empty())
      drive.writeFile("AREA/" + list, kList +
                                          "a.zip x\x04"
                                          "data\r\n");
    drive.writeFile("AREA/A.ZIP", "zip");
    ChildRun run = runWithFaults(c.faults, AreaStyle::kModern);
    std::string report(c.report);
    EXPECT_EQ(report.empty() ? 0 : 1, run.code) << run.err;
    if (report.empty()) {
      EXPECT_EQ(std::string::npos, run.err.find("Internal Error")) << run.err;
    } else {
      std::string hint = list == "DESCRIPT.ION" ? kHint : "";
      std::string line = " \xE2\x88\x9E Internal Error: " + report + "\n";
      EXPECT_NE(std::string::npos, run.err.find(line)) << run.err;
      EXPECT_EQ(hint.empty(), run.err.find(kHint) == std::string::npos);
    }
    EXPECT_EQ(c.list_made, drive.exists("AREA/FILES.BBS") && list.empty());
    // A list that cannot be opened leaves no page, as in every area.
    EXPECT_EQ(!c.row.empty(), drive.exists("AREA/00_INDEX.HTM"));
    if (c.row.empty()) continue;
    std::string page = drive.readFile("AREA/00_INDEX.HTM");
    ASSERT_LE(sizeof kPageEnd, page.size()) << run.err;
    EXPECT_EQ(kPageEnd, page.substr(page.size() - (sizeof kPageEnd - 1)));
    EXPECT_NE(std::string::npos, page.find(c.row)) << page;
    // The manager's data after Ctrl-D is no part of a DESCRIPT.ION line's
    // description (in a FILES.BBS the Ctrl-D is a control byte like any).
    if (list == "DESCRIPT.ION") {
      EXPECT_EQ(std::string::npos, page.find("data"));
    }
  }
}

// The area's names are listed once per run, at the first entry not found
// as written; each later entry costs its one lookup, found in another case
// or not found at all. Batch runs: a.zip, the names, a.zip again as A.ZIP,
// then one for each entry after it, so a fault on a seventh never fires.
TEST(PageGeneratorTest, ModernRunListsTheAreaOnce) {
  for (int nth : {6, 7}) {
    SCOPED_TRACE(nth);
    TestDrive drive;
    drive.writeFile("AREA/FILES.BBS", "a.zip\r\nb.zip\r\nc.zip\r\nd.zip\r\n");
    for (const char* name : {"AREA/A.ZIP", "AREA/B.ZIP", "AREA/C.ZIP"})
      drive.writeFile(name, "zip");
    ChildRun run = runInChild(
        [&] {
          ErrorRecord errors;
          FailingHost host({{kRun, "$DIR$.BAT", "", nth, kPathNotFound}});
          FileTable files(errors, host.paths(), host.files());
          Console console;
          return PageGenerator(console, errors, files, host.commands(),
                               host.scratch(), host.lookups(), AreaStyle::kModern)
              .run();
        },
        /*as_nobody=*/false);
    EXPECT_EQ(nth == 6 ? 1 : 0, run.code) << run.err;
    std::string page = drive.readFile("AREA/00_INDEX.HTM");
    EXPECT_NE(std::string::npos, page.find("<A HREF=\"C.ZIP\">c.zip</A>"));
  }
}

// Run in the drive root with no list, the list made names the scratch batch,
// which the run holds in memory meanwhile: its row shows the batch as it
// stands when it is looked up, not NOT found.
TEST(PageGeneratorTest, ScratchBatchListedInTheDriveRootShowsItself) {
  TestDrive drive;
  drive.writeFile("A.ZIP", "zip");
  ChildRun run = runInChild(
      [&] {
        if (chdir(drive.root().c_str()) != 0) return 99;
        ErrorRecord errors;
        FailingHost host({});
        FileTable files(errors, host.paths(), host.files());
        Console console;
        return PageGenerator(console, errors, files, host.commands(),
                             host.scratch(), host.lookups())
            .run();
      },
      /*as_nobody=*/false);
  ASSERT_EQ(0, run.code) << run.err;
  EXPECT_EQ("$DIR$.BAT\r\nA.ZIP\r\nAREA\r\nFILES.BBS\r\n",
            drive.readFile("FILES.BBS"));
  std::string page = drive.readFile("00_INDEX.HTM");
  const std::string batch_row =
      "<A HREF=\"$DIR$.BAT\">$DIR$.BAT</A></FONT></TD>\r\n<TD ALIGN=LEFT>";
  size_t row = page.find(batch_row);
  ASSERT_NE(std::string::npos, row) << page;
  std::string cells = page.substr(
      row + batch_row.size(),
      page.find("\r\n", row + batch_row.size()) - row - batch_row.size());
  EXPECT_EQ(std::string::npos, cells.find("NOT found")) << cells;
  EXPECT_NE(std::string::npos,
            cells.find("<TD ALIGN=RIGHT>                47 </TD>"))
      << cells;
}

}  // namespace
