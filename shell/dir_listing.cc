// The DIR command. A plain or literal name is looked up with one stat,
// without reading its directory (a lookup runs once per list entry); only a
// directory or a wildcard pattern is listed whole. Special files are
// stat-ed, never opened, so a FIFO cannot make a listing wait. Every lookup
// goes through the interpreter's file system, so a listing sees the run's
// scratch files as the run has left them.
#include "shell/dir_listing.h"

#include <errno.h>

#include <ctime>
#include <functional>
#include <string>

#include "platform/drive_path.h"
#include "platform/error_number.h"
#include "shell/dir_entry_table.h"
#include "shell/messages.h"
#include "text/capture_columns.h"
#include "text/text.h"
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
  // In memory: lines made later by `tail`.
  void tailLater(ListingTail tail) { *ending_ = std::move(tail); }
  // Lines, their line ends included, that cost a system call to make:
  // where the file can, they go as the file's ending, made only when it is
  // read up to there or goes to disk (a lookup's capture is read no further
  // than its first entry).
  void linesLater(std::function<std::string()> make) {
    if (ending_ != nullptr) {
      *ending_ = [make = std::move(make)](
                     const std::function<void(std::string_view)>& put) {
        put(make());
      };
      return;
    }
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

// What a DIR name resolved to, and what was found there: kNoError, the
// reason nothing is listed, or kPathFileAccessError for a failed call
// whose status is in `failure`.
struct Listing {
  std::string directory;  // absolute host path shown as "Directory of"
  DirEntryTable entries;
  ErrorNumber outcome = kNoError;
  FsStatus failure;
  // The listing's output file when it is written over in place where it
  // was to be removed and made anew: shown as the empty new file.
  const OsFile* made_anew = nullptr;
  // A warning for each name left out, said before the listing is written.
  std::vector<std::string> skipped;
  // What one name looked up by itself was found as.
  FileStatus found;
};

std::string parentOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool isDirectory(FileSystem& files, const std::string& path) {
  FileStatus status;
  return files.stat(path, Follow::kLinks, &status) == kNoError &&
         status.kind == FileStatus::kDirectory;
}

// Adds `name` with what `status` says of it: a directory shows no size.
void addFromStat(std::string_view name, const FileStatus& status,
                 DirEntryTable* entries) {
  bool directory = status.kind == FileStatus::kDirectory;
  entries->add(name, directory, directory ? 0 : status.size, status.mtime);
}

// Adds the file `name` as the listing shows it. Its own output file,
// written over in place, still has its old bytes and time on the disk; a
// removal and a new file would have left it empty and made now, and so it
// shows.
void addFound(std::string_view name, FileStatus status, Listing* listing) {
  const OsFile* made = listing->made_anew;
  if (made != nullptr && made->inode != 0 && status.inode == made->inode &&
      status.device == made->device && status.kind == FileStatus::kFile) {
    status.size = 0;
    status.mtime = static_cast<int64_t>(std::time(nullptr));
  }
  addFromStat(name, status, &listing->entries);
}

// `text` after blanks that make it `width` wide; a longer one unchanged.
std::string alignedRight(std::string text, size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

// Why `name` is never written into a listing, or "" when it may be. A
// control byte would end or forge a line of the capture that a tool reads
// back; a blank and a "<" would let the part after the blank stand in a
// list as description text, and so as markup in a page.
std::string_view leftOutBecause(std::string_view name) {
  if (visible::hasControlByte(name)) return "a control character";
  if (name.find(' ') != std::string_view::npos &&
      name.find('<') != std::string_view::npos) {
    return "a blank and a \"<\"";
  }
  return "";
}

// True when `name` may be listed; otherwise keeps the warning that it was
// left out.
bool mayList(std::string_view name, std::vector<std::string>* skipped) {
  std::string_view reason = leftOutBecause(name);
  if (reason.empty()) return true;
  skipped->push_back("Skipped a name holding " + std::string(reason) + ": " +
                     std::string(name));
  return false;
}

// Adds "." and ".." for `directory`; ".." shows the directory itself when
// it has no parent to stat.
void addDots(FileSystem& files, const std::string& directory,
             DirEntryTable* entries) {
  FileStatus here;
  FileStatus up;
  std::string base = directory == "/" ? "" : directory;
  if (files.stat(base + "/.", Follow::kLinks, &here) != kNoError) return;
  addFromStat(".", here, entries);
  if (files.stat(base + "/..", Follow::kLinks, &up) != kNoError) up = here;
  addFromStat("..", up, entries);
}

// Takes the visible entries of a directory that match a pattern ("" for
// all), with "." and ".." in front when asked.
class DirectoryReader : public DirectoryVisitor {
 public:
  DirectoryReader(FileSystem& files, std::string_view pattern, bool with_dots,
                  Listing* listing)
      : files_(files),
        pattern_(pattern),
        with_dots_(with_dots),
        listing_(listing) {}
  // Sizes the table for every name at once: it keeps a large table from
  // being copied, old and new at once, as it grows.
  void expect(size_t names, size_t name_bytes) override {
    listing_->entries.reserve(names + 2, name_bytes + 3);
    if (with_dots_) addDots(files_, listing_->directory, &listing_->entries);
    first_found_ = listing_->entries.size();
  }
  bool wants(std::string_view name) override {
    if (name[0] == '.') return false;  // hidden
    if (!pattern_.empty() && !matchesPattern(pattern_, name)) return false;
    return mayList(name, &listing_->skipped);
  }
  void add(std::string_view name, const FileStatus& status) override {
    addFound(name, status, listing_);
  }
  size_t firstFound() const { return first_found_; }

 private:
  FileSystem& files_;
  std::string_view pattern_;
  bool with_dots_;
  Listing* listing_;
  size_t first_found_ = 0;
};

// Reads the visible entries of `listing->directory` that match `pattern`
// ("" for all), sorted, with "." and ".." in front when `with_dots`.
void readDirectory(FileSystem& files, std::string_view pattern, bool with_dots,
                   Listing* listing) {
  DirectoryReader reader(files, pattern, with_dots, listing);
  FsStatus status = files.listDirectory(listing->directory, reader);
  if (status != kNoError) {
    listing->failure = status;
    listing->outcome =
        status.number() == kPathNotFound ? kPathNotFound : kPathFileAccessError;
    return;
  }
  listing->entries.sortFrom(reader.firstFound());  // the dots stay in front
  if (listing->entries.empty()) listing->outcome = kFileNotFound;
}

// The outcome for a name that stat could not find.
void missingName(const FsStatus& status, Listing* listing) {
  listing->failure = status;
  if (status.systemCode() == ENOENT) {
    listing->outcome = status.number();
  } else if (status.systemCode() == ENOTDIR) {
    listing->outcome = kPathNotFound;
  } else {
    listing->outcome = kPathFileAccessError;
  }
}

// Resolves a name that is neither a directory's own nor a pattern, "*" and
// "?" in a literal one included: its own stat, never a read of the whole
// directory. It is found from the current directory itself, whatever its
// name now; a directory so named is listed whole, or, without
// `whole_directories`, left unresolved: false.
bool resolveOneName(FileSystem& files, DrivePaths& paths, std::string_view name,
                    std::string_view last, bool whole_directories,
                    Listing* listing) {
  std::string found_at = paths.hostPath(name);
  // The name itself first: a plain file or directory is what a stat through
  // links would find too, and a name that is not there is not there either
  // way. A link or a special file is followed to what it leads to; where
  // that is no file or directory (or nothing), the name shows as itself.
  FileStatus status;
  FsStatus followed = files.stat(found_at, Follow::kNoLinks, &status);
  bool found = followed == kNoError;
  if (found && status.kind == FileStatus::kOther) {
    FileStatus target;
    followed = files.stat(found_at, Follow::kLinks, &target);
    if (followed == kNoError && target.kind != FileStatus::kOther)
      status = target;
  }
  if (followed == kNoError && status.kind == FileStatus::kDirectory) {
    listing->found = status;
    if (!whole_directories) return false;
    listing->directory = paths.absoluteHostPath(name);
    readDirectory(files, "", true, listing);
    return true;
  }
  // A name without a separator lies in the current directory.
  bool here = text::findEither(name, '\\', '/') == std::string_view::npos;
  listing->directory =
      here ? paths.absoluteHostPath(".") : parentOf(paths.absoluteHostPath(name));
  if (found) listing->found = status;
  if (found && !mayList(last, &listing->skipped)) {
    listing->outcome = kFileNotFound;
  } else if (found) {
    addFound(last, status, listing);
  } else {
    missingName(followed, listing);
  }
  return true;
}

// The directory part and last part of a DIR name.
struct NameParts {
  std::string_view directory;  // "" or up to its last separator
  std::string_view last;
};

NameParts splitName(std::string_view name) {
  size_t cut = text::findLastEither(name, '\\', '/');
  if (cut == std::string_view::npos) return {"", name};
  return {name.substr(0, cut + 1), name.substr(cut + 1)};
}

// True for a last part that names the directory itself: it is listed whole.
bool namesDirectoryItself(std::string_view last) {
  return last.empty() || last == "." || last == "..";
}

Listing resolve(FileSystem& files, DrivePaths& paths, std::string_view name,
                DirName rule, const OsFile* made_anew) {
  Listing listing;
  listing.made_anew = made_anew;
  if (name.find('\0') != std::string_view::npos) {
    // No file name holds a NUL byte; the host would cut the name there.
    listing.directory = paths.absoluteHostPath(".");
    listing.outcome = kBadFileName;
    return listing;
  }
  auto [dir_part, last] = splitName(name);
  if (namesDirectoryItself(last)) {
    listing.directory = paths.absoluteHostPath(name.empty() ? "." : name);
    readDirectory(files, "", true, &listing);
    return listing;
  }
  bool pattern = rule == DirName::kPattern && hasWildcard(last);
  if (last[0] == '.' || pattern) {
    listing.directory =
        paths.absoluteHostPath(dir_part.empty() ? "." : dir_part);
    if (last[0] == '.') {
      // A hidden name is never listed, even when named.
      listing.outcome =
          isDirectory(files, listing.directory) ? kFileNotFound : kPathNotFound;
    } else {
      readDirectory(files, last, false, &listing);
    }
    return listing;
  }
  resolveOneName(files, paths, name, last, true, &listing);
  return listing;
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

void writeSummary(FileSystem& disk, Listing* listing, LineWriter* out) {
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

std::string outcomeMessage(const Listing& listing) {
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
                  EntryLines& lines, Listing* listing, LineWriter* out) {
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

// Goes over the names of a directory without a stat: which of them a
// listing shows (their number and bytes) and which it leaves out, with
// their warnings.
class NameScan : public DirectoryVisitor {
 public:
  explicit NameScan(DirNames* names) : names_(names) {}
  void expect(size_t, size_t) override {}
  bool wants(std::string_view name) override {
    if (name[0] != '.' && mayList(name, &names_->skipped)) {
      ++names_->shown;
      names_->name_bytes += name.size();
    }
    return false;
  }
  void add(std::string_view, const FileStatus&) override {}

 private:
  DirNames* names_;
};

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
  Listing listing;
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

void warnOfSkipped(const Listing& listing, const Messages& messages) {
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
  Listing listing =
      resolve(files_, paths_, name, rule, out_made_anew ? &out_file : nullptr);
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
  Listing listing;
  one->text.clear();
  one->ending = nullptr;
  if (!resolveOneName(files_, paths_, name, last, false, &listing)) {
    one->status = listing.found;
    return listing.found.kind == FileStatus::kDirectory &&
           may_defer(listing.found) &&
           listDirectoryLater(format, paths_.absoluteHostPath(name),
                              listing.found, one);
  }
  one->found = listing.entries.size() == 1;
  one->status = listing.found;
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
  Listing listing;
  addDots(files_, directory, &listing.entries);
  if (listing.entries.size() != 2) return false;
  one->found = true;
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
