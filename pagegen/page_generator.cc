// The run of the index page generator, one case per step. Each statement
// that can fail is followed by `failed(&step)`, which hands control to the
// error step in force; the section comments name the one in force.
#include "pagegen/page_generator.h"

#include <cstdio>

#include "pagegen/list_reader.h"
#include "pagegen/page_frame.h"
#include "services/clock.h"
#include "services/command.h"
#include "services/credits.h"
#include "services/text.h"
#include "services/visible_text.h"

namespace {

constexpr int16_t kListFile = 1;  // also the configuration file before it
constexpr int16_t kPageFile = 2;
constexpr int16_t kCaptureFile = 3;
constexpr int16_t kBatchFile = 4;

constexpr char kConfigName[] = "\\KESTREL.INI";
constexpr char kListName[] = "FILES.BBS";
constexpr char kBatchName[] = "\\$DIR$.BAT";
constexpr char kCaptureName[] = "\\$DIR$";
// A capture's first entry line follows its five header lines.
constexpr int kCaptureLinesRead = 6;
// How long one wait for a key sleeps before it looks again.
constexpr int kKeyPollMilliseconds = 100;

}  // namespace

bool PageGenerator::failed(Step* next) {
  if (!errors_.checkError()) return false;
  *next = static_cast<Step>(errors_.errorStep());
  return true;
}

void PageGenerator::writePageLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    files_.writeText(kPageFile, line);
    files_.writeLineEnd(kPageFile);
    if (errors_.pending()) return;
  }
}

