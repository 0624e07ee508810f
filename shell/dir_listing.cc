// The DIR command: what a name finds (shell/dir_search.h) written as a
// listing, to its output file or into memory, with the lines that cost a
// system call or a whole directory's read made only when needed.
#include "shell/dir_listing.h"

#include <errno.h>

#include <functional>
#include <string>

#include "platform/drive_path.h"
#include "platform/error_number.h"
#include "shell/messages.h"
#include "text/capture_columns.h"
#include "text/visible_text.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kFlushSize = 64 * 1024;
// Room set aside for a line written later; more than any such line takes.
constexpr size_t kLaterRoom = 128;

// Buffered line output to an open file that remembers the first failure,
// so that a full disk is reported instead of a cut capture.
class LineWriter {
 public:
  // Room for a lookup's whole listing from the start.
  LineWriter(FileSystem& files, const OsFile& out)
      : files_(&files), out_(out), buffer_(&own_buffer_) {
    buffer_->reserve(1024);
  }
  // Lines kept in `*text`, a line for later in `*ending`: a listing made
  // in memory, which nothing can cut short.
  LineWriter(std::string* text, ListingTail* ending)
      : buffer_(text), ending_(ending) {}
  void line(std::string_view text) {
    buffer_->append(text);
    buffer_->append(kLineEnd);
    flushWhenFull();
  }
  void entry(EntryLines& lines, const DirEntry& entry, DirFormat format) {
    lines.append(entry, format, buffer_);
    buffer_->append(kLineEnd);
    flushWhenFull();
  }
  // A listing in memory keeps every line for later there.
  bool inMemory() const { return files_ == nullptr; }
  // In memory: lines made later by `tail` (a listing in memory has no
  // file to hand them to one by one).
  void tailLater(ListingTail tail) { *ending_ = std::move(tail); }
  // Lines, their line ends included, that cost a system call to make:
  // where the file can, they go as the file's ending, made only when it is
  // read up to there or goes to disk (a lookup's capture is read no further
  // than its first entry).
  void linesLater(std::function<std::string()> make) {
    if (flush() == kNoError && files_->writeLater(out_, make, kLaterRoom))
      return;
    lines(make());
  }
  // Whole lines, their line ends included.
  void lines(std::string_view text) {
    buffer_->append(text);
    flushWhenFull();
  }
  // Writes what is buffered; returns kNoError or the first failure.
  FsStatus flush() {
    if (files_ == nullptr) return kNoError;
    if (buffer_->empty() || error_ != kNoError) {
      buffer_->clear();
      return error_;
    }
    size_t written = 0;
    error_ = files_->write(out_, buffer_->data(), buffer_->size(), &written);
    // A disk that takes no more is full.
    if (error_ == kNoError && written < buffer_->size())
      error_ = FsStatus(kDiskFull, ENOSPC);
    buffer_->clear();
    return error_;
  }

 private:
  void flushWhenFull() {
    // A failure here is kept in `error_`: the last flush returns it, and
    // nothing more is written after it.
    if (files_ != nullptr && buffer_->size() >= kFlushSize) (void)flush();
  }

  FileSystem* files_ = nullptr;  // null for a listing in memory
  OsFile out_;
  std::string own_buffer_;
  std::string* buffer_;
  ListingTail* ending_ = nullptr;
  FsStatus error_;
};

