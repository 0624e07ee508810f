// The DIR command on POSIX. A plain or literal name is looked up with one
// stat, without reading its directory (a lookup runs once per list entry);
// only a directory or a wildcard pattern is read with readdir. Special files
// are stat-ed, never opened, so a FIFO cannot make a listing wait.
#include "shell/dir_listing.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "services/drive_path.h"
#include "services/error_number.h"
#include "services/held_files.h"
#include "services/posix_io.h"
#include "services/visible_text.h"
#include "shell/capture_columns.h"
#include "shell/dir_entry_table.h"
#include "shell/messages.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr size_t kFlushSize = 64 * 1024;

// Buffered line output to a file descriptor that remembers the first
// failure, so that a full disk is reported instead of a cut capture.
class LineWriter {
 public:
  // Room for a lookup's whole listing from the start.
  explicit LineWriter(int fd) : fd_(fd) { buffer_.reserve(1024); }
  void line(std::string_view text) {
    buffer_.append(text);
    buffer_.append(kLineEnd);
    if (buffer_.size() >= kFlushSize) flush();
  }
  // A line that costs a system call to make: into a held file it goes as
  // the file's ending, made only when the line is read or the file goes to
  // disk (a lookup's capture is read no further than its first entry).
  void lineLater(const std::function<std::string()>& make) {
    constexpr size_t kRoom = 128;  // more than any such line takes
    if (isHeldHandle(fd_) && flush() == 0 &&
        writeHeldFileLater(
            fd_, [make] { return make() + std::string(kLineEnd); }, kRoom)) {
      return;
    }
    line(make());
  }
  // Whole lines, their line ends included.
  void lines(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kFlushSize) flush();
  }
  // Writes what is buffered; returns 0 or the errno of the first failure.
  int flush() {
    if (buffer_.empty()) return error_;
    if (error_ == 0 && isHeldHandle(fd_)) {
      (void)writeHeldFile(fd_, buffer_.data(), buffer_.size(), &error_);
    } else if (error_ == 0) {
      error_ = writeAll(fd_, buffer_.data(), buffer_.size());
    }
    buffer_.clear();
    return error_;
  }

 private:
  int fd_;
  std::string buffer_;
  int error_ = 0;
};

// What a DIR name resolved to, and what was found there: kNoError, the
// reason nothing is listed, or kPathFileAccessError for a failed call whose
// errno is in `system_code`.
struct Listing {
  std::string directory;  // absolute host path shown as "Directory of"
  DirEntryTable entries;
  ErrorNumber outcome = kNoError;
  int system_code = 0;
  bool shows_held_file = false;  // one of the run's held scratch files
};

std::string parentOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool isDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Adds `name` with what `st` says of it: a directory shows no size.
void addFromStat(std::string_view name, const struct stat& st,
                 DirEntryTable* entries) {
  bool directory = S_ISDIR(st.st_mode);
  uint64_t size =
      directory || st.st_size < 0 ? 0 : static_cast<uint64_t>(st.st_size);
  entries->add(name, directory, size, static_cast<int64_t>(st.st_mtime));
}

