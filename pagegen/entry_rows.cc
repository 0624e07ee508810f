// The page generator's rows: the split of an entry line, the choice of the
// row form, the lookup of its name through the scratch batch (or the
// shortcut the host shell offers for it) and the capture's line, the date
// and size cells, and the gathering of the description.
#include <string>
#include <utility>
#include <vector>

#include "pagegen/page_files.h"
#include "pagegen/page_generator.h"
#include "runtime/command.h"
#include "text/list_line.h"
#include "text/text.h"
#include "text/visible_text.h"

using namespace page_files;

bool PageGenerator::holdScratchFiles() {
  in_scratch_ = true;
  if (ErrorNumber error = holdDriveRoot(drive_lock_, console_, paths_)) {
    errors_.fail(error, FailedUse{FailedUse::kLock, 0, paths_.root()});
    return false;
  }
  // While this run holds the drive root, its scratch files are held in
  // memory from one lookup to the next and go to disk at the end.
  if (drive_lock_.held() && !holding_scratch_) {
    batch_path_ = paths_.hostPath(kBatchName);
    capture_path_ = paths_.hostPath(kCaptureName);
    scratch_.hold({batch_path_, capture_path_});
    paths_.pin();
    holding_scratch_ = true;
  }
  return true;
}

void PageGenerator::runScratchBatch(const std::vector<std::string>& lines) {
  if (holdScratchFiles()) writeAndRunBatch(lines);
}

LookupShortcut::Result PageGenerator::runLookupBatch(
    const std::vector<std::string>& lines) {
  // Where the host shell can run the batch in process, it is not read back
  // and the capture need not be opened; where it can hold it too, it is not
  // written either. One too long to hold is written first.
  using Result = LookupShortcut::Result;
  LookupBatch batch{kBatchName,    batch_path_,       lines,
                    kCaptureName,  capture_path_,     kCaptureLinesRead};
  Result taken = Result::kNotTaken;
  if (holding_scratch_)
    taken = takeLookupShortcut(errors_, lookups_, paths_, batch, &capture_line_);
  if (taken == Result::kRan || taken == Result::kLineRead) return taken;
  writeBatch(lines);
  if (errors_.pending()) return Result::kNotTaken;
  if (taken == Result::kWriteFirst) {
    batch.written = true;
    taken = takeLookupShortcut(errors_, lookups_, paths_, batch, &capture_line_);
  }
  if (taken == Result::kNotTaken || taken == Result::kWriteFirst)
    runCommand(errors_, commands_, paths_, kBatchName);
  return taken;
}

void PageGenerator::writeAndRunBatch(const std::vector<std::string>& lines) {
  writeBatch(lines);
  if (!errors_.pending()) runCommand(errors_, commands_, paths_, kBatchName);
}

void PageGenerator::writeBatch(const std::vector<std::string>& lines) {
  // The batch is this run's own while it holds the drive root.
  files_.openFile(kBatchFile, kBatchName, FileMode::Rewrite);
  if (errors_.pending()) return;
  // The batch is a few short lines: one write hands them all over. Lines
  // too long to be put together first go one by one.
  size_t size = 0;
  for (const std::string& line : lines) size += line.size() + 2;
  if (size <= kWholeBatchLimit) {
    std::string text;
    text.reserve(size);
    for (const std::string& line : lines) text.append(line).append("\r\n");
    files_.writeText(kBatchFile, text);
  } else {
    writeLines(kBatchFile, lines);
  }
  if (errors_.pending()) return;
  files_.closeFile(kBatchFile);
}

void PageGenerator::releaseIfLong(std::string* text) {
  // A very long name's room goes with it, not kept for the next entry.
  if (text->capacity() > kWholeLineLimit) std::string().swap(*text);
}

PageGenerator::Step PageGenerator::startRow() {
  // The split of the entry line and the choice of the row form. The line's
  // text moves on rather than being copied: it may be long.
  list_line::Entry entry = list_line::splitEntry(std::move(line_), style_);
  name_ = std::move(entry.name);
  description_ = std::move(entry.description);
  disk_name_.clear();
  case_tried_ = false;
  if (case_index_read_ && mayTryOtherCase()) takeDiskName();
  // The modern style looks up names of any length.
  if (style_ == AreaStyle::kModern || !rows::isLongName(name_)) return kOkLfn;
  page_line_ = rows::longNameLine(name_);
  if (writePageLine(page_line_)) writePageLine(rows::longNameSizeLine());
  releaseIfLong(&page_line_);
  if (errors_.pending()) return kAppDesc;
  // The fragment is the name as a link, made where it is appended: a long
  // name is not held once more for it.
  fragment_.clear();
  fragment_is_name_link_ = true;
  return kAppDesc;
}

PageGenerator::Step PageGenerator::lookUpEntry() {
  // The lookup: a scratch batch lists this one name into the capture. A
  // modern row's name cell waits for it, as the entry may be found in
  // another case, and its link then leads to the name on disk.
  if (style_ == AreaStyle::kModern) {
    name_line_owed_ = true;
  } else if (!writeNameLine(name_)) {
    return kFindIt;
  }
  capture_line_read_ = false;
  std::vector<std::string>& batch = batch_lines_;
  batch.resize(2);
  if (batch[0].empty()) batch[0].assign("@del ").append(kCaptureName);
  // Room for the whole line at once: a very long name is not copied to grow.
  batch[1].reserve(lookupName().size() + 64);
  batch[1].assign("@cmd /c DIR /X ");
  appendLookupWord(lookupName(), &batch[1]);
  batch[1].append(" >").append(kCaptureName);
  if (!holdScratchFiles()) return kFindIt;
  LookupShortcut::Result taken = runLookupBatch(batch);
  releaseIfLong(&batch[1]);
  if (errors_.pending()) return kFindIt;
  capture_line_read_ = taken == LookupShortcut::Result::kLineRead;
  if (!capture_line_read_)
    files_.openFile(kCaptureFile, kCaptureName, FileMode::Input);
  if (errors_.pending()) return kFindIt;
  cells_ = rows::notFoundCells();
  return kFindIt;
}

