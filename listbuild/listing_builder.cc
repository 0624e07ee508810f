// The listing builder's main routine: the table of steps 1 to 6 and one
// function per step. No step stops the run; each statement's failure is taken
// from the error record as it happens so that the first one can be named at
// the end.
#include "listbuild/listing_builder.h"

#include <cstdio>
#include <new>
#include <optional>

#include "listbuild/line_converter.h"
#include "services/command.h"
#include "services/credits.h"
#include "services/drive_path.h"
#include "services/list_name.h"
#include "services/visible_text.h"

namespace listbuild {

namespace {

constexpr char kCaptureCommand[] = "cmd /c dir /x >\\$lvtr$.txt";
constexpr char kCaptureFile[] = "\\$lvtr$.txt";
constexpr char kListFile[] = "filesbbs.new";
constexpr int16_t kCaptureNumber = 1;
constexpr int16_t kListNumber = 2;

constexpr char kListingWork[] = "Directory listing";
constexpr char kWritingWork[] = "Writing FilesBBS.New";
constexpr char kSuccessMessage[] =
    "Directory successfully output to FilesBBS.New";

}  // namespace

const ListingBuilder::StepRow ListingBuilder::kSteps[] = {
    {1, "banner", &ListingBuilder::showBanner},
    {2, "capture the listing", &ListingBuilder::captureListing},
    {3, "open the capture, then the list", &ListingBuilder::openFiles},
    {4, "one list line per entry", &ListingBuilder::convertLines},
    {5, "close all files", &ListingBuilder::closeFiles},
    {6, "closing line", &ListingBuilder::showClosingLine},
};

int ListingBuilder::run() {
  for (const StepRow& row : kSteps) {
    // After memory ran out, only the closing line is left to show.
    if (out_of_memory_ && row.perform != &ListingBuilder::showClosingLine)
      continue;
    try {
      (this->*row.perform)();
    } catch (const std::bad_alloc&) {
      out_of_memory_ = true;
      errors_.fail(kOutOfMemory);
      noteFailure(kListingWork);
    }
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
  if (ErrorNumber error = holdDriveRoot(drive_lock_, console_)) {
    drive_root_failed_ = true;
    keepFailure(kListingWork,
                errorMessage(error) + " in the drive root " + driveRoot());
    return;
  }
  dir_exit_code_ = runCommand(errors_, files_.os(), kCaptureCommand);
  listed_ = noteFailure(kListingWork) == 0 && dir_exit_code_ == 0;
  if (!listed_) findWhyNotListed();
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
  if (!files_.isOpen(kCaptureNumber)) return;
  // The new list takes the old one's place only when it is whole.
  files_.openFile(kListNumber, kListFile, FileMode::Replace);
  noteFailure(kWritingWork);
}

void ListingBuilder::convertLines() {
  bool converting = files_.isOpen(kCaptureNumber) && files_.isOpen(kListNumber);
  while (converting && !files_.atEndOfFile(kCaptureNumber)) {
    std::string line = files_.readLine(kCaptureNumber);
    if (noteFailure(kListingWork) != 0) break;
    std::optional<std::string> list_line = listLine(line);
    if (!list_line) continue;
    files_.writeLine(kListNumber, {*list_line});
    noteFailure(kWritingWork);
  }
  noteFailure(kListingWork);  // a read failure met by the end-of-file test
}

std::optional<std::string> ListingBuilder::listLine(
    std::string_view capture_line) {
  if (style_ == AreaStyle::kModern) return modernListLineFor(capture_line);
  std::string left_out;
  std::optional<std::string> line = listLineFor(capture_line, &left_out);
  if (!left_out.empty()) reportDirectoryMarkName(left_out);
  return line;
}

void ListingBuilder::closeFiles() {
  files_.closeAllFiles();
  noteFailure(kWritingWork);
}

void ListingBuilder::findWhyNotListed() {
  files_.openFile(kCaptureNumber, kCaptureFile, FileMode::Rewrite);
  int number = errors_.takeErrorNumber();
  if (number == 0) {
    files_.writeLineEnd(kCaptureNumber);
    files_.closeFile(kCaptureNumber);
    number = errors_.takeErrorNumber();
  }
  if (number == 0) return;
  drive_root_failed_ = true;
  keepFailure(kListingWork,
              errorMessage(number) + " in the drive root " + driveRoot());
}

int ListingBuilder::noteFailure(const char* what) {
  int number = errors_.takeErrorNumber();
  if (number != 0) keepFailure(what, errorMessage(number));
  return number;
}

void ListingBuilder::keepFailure(const char* what, const std::string& reason) {
  if (failure_.empty()) failure_ = std::string(what) + " failed: " + reason;
}

void ListingBuilder::showClosingLine() {
  if (failure_.empty()) {
    console_.printText(kSuccessMessage);
    console_.newLine();
    return;
  }
  std::string hint = drive_root_failed_ ? driveRootHint() : "";
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
