// Finding what a DIR name names. A plain or literal name is looked up with
// one stat, without reading its directory (a lookup runs once per list
// entry); only a directory or a wildcard pattern is read whole. Every call
// goes through the file system given, so that the run's scratch files show
// as the run has left them.
#include "shell/dir_search.h"

#include <errno.h>

#include <ctime>
#include <string>
#include <utility>

#include "shell/dir_text.h"
#include "text/text.h"
#include "text/visible_text.h"

namespace {

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
void addFound(std::string_view name, FileStatus status, DirFinding* listing) {
  const OsFile* made = listing->made_anew;
  if (made != nullptr && made->inode != 0 && status.inode == made->inode &&
      status.device == made->device && status.kind == FileStatus::kFile) {
    status.size = 0;
    status.mtime = static_cast<int64_t>(std::time(nullptr));
  }
  addFromStat(name, status, &listing->entries);
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

// Takes the visible entries of a directory that match a pattern ("" for
// all), with "." and ".." in front when asked.
class DirectoryReader : public DirectoryVisitor {
 public:
  DirectoryReader(FileSystem& files, std::string_view pattern, bool with_dots,
                  DirFinding* listing)
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
  DirFinding* listing_;
  size_t first_found_ = 0;
};

// The outcome for a name that stat could not find.
void missingName(const FsStatus& status, DirFinding* listing) {
  listing->failure = status;
  if (status.systemCode() == ENOENT) {
    listing->outcome = status.number();
  } else if (status.systemCode() == ENOTDIR) {
    listing->outcome = kPathNotFound;
  } else {
    listing->outcome = kPathFileAccessError;
  }
}

}  // namespace

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

void readDirectory(FileSystem& files, std::string_view pattern, bool with_dots,
                   DirFinding* listing) {
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

bool findOneName(FileSystem& files, DrivePaths& paths, std::string_view name,
                    std::string_view last, bool whole_directories,
                    DirFinding* listing) {
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
  if (found && !mayList(last, &listing->skipped)) {
    listing->outcome = kFileNotFound;
  } else if (found) {
    addFound(last, status, listing);
  } else {
    missingName(followed, listing);
  }
  return true;
}

NameParts splitName(std::string_view name) {
  size_t cut = text::findLastEither(name, '\\', '/');
  if (cut == std::string_view::npos) return {"", name};
  return {name.substr(0, cut + 1), name.substr(cut + 1)};
}

bool namesDirectoryItself(std::string_view last) {
  return last.empty() || last == "." || last == "..";
}

DirFinding findNames(FileSystem& files, DrivePaths& paths, std::string_view name,
                DirName rule, const OsFile* made_anew) {
  DirFinding listing;
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
  findOneName(files, paths, name, last, true, &listing);
  return listing;
}

bool NameScan::wants(std::string_view name) {
  if (name[0] != '.' && mayList(name, &names_->skipped)) {
    ++names_->shown;
    names_->name_bytes += name.size();
  }
  return false;
}