int PageGenerator::run() {
  Step step = kStep20;
  for (;;) {
    switch (step) {
      // --- Configuration: no error step, then START, then NOINI. ---
      case kStep20:
        errors_.enterStep(20);
        title_ = " ";
        page_name_ = "00_INDEX.HTM";
        area_ = commandTail();
        console_.printText(std::string("KESTREL v2.0  ") +
                           credits::kAuthorNotice + "  Args=[" + commandTail() +
                           "] ");
        console_.newLine();
        step = kStep40;
        break;

      case kStep40:
        errors_.enterStep(40);
        step = kCmdFix;
        break;

      case kCmdFix:
        // Backslashes in the area text become slashes, one at a time.
        errors_.enterLabel("CMDFIX");
        if (long at = text::find(area_, "\\")) {
          area_[at - 1] = '/';
          step = kCmdFix;
          break;
        }
        step = kStep100;
        break;

      case kStep100:
        errors_.enterStep(100);
        errors_.setErrorStep(kStart);
        step = kStep120;
        break;

      case kStep120:
        errors_.enterStep(120);
        files_.openFile(kListFile, kConfigName, FileMode::Input);
        if (failed(&step)) break;
        step = kStep140;
        break;

      case kStep140:
        errors_.enterStep(140);
        errors_.setErrorStep(kNoIni);
        step = kGetIni1;
        break;

      case kGetIni1: {
        // The page name: a value line counts only when more follows it.
        errors_.enterLabel("GETINI1");
        line_ = files_.readLine(kListFile);
        if (failed(&step)) break;
        bool at_end = files_.atEndOfFile(kListFile);
        if (failed(&step)) break;
        if (at_end) {
          step = kNoIni;
          break;
        }
        if (line_.empty() || line_[0] == '#') {
          step = kGetIni1;
          break;
        }
        page_name_ = line_;
        step = kGetIni2;
        break;
      }

      case kGetIni2:
        // The title text: reading past the end fails and ends at NOINI.
        errors_.enterLabel("GETINI2");
        line_ = files_.readLine(kListFile);
        if (failed(&step)) break;
        if (line_.empty() || line_[0] == '#') {
          step = kGetIni2;
          break;
        }
        title_ = line_;
        step = kNoIni;
        break;

      case kNoIni:
        errors_.enterLabel("NOINI");
        files_.closeFile(kListFile);
        if (failed(&step)) break;
        step = kStart;
        break;

      // --- Page building: INTERROR takes every failure from here on. ---
      case kStart:
        errors_.enterLabel("START");
        errors_.enterStep(1000);
        errors_.setErrorStep(kInterror);
        step = kStep1020;
        break;

      case kStep1020:
        errors_.enterStep(1020);
        files_.openFile(kListFile, kListName, FileMode::Input);
        if (failed(&step)) break;
        step = kStep1040;
        break;

      case kStep1040:
        errors_.enterStep(1040);
        files_.openFile(kPageFile, page_name_, FileMode::Output);
        if (failed(&step)) break;
        writePageLines(page::headLines(title_, area_));
        if (failed(&step)) break;
        row_open_ = false;
        directory_flag_ = false;
        step = kSearch;
        break;

      case kSearch: {
        errors_.enterLabel("SEARCH");
        bool at_end = files_.atEndOfFile(kListFile);
        if (failed(&step)) break;
        step = at_end ? kFinished : kStep1060;
        break;
      }

      case kStep1060:
        // Rules 1 to 6 of the list lines.
        errors_.enterStep(1060);
        line_ = files_.readLine(kListFile);
        if (failed(&step)) break;
        if (list_line::isBlankOrComment(line_)) {
          step = kSearch;
          break;
        }
        list_line::dropDirectoryMark(&line_);
        step = list_line::isUnusable(line_) ? kSearch : kStep1080;
        break;

      case kStep1080:
        // Rule 7: the page itself.
        errors_.enterStep(1080);
        step = line_ == page_name_ ? kSearch : kNotFile;
        break;

      case kNotFile:
        // Rules 8 to 11: other index files, dot names, continuations and
        // finally entries.
        errors_.enterLabel("NOTFILE");
        if (list_line::isReservedName(line_) || list_line::isDotName(line_)) {
          step = kSearch;
        } else if (list_line::isContinuation(line_)) {
          fragment_ = line_;
          step = kAppDesc;
        } else {
          step = kStep1100;
        }
        break;

      case kStep1100:
        errors_.enterStep(1100);
        step = row_open_ ? kStep1120 : kEntry;
        break;

      case kStep1120:
        // The open row gets its description cell before the next one starts.
        errors_.enterStep(1120);
        if (!pending_.empty()) rows::blankControlBytes(&pending_);
        writePageLines({rows::descriptionCell(pending_)});
        if (failed(&step)) break;
        pending_.clear();
        row_open_ = false;
        step = kEntry;
        break;

      case kEntry: {
        // The split of the entry line and the choice of the row form.
        list_line::Entry entry = list_line::splitEntry(line_);
        name_ = entry.name;
        description_ = entry.description;
        if (!rows::isLongName(name_)) {
          step = kOkLfn;
          break;
        }
        writePageLines({rows::longNameLine(name_), rows::longNameSizeLine()});
        if (failed(&step)) break;
        fragment_ = rows::longNameFragment(name_);
        step = kAppDesc;
        break;
      }

      case kOkLfn:
        // The lookup: a scratch batch lists this one name into the capture.
        errors_.enterLabel("OKLFN");
        writePageLines({rows::nameLine(name_)});
        if (failed(&step)) break;
        files_.openFile(kBatchFile, kBatchName, FileMode::Output);
        if (failed(&step)) break;
        files_.writeText(kBatchFile, "@del \\$DIR$");
        files_.writeLineEnd(kBatchFile);
        if (failed(&step)) break;
        files_.writeText(kBatchFile, "@cmd /c DIR /X " + name_ + " >\\$DIR$");
        files_.writeLineEnd(kBatchFile);
        if (failed(&step)) break;
        files_.closeFile(kBatchFile);
        if (failed(&step)) break;
        runCommand(errors_, kBatchName);
        if (failed(&step)) break;
        files_.openFile(kCaptureFile, kCaptureName, FileMode::Input);
        if (failed(&step)) break;
        cells_ = rows::notFoundCells();
        step = kFindIt;
        break;

      case kFindIt:
        // The first entry line of the capture decides the row. A capture
        // without any line shows nothing, so the entry is not found.
        errors_.enterLabel("FINDIT");
        capture_line_.clear();
        for (int i = 0; i < kCaptureLinesRead; ++i) {
          if (files_.atEndOfFile(kCaptureFile) || errors_.pending()) break;
          capture_line_ = files_.readLine(kCaptureFile);
          if (errors_.pending()) break;
        }
        if (failed(&step)) break;
        files_.closeFile(kCaptureFile);
        if (failed(&step)) break;
        cells_ = rows::cellsFromCapture(capture_line_, name_);
        directory_flag_ = cells_.directory;
        step = kGo4It;
        break;

      case kGo4It:
        errors_.enterLabel("GO4IT");
        writePageLines({rows::dateSizeLine(rows::markTimeGap(cells_.date),
                                           cells_.size, directory_flag_)});
        if (failed(&step)) break;
        fragment_ = description_;
        step = kAppDesc;
        break;

      case kAppDesc:
        errors_.enterLabel("APPDESC");
        pending_ += ' ';
        pending_ += rows::cleanFragment(fragment_);
        row_open_ = true;
        directory_flag_ = false;
        step = kSearch;
        break;

      // --- The error step. ---
      case kInterror:
        errors_.enterLabel("INTERROR");
        failed_line_ = errors_.errorLine();
        failed_number_ = errors_.takeErrorNumber();
        // A missing list is made from the directory, once per run.
        if (failed_line_ == 1020 && failed_number_ == kFileNotFound &&
            !list_created_) {
          list_created_ = true;
          files_.openFile(kBatchFile, kBatchName, FileMode::Output);
          if (failed(&step)) break;
          files_.writeText(kBatchFile, "@cmd /c DIR /B *.* >FILES.BBS");
          files_.writeLineEnd(kBatchFile);
          if (failed(&step)) break;
          files_.closeFile(kBatchFile);
          if (failed(&step)) break;
          runCommand(errors_, kBatchName);
          if (failed(&step)) break;
          errors_.leaveErrorStep();
          step = kStep1020;
          break;
        }
        step = kStep10000;
        break;

      case kStep10000:
        // The error report and the wait for a key. A failure of the finish
        // itself is reported once; then the run ends instead of finishing
        // again.
        errors_.enterStep(10000);
        reportError(failed_line_, failed_number_);
        errors_.leaveErrorStep();
        step = finishing_ ? kJumpOut : kFinished;
        break;

      // --- Finishing. ---
      case kFinished:
        errors_.enterLabel("FINISHED");
        errors_.enterStep(50000);
        finishing_ = true;
        // Without a page file there is no page to end.
        if (files_.isOpen(kPageFile)) {
          writePageLines(page::tailLines(pending_, dateText(), timeText()));
          if (failed(&step)) break;
        }
        step = kStep50100;
        break;

      case kStep50100:
        errors_.enterStep(50100);
        files_.closeAllFiles();
        if (failed(&step)) break;
        step = kJumpOut;
        break;

      case kJumpOut:
        errors_.enterLabel("JUMPOUT");
        return reported_ ? 1 : 0;
    }
  }
}

void PageGenerator::reportError(uint16_t line, int number) {
  reported_ = true;
  std::string message = errorMessage(number);
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
    if (wait) console_.printText(" \xEC Press any key ...");
  } else {
    // No console to draw on: the report still reaches standard error, a
    // pipe or a file, with any control byte escaped.
    std::string report =
        visible::caretText(" \u221E Internal Error: Line" + numberText(line) +
                           "  Code" + numberText(number) + " = " + message) +
        "\n";
    if (wait) report += " \u221E Press any key ...\n";
    std::fputs(report.c_str(), stderr);
    std::fflush(stderr);
  }
  while (wait && console_.readKey().empty())
    console_.waitForInput(kKeyPollMilliseconds);
}