// `text` after blanks that make it `width` wide; a longer one unchanged.
std::string alignedRight(std::string text, size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

// The summary lines of a listing with `files` files of `bytes` bytes in all
// and `dirs` directories, in `directory`.
std::string filesLine(uint64_t files, uint64_t bytes) {
  return alignedRight(std::to_string(files), 16) + " File(s) " +
         alignedRight(groupedNumber(bytes), 14) + " bytes";
}

std::string dirsLine(FileSystem& disk, uint64_t dirs,
                     const std::string& directory) {
  return alignedRight(std::to_string(dirs), 16) + " Dir(s) " +
         alignedRight(groupedNumber(disk.freeBytes(directory)), 15) +
         " bytes free";
}

void writeSummary(FileSystem& disk, DirFinding* listing, LineWriter* out) {
  uint64_t files = 0;
  uint64_t bytes = 0;
  uint64_t dirs = 0;
  for (const DirEntry& entry : listing->entries) {
    if (entry.directory) {
      ++dirs;
    } else {
      ++files;
      bytes += entry.size;
    }
  }
  // The free room costs a system call to find: that line is made when it
  // is needed, and in memory the other with it. The listing is done with
  // its directory's name.
  if (out->inMemory()) {
    out->tailLater([&disk, files, bytes, dirs,
                    directory = std::move(listing->directory)](
                       const std::function<void(std::string_view)>& put) {
      std::string end(kLineEnd);
      put(filesLine(files, bytes) + end + dirsLine(disk, dirs, directory) +
          end);
    });
    return;
  }
  out->line(filesLine(files, bytes));
  out->linesLater([&disk, dirs, directory = std::move(listing->directory)] {
    return dirsLine(disk, dirs, directory) + std::string(kLineEnd);
  });
}

std::string outcomeMessage(const DirFinding& listing) {
  switch (listing.outcome) {
    case kFileNotFound:
      return std::string(kFileNotFoundMessage);
    case kPathNotFound:
      return std::string(kPathNotFoundMessage);
    case kBadFileName:
      return std::string(kBadNameMessage);
    default:
      return failureText(listing.failure);
  }
}

// Writes the listing's lines after `header`; a listing that shows nothing
// becomes one that found nothing.
void writeListing(FileSystem& disk, DirFormat format, std::string_view header,
                  EntryLines& lines, DirFinding* listing, LineWriter* out) {
  out->lines(header);
  size_t shown = 0;
  for (const DirEntry& entry : listing->entries) {
    if (format == DirFormat::kBare && entry.directory &&
        (entry.name == "." || entry.name == "..")) {
      continue;
    }
    out->entry(lines, entry, format);
    ++shown;
  }
  // Bare names of an empty directory: its dots alone are nothing found.
  if (shown == 0 && listing->outcome == kNoError)
    listing->outcome = kFileNotFound;
  if (listing->outcome == kNoError && format != DirFormat::kBare)
    writeSummary(disk, listing, out);
}

// The bytes of the entry lines of a directory's names shown, in `format`.
uint64_t lineBytes(const DirNames& names, DirFormat format) {
  using namespace capture_columns;
  uint64_t fixed =
      kDateWidth + kSizeWidth + kLineEnd.size() +
      (format == DirFormat::kShortNames ? kShortNameFieldWidth : 0);
  return names.shown * fixed + names.name_bytes;
}

// The part of a directory's listing after its "." and ".." lines, made
// from the directory as it is when it is made, piece by piece.
void writeDirectoryTail(FileSystem& files, const std::string& directory,
                        DirFormat format,
                        const std::function<void(std::string_view)>& put) {
  DirFinding listing;
  listing.directory = directory;
  readDirectory(files, "", true, &listing);
  std::string text;
  ListingTail summary;
  LineWriter out(&text, &summary);
  EntryLines lines;
  for (size_t i = 2; i < listing.entries.size(); ++i) {
    out.entry(lines, listing.entries.at(i), format);
    if (text.size() >= kFlushSize) {
      put(text);
      text.clear();
    }
  }
  if (listing.outcome == kNoError) writeSummary(files, &listing, &out);
  put(text);
  if (summary) summary(put);
}

void warnOfSkipped(const DirFinding& listing, const Messages& messages) {
  for (const std::string& warning : listing.skipped) messages.warning(warning);
}

}  // namespace

// The serial of the drive root's device, looked up once per root.
const std::string& DirLister::driveSerial() {
  std::string root = paths_.root();
  if (serial_.empty() || root != serial_root_) {
    FileStatus status;
    uint64_t device = files_.stat(root, Follow::kLinks, &status) == kNoError
                          ? status.device
                          : 0;
    serial_root_ = root;
    serial_ = volumeSerialText(device);
  }
  return serial_;
}

// The header lines of a listing of `directory`, line ends included. Every
// listing of one directory has the same: the last one made is kept.
const std::string& DirLister::headerText(const std::string& directory) {
  std::string root = paths_.root();
  if (!header_.empty() && root == header_root_ &&
      directory == header_directory_) {
    return header_;
  }
  // A directory's own name may hold control bytes too; shown escaped, it
  // stays on its one header line.
  std::string shown = paths_.displayPath(directory);
  if (visible::hasControlByte(shown)) shown = visible::caretText(shown);
  std::string end(kLineEnd);
  header_ = " Volume in drive C has no label." + end +
            " Volume Serial Number is " + driveSerial() + end + end +
            " Directory of " + shown + end + end;
  header_root_ = root;
  header_directory_ = directory;
  return header_;
}

