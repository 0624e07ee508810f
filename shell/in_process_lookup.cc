// A lookup run in process. The batch is read from its lines in hand, as the
// interpreter reads a batch file that holds them; where it is a lookup of
// one name whose capture the overlay holds, its DIR is listed in memory
// and the capture put in place whole. Where the batch fits in memory it is
// put in place here too; a longer one the caller writes first. Every check
// that can send the lookup the whole way comes before the first change.
#include "shell/in_process_lookup.h"

#include <utility>

#include "runtime/file_table.h"

LookupShortcut::Result InProcessLookup::lookUp(const LookupBatch& batch,
                                               std::string* line) {
  if (batch.written) return prepare(batch) ? finish(batch, line)
                                           : Result::kNotTaken;
  size_t size = 0;
  for (const std::string& batch_line : batch.lines)
    size += batch_line.size() + 2;
  // A batch too long to hold is the caller's to write.
  if (size > ScratchOverlay::kLargestHeld) return Result::kWriteFirst;
  text_.clear();
  for (const std::string& batch_line : batch.lines)
    text_.append(batch_line).append("\r\n");
  if (!overlay_.reserveInMemory(batch.batch_path, text_.size()) ||
      !prepare(batch) || !overlay_.replaceInMemory(batch.batch_path, &text_)) {
    return Result::kNotTaken;
  }
  return finish(batch, line);
}

bool InProcessLookup::prepare(const LookupBatch& batch) {
  // The batch removes the capture and makes it anew: the capture is looked
  // at first, as removing it does. A DIR that meets a scratch file sees it
  // as the batch leaves it, not as it is now: it goes the whole way.
  uint64_t held_answers = overlay_.heldAnswers();
  if (!overlay_.mayMakeAnew(batch.capture_path, &capture_exists_) ||
      !interpreter_.prepareLookup(batch.lines, may_defer_, &prepared_) ||
      prepared_.output != batch.capture_name ||
      overlay_.heldAnswers() != held_answers) {
    return false;
  }
  const OneNameListing& listing = prepared_.listing;
  size_t size = listing.text.size() + (listing.ending ? listing.ending_room : 0);
  return overlay_.reserveInMemory(batch.capture_path, size);
}

LookupShortcut::Result InProcessLookup::finish(const LookupBatch& batch,
                                               std::string* line) {
  OneNameListing& listing = prepared_.listing;
  // A capture that is not there yet is not removed: the "del" says so. It
  // changes nothing.
  FsStatus removed =
      capture_exists_ ? FsStatus() : overlay_.remove(batch.capture_path);
  interpreter_.tell(prepared_, removed);
  bool looked_past_end = false;
  std::string_view last =
      lastLineRead(listing.text, batch.lines_read, &looked_past_end);
  // The capture's last text is made only when a read reaches it.
  bool read_here = !(looked_past_end && listing.ending);
  if (read_here) line->assign(last);
  if (!overlay_.replaceInMemory(batch.capture_path, &listing.text,
                                std::move(listing.ending),
                                listing.ending_room)) {
    return Result::kRan;  // not to be: its room is set aside
  }
  return read_here ? Result::kLineRead : Result::kRan;
}