void PageGenerator::appendLookupWord(const std::string& name,
                                     std::string* line) const {
  // In the modern style every name stands in double quotes, so that its
  // blanks and an "&" stay part of it. Otherwise only a name holding "*" or
  // "?" does: the built-in interpreter then looks up that one entry, never
  // a pattern that lists other files. Every other lookup line stays bare.
  bool quote = style_ == AreaStyle::kModern ||
               text::findEither(name, '*', '?') != std::string::npos;
  if (quote) line->push_back('"');
  line->append(name);
  if (quote) line->push_back('"');
}

PageGenerator::Step PageGenerator::readCapture() {
  // The first entry line of the capture decides the row. A capture without
  // any line shows nothing, so the entry is not found.
  if (!capture_line_read_) {
    capture_line_.clear();
    for (int i = 0; i < kCaptureLinesRead; ++i) {
      if (files_.atEndOfFile(kCaptureFile) || errors_.pending()) break;
      files_.readLine(kCaptureFile, &capture_line_);
      if (errors_.pending()) break;
    }
    if (errors_.pending()) return kGo4It;
    files_.closeFile(kCaptureFile);
    if (errors_.pending()) return kGo4It;
  }
  in_scratch_ = false;
  cells_ = rows::cellsFromCapture(capture_line_, lookupName(), style_);
  directory_flag_ = cells_.directory;
  return !cells_.found && mayTryOtherCase() ? kOtherCase : kGo4It;
}

bool PageGenerator::mayTryOtherCase() const {
  // A name holding a backslash is a path inside the drive root, looked up
  // as written only.
  return style_ == AreaStyle::kModern && !case_tried_ &&
         name_.find_first_of("\\/") == std::string::npos;
}

void PageGenerator::takeDiskName() {
  case_tried_ = true;
  const std::string* found = case_index_.find(name_);
  if (found != nullptr && *found != name_) disk_name_ = *found;
}

PageGenerator::Step PageGenerator::lookUpOtherCase() {
  // Lists in DOS areas often name files in another case than the disk
  // holds them. The first entry not found as written reads the area's
  // names; from then on each entry is looked up by its name on disk. The
  // names were listed into the capture, so this entry's lookup runs again
  // either way: its row and the scratch files are those of the entry found.
  readCaseIndex();
  if (errors_.pending()) return kGo4It;
  takeDiskName();
  return kOkLfn;
}

void PageGenerator::readCaseIndex() {
  case_index_read_ = true;
  runScratchBatch({std::string("@del ") + kCaptureName,
                   std::string("@cmd /c DIR /B *.* >") + kCaptureName});
  if (errors_.pending()) return;
  files_.openFile(kCaptureFile, kCaptureName, FileMode::Input);
  if (errors_.pending()) return;
  std::string name;
  while (!files_.atEndOfFile(kCaptureFile) && !errors_.pending()) {
    files_.readLine(kCaptureFile, &name);
    if (errors_.pending()) return;
    case_index_.add(name);
  }
  if (errors_.pending()) return;
  files_.closeFile(kCaptureFile);
  if (!errors_.pending()) in_scratch_ = false;
}

bool PageGenerator::writeOwedNameLine() {
  name_line_owed_ = false;
  return writeNameLine(lookupName());
}

bool PageGenerator::writeNameLine(const std::string& target) {
  if (name_.size() + target.size() <= kWholeLineLimit) {
    rows::nameLine(name_, target, style_, &page_line_);
    return writeMadeLine();
  }
  // A very long name goes out a piece at a time, as one line: it is never
  // held twice over.
  std::string().swap(page_line_);
  rows::nameLine(name_, target, style_, [this](std::string_view piece) {
    if (!errors_.pending()) files_.writeText(kPageFile, piece);
  });
  if (!errors_.pending()) files_.writeLineEnd(kPageFile);
  return !errors_.pending();
}

PageGenerator::Step PageGenerator::writeDateAndSize() {
  if (name_line_owed_ && !writeOwedNameLine()) return kAppDesc;
  rows::dateSizeLine(cells_.date, cells_.size, directory_flag_, &page_line_);
  if (!writeMadeLine()) return kAppDesc;
  fragment_ = std::move(description_);
  return kAppDesc;
}

PageGenerator::Step PageGenerator::appendDescription() {
  pending_ += ' ';
  // A page that declares UTF-8 gets each list line's text as UTF-8, read
  // as CP437 when it is not UTF-8 already. A long name's link has no blank
  // at either end and is no rule: cleaning leaves it as it is.
  if (fragment_is_name_link_) {
    rows::appendLongNameFragment(name_, &pending_);
  } else if (style_ == AreaStyle::kModern) {
    visible::appendUtf8Text(rows::cleanFragment(fragment_), &pending_);
  } else {
    pending_ += rows::cleanFragment(fragment_);
  }
  fragment_is_name_link_ = false;
  row_open_ = true;
  directory_flag_ = false;
  // The entry is done with: a very long one's texts go.
  for (std::string* text : {&name_, &disk_name_, &fragment_, &page_line_})
    releaseIfLong(text);
  return kSearch;
}
