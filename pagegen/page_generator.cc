// The run of the index page generator: the table of its steps, the loop
// that runs them, and one short function per step (those of the rows are
// in entry_rows.cc). A step returns as soon as an operation fails; the loop
// then hands control to the error step in force.
#include "pagegen/page_generator.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "pagegen/page.h"
#include "pagegen/page_files.h"
#include "platform/clock.h"
#include "platform/drive_path.h"
#include "platform/stop_signals.h"
#include "runtime/credits.h"
#include "runtime/step_guard.h"
#include "text/list_line.h"
#include "text/list_name.h"
#include "text/visible_text.h"

using namespace page_files;

namespace {

// How long one wait for a key sleeps before it looks again.
constexpr int kKeyPollMilliseconds = 100;

}  // namespace


// The step table: each step once, with the label and number the error
// record is given on entering it. A step without either (the split of an
// entry line) runs under the number of the step before it.
const PageGenerator::StepRow PageGenerator::kSteps[] = {
    // Configuration: no error step, then START, then NOINI.
    {kStep20, nullptr, 20, &PageGenerator::start},
    {kStep40, nullptr, 40, &PageGenerator::checkArea},
    {kCmdFix, "CMDFIX", 0, &PageGenerator::fixArea},
    {kStep100, nullptr, 100, &PageGenerator::readConfigurationFrom},
    {kStep120, nullptr, 120, &PageGenerator::openConfiguration},
    {kStep140, nullptr, 140, &PageGenerator::configurationOpened},
    {kGetIni1, "GETINI1", 0, &PageGenerator::readPageName},
    {kGetIni2, "GETINI2", 0, &PageGenerator::readTitle},
    {kNoIni, "NOINI", 0, &PageGenerator::closeConfiguration},
    // Page building: INTERROR takes every failure from here on.
    {kStart, "START", 1000, &PageGenerator::beginPage},
    {kStep1020, nullptr, 1020, &PageGenerator::openList},
    {kStep1040, nullptr, 1040, &PageGenerator::openPage},
    {kSearch, "SEARCH", 0, &PageGenerator::search},
    {kStep1060, nullptr, 1060, &PageGenerator::readListLine},
    {kStep1080, nullptr, 1080, &PageGenerator::skipPageItself},
    {kNotFile, "NOTFILE", 0, &PageGenerator::sortOutLine},
    {kStep1100, nullptr, 1100, &PageGenerator::closeOpenRow},
    {kStep1120, nullptr, 1120, &PageGenerator::writeDescriptionCell},
    {kEntry, nullptr, 0, &PageGenerator::startRow},
    {kOkLfn, "OKLFN", 0, &PageGenerator::lookUpEntry},
    {kFindIt, "FINDIT", 0, &PageGenerator::readCapture},
    {kOtherCase, nullptr, 0, &PageGenerator::lookUpOtherCase},
    {kGo4It, "GO4IT", 0, &PageGenerator::writeDateAndSize},
    {kAppDesc, "APPDESC", 0, &PageGenerator::appendDescription},
    // The error step and its report.
    {kInterror, "INTERROR", 0, &PageGenerator::handleError},
    {kStep10000, nullptr, 10000, &PageGenerator::report},
    // Finishing.
    {kFinished, "FINISHED", 50000, &PageGenerator::finish},
    {kStep50100, nullptr, 50100, &PageGenerator::closeAll},
    {kJumpOut, "JUMPOUT", 0, &PageGenerator::jumpOut},
};

uint16_t PageGenerator::numberOf(Step step) { return kSteps[step].number; }

