// The text of a DIR listing, all pure: its entry lines in the fixed
// columns that both tools cut, the volume serial it shows, the old DOS
// wildcard rules by which it picks names and the order it lists them in.
#ifndef KESTREL_SHELL_DIR_TEXT_H_
#define KESTREL_SHELL_DIR_TEXT_H_

#include <cstdint>
#include <string>
#include <string_view>

/// The three forms of a listing: plain DIR, DIR /X and DIR /B.
enum class DirFormat { kNormal, kShortNames, kBare };

/// One entry as a listing shows it.
struct DirEntry {
  std::string name;
  bool directory = false;
  uint64_t size = 0;  // bytes; not shown for a directory
  int64_t mtime = 0;  // modification time, seconds since the epoch
};

/// `value` with "," between groups of three digits: "12,345".
std::string groupedNumber(uint64_t value);
/// Appends `groupedNumber(value)` after the blanks that make it `width`
/// wide (none for a longer one).
void appendGroupedNumber(uint64_t value, size_t width, std::string* out);

/// Appends columns 1-20 of an entry line to `*out`: "MM/DD/YYYY  hh:mm AM"
/// in local time.
void appendDateTimeColumns(std::string* out, int64_t mtime);

/// The entry line without its line end (the bare name for kBare).
std::string entryLine(const DirEntry& entry, DirFormat format);

/// Entry lines for one listing after another, with the date and time
/// columns of the last time shown kept: files copied or unpacked together
/// share their time to the second, and the local time costs more to find
/// than the whole rest of a line.
class EntryLines {
 public:
  /// Appends `entryLine(entry, format)` to `*out`.
  void append(const DirEntry& entry, DirFormat format, std::string* out);

 private:
  bool known_ = false;
  int64_t mtime_ = 0;
  std::string columns_;  // the columns of `mtime_`
};

/// The volume serial number shown for a device number: "XXXX-XXXX".
std::string volumeSerialText(uint64_t device);

/// True when `name` contains "*" or "?".
bool hasWildcard(std::string_view name);

/// True when `name` matches the wildcard `pattern` with the old DOS rules:
/// "?" is one character (or none before a dot or at the end), "*." and ".*"
/// let the extension be missing, so "*.*" matches every name. Case-sensitive.
bool matchesPattern(std::string_view pattern, std::string_view name);

/// The listing order: names compared with ASCII letters folded to upper
/// case, ties broken byte by byte.
bool listedBefore(std::string_view a, std::string_view b);

#endif  // KESTREL_SHELL_DIR_TEXT_H_
