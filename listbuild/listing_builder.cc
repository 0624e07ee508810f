// The listing builder's main routine: the table of steps 1 to 8 and one
// function per step. No step stops the run; each statement's failure is taken
// from the error record as it happens so that the first one can be named at
// the end.
#include "listbuild/listing_builder.h"

#include <cstdio>
#include <optional>

#include "listbuild/line_converter.h"
#include "platform/drive_path.h"
#include "runtime/command.h"
#include "runtime/credits.h"
#include "runtime/step_guard.h"
#include "text/list_name.h"
#include "text/visible_text.h"

namespace listbuild {

namespace {

// The capture in the drive root (line_converter.h names it).
const std::string kCaptureFile = "\\" + std::string(kCaptureName);
const std::string kCaptureCommand = "cmd /c dir /x >" + kCaptureFile;
constexpr char kListFile[] = "filesbbs.new";
constexpr char kKeptFile[] = "FILES.BBS";
constexpr int16_t kCaptureNumber = 1;
constexpr int16_t kListNumber = 2;
constexpr int16_t kKeptNumber = 3;

constexpr char kListingWork[] = "Directory listing";
constexpr char kWritingWork[] = "Writing FilesBBS.New";
constexpr char kReadingWork[] = "Reading FILES.BBS";
constexpr char kSuccessMessage[] =
    "Directory successfully output to FilesBBS.New";

}  // namespace

const ListingBuilder::StepRow ListingBuilder::kSteps[] = {
    {1, "banner", &ListingBuilder::showBanner},
    {2, "capture the listing", &ListingBuilder::captureListing},
    {3, "an update reads FILES.BBS", &ListingBuilder::readKeptList},
    {4, "open the capture, then the list", &ListingBuilder::openFiles},
    {5, "one list line per entry", &ListingBuilder::convertLines},
    {6, "close all files", &ListingBuilder::closeFiles},
    {7, "name the listed entries that are gone",
     &ListingBuilder::reportMissingEntries},
    {8, "closing line", &ListingBuilder::showClosingLine},
};

int ListingBuilder::run() {
  for (const StepRow& row : kSteps) {
    // After memory ran out, only the closing line is left to show.
    if (out_of_memory_ && row.perform != &ListingBuilder::showClosingLine)
      continue;
    if (!runGuardedStep(errors_, [&] { (this->*row.perform)(); })) {
      out_of_memory_ = true;
      noteFailure(kListingWork);
    }
    // A failure that leaves the run's own memory in doubt ends the run
    // here: no step after it runs, not even the closing line.
    if (errors_.fatal()) return 1;
  }
  return failure_.empty() ? 0 : 1;
}

void ListingBuilder::showBanner() {
  console_.printText(std::string("WAGTAILS v") + credits::kWagtailsVersion +
                     "  " + credits::kAuthorNotice);
  console_.newLine();
}

void ListingBuilder::captureListing() {
  // The listing of the current directory goes to the drive root, which no
  // other run uses meanwhile.
  if (ErrorNumber error = holdDriveRoot(drive_lock_, console_, paths_)) {
    drive_root_failed_ = true;
    keepFailure(kListingWork,
                errorMessage(error) + " in the drive root " + paths_.root());
    return;
  }
  dir_exit_code_ = runCommand(errors_, commands_, paths_, kCaptureCommand);
  listed_ = noteFailure(kListingWork) == 0 && dir_exit_code_ == 0;
  if (!listed_ && !errors_.fatal()) findWhyNotListed();
}

void ListingBuilder::readKeptList() {
  // Read whole before the new list is opened, so that a list that cannot be
  // read costs no earlier filesbbs.new.
  if (!update_ || !listed_) return;
  files_.openFile(kKeptNumber, kKeptFile, FileMode::Input);
  int number = errors_.takeErrorNumber();
  if (number == kFileNotFound) return;  // no list yet: a plain listing
  if (number != 0) {
    kept_unread_ = true;
    keepFailure(kReadingWork, errorMessage(number));
    return;
  }
  kept_.emplace(style_);
  LineEnds ends =
      style_ == AreaStyle::kModern ? LineEnds::kCrOrLf : LineEnds::kCr;
  std::string line, line_end;
  while (!kept_unread_ && !files_.atEndOfFile(kKeptNumber)) {
    files_.readLine(kKeptNumber, &line, ends, &line_end);
    if (noteFailure(kReadingWork) != 0) kept_unread_ = true;
    if (!kept_unread_) kept_->addLine(line, line_end);
  }
  // A read failure met by the end-of-file test, or at the close.
  if (noteFailure(kReadingWork) != 0) kept_unread_ = true;
  files_.closeFile(kKeptNumber);
  if (noteFailure(kReadingWork) != 0) kept_unread_ = true;
  if (!kept_unread_ && kept_->hasLfInLine()) warnOfLfLineEnds();
}

void ListingBuilder::openFiles() {
  // A capture that the command did not write this time is an earlier run's,
  // maybe of another directory: it is not read, and the list is only opened
  // (and so emptied) when there is a fresh capture to fill it from.
  files_.openFile(kCaptureNumber, kCaptureFile, FileMode::Input);
  noteFailure(kListingWork);
  if (files_.isOpen(kCaptureNumber) && !listed_) {
    files_.closeFile(kCaptureNumber);
    noteFailure(kListingWork);
    keepFailure(kListingWork, "the dir command ended with exit code " +
                                  std::to_string(dir_exit_code_));
  }
  if (!files_.isOpen(kCaptureNumber) || kept_unread_) return;
  // The new list takes the old one's place only when it is whole: its
  // lines go to the system in blocks, as nobody reads it before.
  files_.openFile(kListNumber, kListFile, FileMode::Replace);
  if (files_.isOpen(kListNumber)) files_.gatherWrites(kListNumber);
  noteFailure(kWritingWork);
}

void ListingBuilder::convertLines() {
  bool converting = files_.isOpen(kCaptureNumber) && files_.isOpen(kListNumber);
  if (converting && kept_) {
    files_.writeText(kListNumber, kept_->bytes());
    noteFailure(kWritingWork);
  }
  // A failure that ends the run stops the conversion at once.
  while (converting && !errors_.fatal() &&
         !files_.atEndOfFile(kCaptureNumber)) {
    std::string line = files_.readLine(kCaptureNumber);
    if (noteFailure(kListingWork) != 0) break;
    std::optional<std::string> list_line = listLine(line);
    if (!list_line || !addsEntry(*list_line)) continue;
    files_.writeLine(kListNumber, {*list_line});
    noteFailure(kWritingWork);
  }
  noteFailure(kListingWork);  // a read failure met by the end-of-file test
  // The last block goes out in this step, which a failure there names.
  if (converting) {
    files_.flush(kListNumber);
    noteFailure(kWritingWork);
  }
}

std::optional<std::string> ListingBuilder::listLine(
    std::string_view capture_line) {
  if (style_ == AreaStyle::kModern) return modernListLineFor(capture_line);
  std::string left_out;
  std::optional<std::string> line = listLineFor(capture_line, &left_out);
  if (!left_out.empty()) reportDirectoryMarkName(left_out);
  return line;
}

bool ListingBuilder::addsEntry(std::string_view list_line) {
  if (!kept_) return true;
  if (kept_->holds(list_line)) return false;
  std::optional<std::string> name = namedEntry(list_line, style_);
  if (name && isNeverAdded(*name)) return false;
  ++added_;
  return true;
}

void ListingBuilder::closeFiles() {
  files_.closeAllFiles();
  noteFailure(kWritingWork);
}

void ListingBuilder::reportMissingEntries() {
  // Only a listing read whole tells which entries are gone.
  if (!kept_ || !failure_.empty()) return;
  for (const std::string& name : kept_->missingEntries()) {
    std::fprintf(stderr, "Listed, but not in the directory: %s\n",
                 visible::caretText(name).c_str());
    ++missing_;
  }
  std::fflush(stderr);
}

void ListingBuilder::warnOfLfLineEnds() {
  std::string warning =
      "wagtails: FILES.BBS has LF line ends, so kestrel reads its lines as "
      "one; " +
      lfLineEndsAdvice("wagtails --update --modern") + "\n";
  std::fputs(warning.c_str(), stderr);
  std::fflush(stderr);
}

void ListingBuilder::findWhyNotListed() {
  files_.openFile(kCaptureNumber, kCaptureFile, FileMode::Rewrite);
  int number = errors_.takeErrorNumber();
  if (number == 0) {
    files_.writeLineEnd(kCaptureNumber);
    // After a failure that ends the run the capture is left as it is, not
    // cut at its close.
    if (errors_.fatal()) return;
    files_.closeFile(kCaptureNumber);
    number = errors_.takeErrorNumber();
  }
  if (number == 0) return;
  drive_root_failed_ = true;
  keepFailure(kListingWork,
              errorMessage(number) + " in the drive root " + paths_.root());
}

int ListingBuilder::noteFailure(const char* what) {
  int number = errors_.takeErrorNumber();
  if (number != 0) keepFailure(what, errorMessage(number));
  return number;
}

void ListingBuilder::keepFailure(const char* what, const std::string& reason) {
  if (failure_.empty()) failure_ = std::string(what) + " failed: " + reason;
}

std::string ListingBuilder::updateCounts() const {
  return std::to_string(added_) +
         (added_ == 1 ? " new entry, " : " new entries, ") +
         std::to_string(missing_) +
         (missing_ == 1 ? " listed entry not in the directory"
                        : " listed entries not in the directory");
}

void ListingBuilder::showClosingLine() {
  if (failure_.empty()) {
    console_.printText(kept_ ? updateCounts() : kSuccessMessage);
    console_.newLine();
    return;
  }
  std::string hint = drive_root_failed_ ? paths_.rootHint() : "";
  if (!hint.empty()) hint = "wagtails: " + hint;
  for (const std::string& line : {failure_, hint}) {
    if (line.empty()) continue;
    if (console_.hasOutput()) {
      console_.printText(line);
      console_.newLine();
    } else {
      // A run with nobody watching (scheduled, redirected) still leaves its
      // failure where it will be seen, any control byte in it escaped.
      std::fprintf(stderr, "%s\n", visible::caretText(line).c_str());
    }
  }
}

}  // namespace listbuild