int PageGenerator::run() {
  static_assert(sizeof kSteps / sizeof kSteps[0] == kEnd,
                "one row for every step");
  Step step = kStep20;
  while (step != kEnd) {
    const StepRow& row = kSteps[step];
    if (row.label != nullptr) errors_.enterLabel(row.label);
    if (row.number != 0) errors_.enterStep(row.number);
    Step next = kInterror;
    if (!runGuardedStep(errors_, [&] { next = (this->*row.perform)(); })) {
      // Running out of memory is the failure of the statement that needed
      // it, and goes to the error step in force; it is never passed over.
      releaseWorkingTexts();
      next = kInterror;
    }
    // A failure that leaves the run's own memory in doubt ends the run
    // here, in any step: nothing more is written, closed or reported.
    if (errors_.fatal()) return 1;
    // A failure hands control to the error step in force.
    step = errors_.checkError() ? static_cast<Step>(errors_.errorStep()) : next;
  }
  // A failure of the finish ends the run without the closing step: the
  // scratch files still go to disk, and a failure there is told too.
  if (holding_scratch_ && releaseScratchFiles() != kNoError) {
    std::fputs(
        "kestrel: the scratch files in the drive root could not be "
        "written\n",
        stderr);
    std::fflush(stderr);
    reported_ = true;
  }
  warnOfAmpersandLines();
  return reported_ ? 1 : 0;
}

void PageGenerator::releaseWorkingTexts() {
  for (std::string* text : {&line_, &name_, &description_, &disk_name_,
                            &fragment_, &capture_line_}) {
    std::string().swap(*text);
  }
}

bool PageGenerator::writePageLine(std::string_view line) {
  files_.writeLine(kPageFile, {line});
  return !errors_.pending();
}

bool PageGenerator::writeMadeLine() {
  // The line end joins the line where it was made: one write, no copy.
  page_line_ += "\r\n";
  files_.writeText(kPageFile, page_line_);
  return !errors_.pending();
}

void PageGenerator::writePendingCell() {
  // A long description goes out in pieces rather than being copied.
  files_.writeLine(kPageFile, {rows::kDescriptionCellOpen, pending_,
                               rows::kDescriptionCellClose});
}

void PageGenerator::writeLines(int16_t number,
                               const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    files_.writeLine(number, {line});
    if (errors_.pending()) return;
  }
}

void PageGenerator::writePageLines(const std::vector<std::string>& lines) {
  writeLines(kPageFile, lines);
}

// --- Configuration. ---

PageGenerator::Step PageGenerator::start() {
  title_ = " ";
  page_name_ = "00_INDEX.HTM";
  area_ = tail_.text();
  console_.printText(std::string("KESTREL v") + credits::kKestrelVersion +
                     "  " + credits::kAuthorNotice + "  Args=[" + tail_.text() +
                     "] ");
  console_.newLine();
  return kStep40;
}

PageGenerator::Step PageGenerator::checkArea() { return kCmdFix; }

PageGenerator::Step PageGenerator::fixArea() {
  // Every backslash in the area text becomes a slash, in one pass over it:
  // the text keeps its length.
  std::replace(area_.begin(), area_.end(), '\\', '/');
  return kStep100;
}

PageGenerator::Step PageGenerator::readConfigurationFrom() {
  errors_.setErrorStep(kStart);
  return kStep120;
}

PageGenerator::Step PageGenerator::openConfiguration() {
  files_.openFile(kListFile, kConfigName, FileMode::Input);
  return kStep140;
}

PageGenerator::Step PageGenerator::configurationOpened() {
  errors_.setErrorStep(kNoIni);
  return kGetIni1;
}

PageGenerator::Step PageGenerator::readPageName() {
  // The page name: a value line counts only when more follows it.
  line_ = files_.readLine(kListFile, lineEnds());
  if (errors_.pending()) return kGetIni1;
  warnOfConfigurationLfLineEnds();
  bool at_end = files_.atEndOfFile(kListFile);
  if (errors_.pending() || at_end) return kNoIni;
  if (line_.empty() || line_[0] == '#') return kGetIni1;
  page_name_ = line_;
  return kGetIni2;
}

PageGenerator::Step PageGenerator::readTitle() {
  // The title text: reading past the end fails and ends at NOINI.
  line_ = files_.readLine(kListFile, lineEnds());
  if (errors_.pending()) return kNoIni;
  warnOfConfigurationLfLineEnds();
  if (line_.empty() || line_[0] == '#') return kGetIni2;
  title_ = line_;
  return kNoIni;
}

LineEnds PageGenerator::lineEnds() const {
  return style_ == AreaStyle::kModern ? LineEnds::kCrOrLf : LineEnds::kCr;
}