// Appends `value` (not negative) as `width` digits, with leading zeros.
void appendZeroPadded(std::string* out, int value, int width) {
  char digits[16];
  for (int i = width - 1; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  out->append(digits, static_cast<size_t>(width));
}

// `text` after blanks that make it `width` wide; a longer one unchanged.
std::string alignedRight(std::string text, size_t width) {
  if (text.size() < width) text.insert(0, width - text.size(), ' ');
  return text;
}

// Notes a file that the run holds in memory: its disk file is not what the
// run has made of it.
void noteHeldFile(const struct stat& st, Listing* listing) {
  if (isHeldFileAt(st.st_dev, st.st_ino)) listing->shows_held_file = true;
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

// True when `name` may be listed; otherwise says on standard error that it
// was left out.
bool mayList(std::string_view name) {
  std::string_view reason = leftOutBecause(name);
  if (reason.empty()) return true;
  printWarning("Skipped a name holding " + std::string(reason) + ": " +
               std::string(name));
  return false;
}

// Stats `name` in the directory `dir_fd`, following a link; a link that
// cannot be followed and any special file show their own (lstat) data.
bool statEntry(int dir_fd, const char* name, struct stat* st) {
  if (fstatat(dir_fd, name, st, 0) == 0 &&
      (S_ISREG(st->st_mode) || S_ISDIR(st->st_mode))) {
    return true;
  }
  return fstatat(dir_fd, name, st, AT_SYMLINK_NOFOLLOW) == 0;
}

// Sizes `entries` for every visible name in `dir` and rewinds it. One
// extra pass over the names costs little next to a stat per entry, and it
// keeps a large table from being copied, old and new at once, as it grows.
void reserveForDirectory(DIR* dir, DirEntryTable* entries) {
  size_t count = 2;  // "." and ".."
  size_t name_bytes = 3;
  while (const dirent* item = readdir(dir)) {
    if (item->d_name[0] == '.') continue;
    ++count;
    name_bytes += strlen(item->d_name);
  }
  rewinddir(dir);
  entries->reserve(count, name_bytes);
}

// Adds "." and ".." for the directory `dir_fd`; ".." shows the directory
// itself when it has no parent to stat.
void addDots(int dir_fd, DirEntryTable* entries) {
  struct stat here;
  struct stat up;
  if (fstatat(dir_fd, ".", &here, 0) != 0) return;
  addFromStat(".", here, entries);
  if (fstatat(dir_fd, "..", &up, 0) != 0) up = here;
  addFromStat("..", up, entries);
}

// Reads the visible entries of `listing->directory` that match `pattern`
// ("" for all), sorted, with "." and ".." in front when `with_dots`.
void readDirectory(std::string_view pattern, bool with_dots, Listing* listing) {
  DIR* dir = opendir(listing->directory.c_str());
  if (dir == nullptr) {
    listing->system_code = errno;
    listing->outcome = (errno == ENOENT || errno == ENOTDIR)
                           ? kPathNotFound
                           : kPathFileAccessError;
    return;
  }
  int dir_fd = dirfd(dir);
  DirEntryTable& entries = listing->entries;
  reserveForDirectory(dir, &entries);
  if (with_dots) addDots(dir_fd, &entries);
  size_t first_found = entries.size();
  while (const dirent* item = readdir(dir)) {
    const char* name = item->d_name;
    if (name[0] == '.') continue;  // hidden, and "." and ".."
    if (!pattern.empty() && !matchesPattern(pattern, name)) continue;
    if (!mayList(name)) continue;
    struct stat st;
    if (!statEntry(dir_fd, name, &st)) continue;
    noteHeldFile(st, listing);
    addFromStat(name, st, &entries);
  }
  closedir(dir);
  entries.sortFrom(first_found);  // the dots stay in front
  if (entries.empty()) listing->outcome = kFileNotFound;
}

// The outcome for a name that stat could not find.
void missingName(const std::string& path, int system_code, Listing* listing) {
  listing->system_code = system_code;
  if (system_code == ENOENT) {
    listing->outcome = missingFileOrPath(path);
  } else if (system_code == ENOTDIR) {
    listing->outcome = kPathNotFound;
  } else {
    listing->outcome = kPathFileAccessError;
  }
}

Listing resolve(std::string_view name, DirName rule) {
  Listing listing;
  if (name.find('\0') != std::string_view::npos) {
    // No file name holds a NUL byte; the host would cut the name there.
    listing.directory = absoluteHostPath(".");
    listing.outcome = kBadFileName;
    return listing;
  }
  size_t cut = name.find_last_of("\\/");
  std::string_view dir_part =
      cut == std::string_view::npos ? "" : name.substr(0, cut + 1);
  std::string_view last =
      cut == std::string_view::npos ? name : name.substr(cut + 1);

  if (last.empty() || last == "." || last == "..") {
    listing.directory = absoluteHostPath(name.empty() ? "." : name);
    readDirectory("", true, &listing);
    return listing;
  }
  bool pattern = rule == DirName::kPattern && hasWildcard(last);
  if (last[0] == '.' || pattern) {
    listing.directory = absoluteHostPath(dir_part.empty() ? "." : dir_part);
    if (last[0] == '.') {
      // A hidden name is never listed, even when named.
      listing.outcome =
          isDirectory(listing.directory) ? kFileNotFound : kPathNotFound;
    } else {
      readDirectory(last, false, &listing);
    }
    return listing;
  }

  // The name alone, "*" and "?" in a literal one included: its own stat,
  // never a read of the whole directory. It is found from the current
  // directory itself, whatever its name now.
  std::string path = absoluteHostPath(name);
  std::string found_at = hostPath(name);
  struct stat st;
  bool followed = stat(found_at.c_str(), &st) == 0;
  int stat_error = errno;
  if (followed && S_ISDIR(st.st_mode)) {
    listing.directory = path;
    readDirectory("", true, &listing);
    return listing;
  }
  listing.directory = parentOf(path);
  bool found = followed && S_ISREG(st.st_mode);
  if (!found) found = lstat(found_at.c_str(), &st) == 0;
  if (found && !mayList(last)) {
    listing.outcome = kFileNotFound;
  } else if (found) {
    noteHeldFile(st, &listing);
    addFromStat(last, st, &listing.entries);
  } else {
    missingName(found_at, stat_error, &listing);
  }
  return listing;
}

// The serial of the drive root's device, looked up once per root.
std::string driveSerial() {
  static std::string cached_root;
  static std::string cached_serial;
  std::string root = driveRoot();
  if (cached_serial.empty() || root != cached_root) {
    struct stat st;
    uint64_t device = stat(root.c_str(), &st) == 0 ? st.st_dev : 0;
    cached_root = root;
    cached_serial = volumeSerialText(device);
  }
  return cached_serial;
}

uint64_t freeBytes(const std::string& directory) {
  struct statvfs vfs;
  if (statvfs(directory.c_str(), &vfs) != 0) return 0;
  return static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
}

// The header lines of a listing of `directory`, line ends included. Every
// listing of one directory has the same: the last one made is kept.
const std::string& headerText(const std::string& directory) {
  static std::string last_root;
  static std::string last_directory;
  static std::string header;
  std::string root = driveRoot();
  if (!header.empty() && root == last_root && directory == last_directory)
    return header;
  // A directory's own name may hold control bytes too; shown escaped, it
  // stays on its one header line.
  std::string shown = displayPath(directory);
  if (visible::hasControlByte(shown)) shown = visible::caretText(shown);
  std::string end(kLineEnd);
  header = " Volume in drive C has no label." + end +
           " Volume Serial Number is " + driveSerial() + end + end +
           " Directory of " + shown + end + end;
  last_root = root;
  last_directory = directory;
  return header;
}

void writeHeader(const Listing& listing, LineWriter* out) {
  out->lines(headerText(listing.directory));
}

void writeSummary(const Listing& listing, LineWriter* out) {
  uint64_t files = 0;
  uint64_t bytes = 0;
  uint64_t dirs = 0;
  for (const DirEntry& entry : listing.entries) {
    if (entry.directory) {
      ++dirs;
    } else {
      ++files;
      bytes += entry.size;
    }
  }
  out->line(alignedRight(std::to_string(files), 16) + " File(s) " +
            alignedRight(groupedNumber(bytes), 14) + " bytes");
  out->lineLater([dirs, directory = listing.directory] {
    return alignedRight(std::to_string(dirs), 16) + " Dir(s) " +
           alignedRight(groupedNumber(freeBytes(directory)), 15) +
           " bytes free";
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
      return failureText(listing.system_code);
  }
}

}  // namespace

int listDirectory(DirFormat format, std::string_view name, int out_fd,
                  DirName rule) {
  Listing listing = resolve(name, rule);
  // A listing that shows a held scratch file shows it as the run left it
  // (when it cannot be written out, the end of the run reports that).
  if (listing.shows_held_file && writeOutHeldFiles() == kNoError) {
    listing = Listing();  // one listing's entries in memory at a time
    listing = resolve(name, rule);
  }
  LineWriter out(out_fd);
  if (format != DirFormat::kBare) writeHeader(listing, &out);
  size_t shown = 0;
  for (const DirEntry& entry : listing.entries) {
    if (format == DirFormat::kBare && entry.directory &&
        (entry.name == "." || entry.name == "..")) {
      continue;
    }
    out.line(entryLine(entry, format));
    ++shown;
  }
  // Bare names of an empty directory: its dots alone are nothing found.
  if (shown == 0 && listing.outcome == kNoError)
    listing.outcome = kFileNotFound;
  if (listing.outcome == kNoError && format != DirFormat::kBare) {
    writeSummary(listing, &out);
  }
  int write_error = out.flush();
  if (listing.outcome != kNoError) printError(outcomeMessage(listing));
  if (write_error != 0) {
    printError(failureText(write_error));
    return kDirOutputFailed;
  }
  return listing.outcome == kNoError ? 0 : 1;
}

std::string groupedNumber(uint64_t value) {
  std::string digits = std::to_string(value);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

void appendDateTimeColumns(std::string* out, int64_t mtime) {
  time_t seconds = static_cast<time_t>(mtime);
  struct tm local;
  if (localtime_r(&seconds, &local) == nullptr || local.tm_year + 1900 < 0 ||
      local.tm_year + 1900 > 9999) {
    // Keeps the columns of a time that a four-digit year cannot show.
    *out += "00/00/0000  12:00 AM";
    return;
  }
  int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
  std::string& text = *out;
  appendZeroPadded(&text, local.tm_mon + 1, 2);
  text += '/';
  appendZeroPadded(&text, local.tm_mday, 2);
  text += '/';
  appendZeroPadded(&text, local.tm_year + 1900, 4);
  text += "  ";
  appendZeroPadded(&text, hour, 2);
  text += ':';
  appendZeroPadded(&text, local.tm_min, 2);
  text += local.tm_hour < 12 ? " AM" : " PM";
}

std::string entryLine(const DirEntry& entry, DirFormat format) {
  if (format == DirFormat::kBare) return entry.name;
  using namespace capture_columns;
  std::string line;
  line.reserve(kShortNameColumn + kShortNameFieldWidth + entry.name.size());
  appendDateTimeColumns(&line, entry.mtime);
  if (entry.directory) {
    line.append(kDirMarkColumn - kSizeColumn, ' ');
    line += kDirMark;
    line.append(kShortNameColumn - 1 - line.size(), ' ');
  } else {
    std::string size = groupedNumber(entry.size);
    if (size.size() < kSizeDigitsWidth)
      line.append(kSizeDigitsWidth - size.size(), ' ');
    line += size;
    line += ' ';
  }
  // No short names here: the short-name field stays blank.
  if (format == DirFormat::kShortNames) line.append(kShortNameFieldWidth, ' ');
  line += entry.name;
  return line;
}

std::string volumeSerialText(uint64_t device) {
  uint32_t folded = static_cast<uint32_t>(device ^ (device >> 32));
  char text[16];
  snprintf(text, sizeof text, "%04X-%04X", folded >> 16, folded & 0xFFFFu);
  return text;
}

bool hasWildcard(std::string_view name) {
  return name.find_first_of("*?") != std::string_view::npos;
}

bool matchesPattern(std::string_view pattern, std::string_view name) {
  // The pattern becomes tokens as the old DOS matcher saw it: "*" before a
  // "." stops at the name's last dot, a "." before "*", "?" or the end may
  // also match the end of the name, and "?" matches nothing at a dot or at
  // the end. Then a table over (token, position) decides, right to left.
  enum Kind { kLiteral, kAny, kStarToDot, kOneOrEnd, kDotOrEnd };
  struct Token {
    Kind kind;
    char c;
  };
  std::vector<Token> tokens;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    char after = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (c == '?') {
      tokens.push_back({kOneOrEnd, c});
    } else if (c == '*') {
      tokens.push_back({after == '.' ? kStarToDot : kAny, c});
    } else if (c == '.' && (after == '*' || after == '?' || after == '\0')) {
      tokens.push_back({kDotOrEnd, c});
    } else {
      tokens.push_back({kLiteral, c});
    }
  }
  size_t n = name.size();
  size_t last_dot = name.rfind('.');
  // next[i]: the tokens after the current one match name[i..].
  std::vector<char> next(n + 1, 0);
  std::vector<char> cur(n + 1, 0);
  next[n] = 1;
  for (size_t t = tokens.size(); t-- > 0;) {
    const Token& token = tokens[t];
    for (size_t i = n + 1; i-- > 0;) {
      bool at_end = i == n;
      switch (token.kind) {
        case kLiteral:
          cur[i] = !at_end && name[i] == token.c && next[i + 1];
          break;
        case kOneOrEnd:
          cur[i] = (at_end || name[i] == '.') ? next[i] : next[i + 1];
          break;
        case kDotOrEnd:
          cur[i] = at_end ? next[i] : (name[i] == '.' && next[i + 1]);
          break;
        case kAny:
          cur[i] = next[i] || (!at_end && cur[i + 1]);
          break;
        case kStarToDot:
          // May not run past the last dot of the name, if one lies ahead.
          if (last_dot != std::string_view::npos && i == last_dot) {
            cur[i] = next[i];
          } else {
            cur[i] = next[i] || (!at_end && cur[i + 1]);
          }
          break;
      }
    }
    std::swap(next, cur);
  }
  return next[0] != 0;
}

bool listedBefore(std::string_view a, std::string_view b) {
  auto upper = [](unsigned char c) {
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
  };
  size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    int x = upper(static_cast<unsigned char>(a[i]));
    int y = upper(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}