int DirLister::list(DirFormat format, std::string_view name,
                    const OsFile& out_file, const Messages& messages,
                    DirName rule, bool out_made_anew) {
  DirFinding listing =
      findNames(files_, paths_, name, rule, out_made_anew ? &out_file : nullptr);
  warnOfSkipped(listing, messages);
  LineWriter out(files_, out_file);
  writeListing(files_, format, headerOf(format, listing.directory),
               entry_lines_, &listing, &out);
  FsStatus write_error = out.flush();
  if (listing.outcome != kNoError) messages.error(outcomeMessage(listing));
  if (write_error != kNoError) {
    messages.error(failureText(write_error));
    return kDirOutputFailed;
  }
  return listing.outcome == kNoError ? 0 : 1;
}

bool DirLister::listOne(DirFormat format, std::string_view name, DirName rule,
                        const DirectoryCheck& may_defer, OneNameListing* one) {
  if (name.find('\0') != std::string_view::npos) return false;
  auto [dir_part, last] = splitName(name);
  if (namesDirectoryItself(last) || last[0] == '.' ||
      (rule == DirName::kPattern && hasWildcard(last))) {
    return false;
  }
  DirFinding listing;
  one->text.clear();
  one->ending = nullptr;
  if (!findOneName(files_, paths_, name, last, false, &listing)) {
    return listing.found.kind == FileStatus::kDirectory &&
           may_defer(listing.found) &&
           listDirectoryLater(format, paths_.absoluteHostPath(name),
                              listing.found, one);
  }
  LineWriter out(&one->text, &one->ending);
  writeListing(files_, format, headerOf(format, listing.directory),
               entry_lines_, &listing, &out);
  // Room for the summary lines made later, more than they take.
  one->ending_room = one->ending ? 2 * kLaterRoom : 0;
  one->skipped = std::move(listing.skipped);
  one->error = listing.outcome == kNoError ? "" : outcomeMessage(listing);
  return true;
}

// A whole directory's listing, of which only the header and the "." and
// ".." lines are made now; its names are gone over once, without a stat,
// for the names it leaves out and the room its lines take.
bool DirLister::listDirectoryLater(DirFormat format,
                                   const std::string& directory,
                                   const FileStatus& status,
                                   OneNameListing* one) {
  const DirNames* names = namesOf(directory, status);
  if (names == nullptr) return false;  // listed whole, as it fails
  DirFinding listing;
  addDots(files_, directory, &listing.entries);
  if (listing.entries.size() != 2) return false;
  one->skipped = names->skipped;
  one->error.clear();
  LineWriter out(&one->text, &one->ending);
  out.lines(headerOf(format, directory));
  for (size_t i = 0; i < 2; ++i)
    out.entry(entry_lines_, listing.entries.at(i), format);
  one->ending = [&files = files_, directory, format](
                    const std::function<void(std::string_view)>& put) {
    writeDirectoryTail(files, directory, format, put);
  };
  one->ending_room = lineBytes(*names, format) + 2 * kLaterRoom;
  return true;
}

// The names of a directory as a listing of it shows them, gone over once
// for as long as the directory keeps its identity and time (a name made or
// removed there changes its time); null where it cannot be read.
const DirNames* DirLister::namesOf(const std::string& directory,
                                   const FileStatus& status) {
  if (names_known_ && names_.device == status.device &&
      names_.inode == status.inode && names_.mtime == status.mtime) {
    return &names_;
  }
  names_known_ = false;
  names_ = DirNames();
  NameScan scan(&names_);
  if (files_.listDirectory(directory, scan) != kNoError) return nullptr;
  names_.device = status.device;
  names_.inode = status.inode;
  names_.mtime = status.mtime;
  names_known_ = true;
  return &names_;
}

void DirLister::tell(const OneNameListing& one, const Messages& messages) {
  for (const std::string& warning : one.skipped) messages.warning(warning);
  if (!one.error.empty()) messages.error(one.error);
}

std::string_view DirLister::headerOf(DirFormat format,
                                     const std::string& directory) {
  if (format == DirFormat::kBare) return {};
  return headerText(directory);
}