void PageGenerator::warnOfConfigurationLfLineEnds() {
  if (style_ == AreaStyle::kModern || warned_of_configuration_lf_ ||
      line_.find('\n') == std::string::npos)
    return;
  warned_of_configuration_lf_ = true;
  std::string warning = "kestrel: " + paths_.hostPath(kConfigName) +
                        " has LF line ends, so its lines run together and "
                        "its settings are not taken as written; " +
                        lfLineEndsAdvice("kestrel --modern");
  std::fputs((visible::caretText(warning) + "\n").c_str(), stderr);
  std::fflush(stderr);
}

PageGenerator::Step PageGenerator::closeConfiguration() {
  files_.closeFile(kListFile);
  return kStart;
}

// --- Page building. ---

PageGenerator::Step PageGenerator::beginPage() {
  errors_.setErrorStep(kInterror);
  return kStep1020;
}

PageGenerator::Step PageGenerator::openList() {
  files_.openFile(kListFile, descriptions_ ? kDescriptionsName : kListName,
                  FileMode::Input);
  return kStep1040;
}

PageGenerator::Step PageGenerator::openPage() {
  // The page is written under a hidden name beside it, which another run in
  // this area must not use at the same time: the drive root's lock keeps
  // runs apart from here on where it can be had (where it cannot, the first
  // use of the scratch files reports that).
  (void)holdDriveRoot(drive_lock_, console_, paths_);
  files_.openFile(kPageFile, page_name_, FileMode::Replace);
  if (errors_.pending()) return kSearch;
  writePageLines(page::headLines(title_, area_, style_));
  row_open_ = false;
  directory_flag_ = false;
  return kSearch;
}

PageGenerator::Step PageGenerator::search() {
  bool at_end = files_.atEndOfFile(kListFile);
  return at_end ? kFinished : kStep1060;
}

PageGenerator::Step PageGenerator::readListLine() {
  // Rules 1 to 6 of the list lines decide here, the page itself at 1080,
  // the rest at NOTFILE.
  files_.readLine(kListFile, &line_, lineEnds());
  if (errors_.pending()) return kSearch;
  if (style_ != AreaStyle::kModern) warnOfLfLineEnds();
  if (descriptions_) list_line::dropManagerData(&line_);
  sorted_ = list_line::classify(&line_, page_name_, style_);
  countListLine();
  return sorted_.rule < list_line::kPageRule ? kSearch : kStep1080;
}

void PageGenerator::warnOfLfLineEnds() {
  if (warned_of_lf_ || line_.find('\n') == std::string::npos) return;
  warned_of_lf_ = true;
  std::string warning =
      "kestrel: FILES.BBS has LF line ends, so its lines run together; " +
      lfLineEndsAdvice("kestrel --modern") + "\n";
  std::fputs(warning.c_str(), stderr);
  std::fflush(stderr);
}

void PageGenerator::countListLine() {
  ++list_lines_read_;
  if (!sorted_.for_ampersand) return;
  if (ampersand_lines_++ == 0) first_ampersand_line_ = list_lines_read_;
}

void PageGenerator::warnOfAmpersandLines() {
  if (ampersand_lines_ == 0) return;
  bool one = ampersand_lines_ == 1;
  std::string warning =
      "kestrel: " + std::to_string(ampersand_lines_) +
      (one ? " line of FILES.BBS was left out because it holds \"&\" (line "
           : " lines of FILES.BBS were left out because they hold \"&\" "
             "(the first is line ") +
      std::to_string(first_ampersand_line_) + "); kestrel --modern keeps " +
      (one ? "it" : "them");
  std::fputs((warning + "\n").c_str(), stderr);
  std::fflush(stderr);
  if (console_.hasOutput() && !console_.showsStandardError()) {
    console_.printText(warning);
    console_.newLine();
  }
}

PageGenerator::Step PageGenerator::skipPageItself() {
  return sorted_.rule == list_line::kPageRule ? kSearch : kNotFile;
}

