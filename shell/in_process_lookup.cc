// A lookup run in process. The batch file is made to hold what writing it
// line by line leaves there; the interpreter reads that same text as it
// reads a batch file, and where it is a lookup of one name whose capture
// can be written over in memory, its DIR is listed there and put in place
// whole. Every check that can send the lookup the whole way comes before
// the first change.
#include "shell/in_process_lookup.h"

#include <utility>

#include "runtime/file_table.h"

LookupShortcut::Result InProcessLookup::lookUp(const LookupBatch& batch,
                                               std::string* line) {
  text_.clear();
  for (const std::string& batch_line : batch.lines) {
    text_ += batch_line;
    text_ += "\r\n";
  }
  // The batch removes the capture and makes it anew. Both files are looked
  // at first, as writing the batch and removing the capture look at them.
  const std::string& batch_file = batch.batch_path;
  const std::string& capture = batch.capture_path;
  bool exists = false;
  if (!overlay_.mayMakeAnew(capture, &exists) ||
      !overlay_.reserveInMemory(batch_file, text_.size()) ||
      !interpreter_.prepareLookup(text_, may_defer_, &prepared_) ||
      prepared_.output != batch.capture_name) {
    return Result::kNotTaken;
  }
  OneNameListing& listing = prepared_.listing;
  // A DIR of a scratch file itself shows it as the batch leaves it.
  if (listing.status.inode != 0 &&
      overlay_.holds(listing.status.device, listing.status.inode)) {
    return Result::kNotTaken;
  }
  size_t size = listing.text.size() + (listing.ending ? listing.ending_room : 0);
  if (!overlay_.reserveInMemory(capture, size) ||
      !overlay_.replaceInMemory(batch_file, &text_)) {
    return Result::kNotTaken;
  }
  // A capture that is not there yet is not removed: the "del" says so. It
  // changes nothing.
  FsStatus removed = exists ? FsStatus() : overlay_.remove(capture);
  interpreter_.tell(prepared_, removed);
  bool looked_past_end = false;
  std::string_view last =
      lastLineRead(listing.text, batch.lines_read, &looked_past_end);
  // The capture's last text is made only when a read reaches it.
  bool read_here = !(looked_past_end && listing.ending);
  if (read_here) line->assign(last);
  if (!overlay_.replaceInMemory(capture, &listing.text,
                                std::move(listing.ending),
                                listing.ending_room)) {
    return Result::kRan;  // not to be: its room is set aside
  }
  return read_here ? Result::kLineRead : Result::kRan;
}