PageGenerator::Step PageGenerator::sortOutLine() {
  switch (sorted_.kind) {
    case list_line::Kind::kSkipped:
      return kSearch;
    case list_line::Kind::kContinuation:
      fragment_ = line_;
      return kAppDesc;
    case list_line::Kind::kEntry:
      break;
  }
  return kStep1100;
}
PageGenerator::Step PageGenerator::closeOpenRow() {
  return row_open_ ? kStep1120 : kEntry;
}

PageGenerator::Step PageGenerator::writeDescriptionCell() {
  // The open row gets its description cell before the next one starts.
  if (!pending_.empty()) rows::blankControlBytes(&pending_, style_);
  writePendingCell();
  if (errors_.pending()) return kEntry;
  pending_.clear();
  releaseIfLong(&pending_);
  row_open_ = false;
  return kEntry;
}

// --- The error step and its report. ---

PageGenerator::Step PageGenerator::handleError() {
  failed_line_ = errors_.errorLine();
  failed_use_ = errors_.failedUse();
  failed_number_ = errors_.takeErrorNumber();
  if (failed_line_ != numberOf(kStep1020) || failed_number_ != kFileNotFound)
    return kStep10000;
  // A modern area without FILES.BBS may describe its files in DESCRIPT.ION,
  // which is then read as it is: no list is made beside it.
  if (style_ == AreaStyle::kModern && !descriptions_tried_) {
    descriptions_tried_ = descriptions_ = true;
    errors_.leaveErrorStep();
    return kStep1020;
  }
  descriptions_ = false;
  // A missing list is made from the directory, once per run.
  if (list_created_) return kStep10000;
  list_created_ = true;
  // A run stopped while it makes the list leaves none, so that the next
  // run makes it again rather than taking a part of it for the whole.
  const std::string list_path = paths_.hostPath(kListName);
  removeOnStop(list_path);
  runScratchBatch({"@cmd /c DIR /B *.* >FILES.BBS"});
  if (!errors_.pending()) {
    in_scratch_ = false;
    if (style_ == AreaStyle::kModern) {
      quoteCreatedList();
    } else {
      dropDirectoryMarkNames();
    }
  }
  keepOnStop(list_path);
  if (errors_.pending()) return kStep10000;
  errors_.leaveErrorStep();
  return kStep1020;
}

void PageGenerator::readCreatedList(std::vector<std::string>* names) {
  files_.openFile(kListFile, kListName, FileMode::Input);
  if (errors_.pending()) return;
  while (!files_.atEndOfFile(kListFile)) {
    names->push_back(files_.readLine(kListFile));
    if (errors_.pending()) return;
  }
  if (errors_.pending()) return;
  files_.closeFile(kListFile);
}

void PageGenerator::writeCreatedList(const std::vector<std::string>& lines) {
  files_.openFile(kListFile, kListName, FileMode::Output);
  if (errors_.pending()) return;
  writeLines(kListFile, lines);
  if (errors_.pending()) return;
  files_.closeFile(kListFile);
}

void PageGenerator::quoteCreatedList() {
  std::vector<std::string> lines;
  readCreatedList(&lines);
  if (errors_.pending()) return;
  for (std::string& line : lines) line = modernListName(line);
  writeCreatedList(lines);
}

void PageGenerator::dropDirectoryMarkNames() {
  std::vector<std::string> names;
  readCreatedList(&names);
  if (errors_.pending()) return;
  std::vector<std::string> kept;
  for (std::string& name : names) {
    if (beginsWithDirectoryMark(name)) {
      reportDirectoryMarkName(name);
    } else {
      kept.push_back(std::move(name));
    }
  }
  if (kept.size() != names.size()) writeCreatedList(kept);
}

PageGenerator::Step PageGenerator::report() {
  // A failure of the finish itself is reported once; then the run ends
  // instead of finishing again.
  reportError(failed_line_, failed_number_);
  errors_.leaveErrorStep();
  return finishing_ ? kJumpOut : kFinished;
}

// --- Finishing. ---

PageGenerator::Step PageGenerator::finish() {
  finishing_ = true;
  // Without a page file there is no page to end.
  if (!files_.isOpen(kPageFile)) return kStep50100;
  // A row whose lookup failed keeps its name cell.
  if (name_line_owed_ && !writeOwedNameLine()) return kStep50100;
  writePendingCell();
  if (errors_.pending()) return kStep50100;
  writePageLines(page::closingLines(dateText(), timeText()));
  return kStep50100;
}

PageGenerator::Step PageGenerator::closeAll() {
  files_.closeAllFiles();
  if (errors_.pending() || !holding_scratch_) return kJumpOut;
  // The scratch files' last contents go to disk with the other files.
  in_scratch_ = true;
  if (ErrorNumber error = releaseScratchFiles()) errors_.fail(error);
  if (!errors_.pending()) in_scratch_ = false;
  return kJumpOut;
}

ErrorNumber PageGenerator::releaseScratchFiles() {
  holding_scratch_ = false;
  paths_.unpin();
  return scratch_.release();
}

PageGenerator::Step PageGenerator::jumpOut() { return kEnd; }

namespace {

// How a report names the file a failure was about, by its file number.
std::string fileRole(const FailedUse& use) {
  if (use.kind == FailedUse::kRun) return "the scratch batch";
  switch (use.file_number) {
    case kListFile:
      return "the list";
    case kPageFile:
      return "the page";
    case kCaptureFile:
      return "the capture";
    case kBatchFile:
      return "the scratch batch";
  }
  return "the file";
}

// "the page 00_INDEX.HTM in /srv/files/UTILS" for a use's host path.
std::string fileAndDirectory(const FailedUse& use, DrivePaths& paths) {
  std::string path = use.host_path;
  if (path.empty() || path[0] != '/') path = paths.absoluteHostPath(path);
  size_t slash = path.rfind('/');
  std::string directory = slash == 0 ? "/" : path.substr(0, slash);
  return fileRole(use) + " " + path.substr(slash + 1) + " in " + directory;
}

}  // namespace

std::vector<std::string> PageGenerator::reportNotes(
    uint16_t line, const std::string& message) const {
  std::vector<std::string> notes;
  const FailedUse& use = failed_use_;
  static constexpr const char* kVerbs[] = {"", "read", "write", "run", ""};
  if (use.kind == FailedUse::kLock) {
    notes.push_back("kestrel: cannot lock the drive root " + use.host_path +
                    ": " + message);
  } else if (use.kind != FailedUse::kNone) {
    notes.push_back(std::string("kestrel: cannot ") + kVerbs[use.kind] + " " +
                    fileAndDirectory(use, paths_) + ": " + message);
  }
  // The report's step is that of FILES.BBS: it says which list it was.
  if (descriptions_ && line == numberOf(kStep1020)) {
    notes.push_back(
        "kestrel: the area has no FILES.BBS, and its DESCRIPT.ION could not "
        "be read");
  }
  // A failure in the drive root may come from a drive root chosen by
  // default.
  std::string hint = in_scratch_ ? paths_.rootHint() : "";
  if (!hint.empty()) notes.push_back("kestrel: " + hint);
  return notes;
}

void PageGenerator::reportError(uint16_t line, int number) {
  reported_ = true;
  std::string message = errorMessage(number);
  std::vector<std::string> notes = reportNotes(line, message);
  bool wait = console_.hasInput();
  if (console_.hasOutput()) {
    console_.newLine();
    console_.beep();
    console_.setColours(14, -1);
    console_.printText(" \xEC Internal Error: Line");
    console_.printNumber(line);
    console_.printText("  Code");
    console_.printNumber(number);
    console_.printText(" = ");
    console_.printText(message);
    console_.newLine();
    for (const std::string& note : notes) {
      console_.printText(note);
      console_.newLine();
    }
    if (wait) console_.printText(" \xEC Press any key ...");
  } else {
    // No console to draw on: the report still reaches standard error, a
    // pipe or a file, with any control byte escaped.
    std::string report =
        visible::caretText(" \u221E Internal Error: Line" + numberText(line) +
                           "  Code" + numberText(number) + " = " + message) +
        "\n";
    for (const std::string& note : notes)
      report += visible::caretText(note) + "\n";
    if (wait) report += " \u221E Press any key ...\n";
    std::fputs(report.c_str(), stderr);
    std::fflush(stderr);
  }
  while (wait && console_.readKey().empty())
    console_.waitForInput(kKeyPollMilliseconds);
}
