// What a DIR name finds: the directory it names and the entries there,
// found by one stat for a plain or literal name and by reading the whole
// directory for a directory or a pattern, with the names a listing leaves
// out (each with its warning) and why nothing was found. Special files are
// stat-ed, never opened, so a FIFO cannot make a listing wait.
#ifndef KESTREL_SHELL_DIR_SEARCH_H_
#define KESTREL_SHELL_DIR_SEARCH_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drive_path.h"
#include "platform/error_number.h"
#include "platform/file_system.h"
#include "shell/dir_entry_table.h"

/// How the last part of a DIR name is read: "*" and "?" as wildcards (the
/// tools' own listings), or as ordinary characters of one literal name (a
/// name taken from a list, which the lookup line writes in double quotes).
enum class DirName { kPattern, kLiteral };

/// What a DIR name resolved to, and what was found there: kNoError, the
/// reason nothing is listed, or kPathFileAccessError for a failed call
/// whose status is in `failure`.
struct DirFinding {
  std::string directory;  // absolute host path shown as "Directory of"
  DirEntryTable entries;
  ErrorNumber outcome = kNoError;
  FsStatus failure;
  // The listing's output file when it is written over in place where it
  // was to be removed and made anew: shown as the empty new file.
  const OsFile* made_anew = nullptr;
  // A warning for each name left out, said before the listing is written.
  std::vector<std::string> skipped;
  // What a name looked up by itself was found as, where it is a directory
  // left unread (see findOneName).
  FileStatus found;
};

/// What a listing of a directory shows of its names: how many it shows
/// and their bytes, and a warning for each one it leaves out. Known for the
/// directory of this identity while it has this time.
struct DirNames {
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t mtime = 0;
  uint64_t shown = 0;
  uint64_t name_bytes = 0;
  std::vector<std::string> skipped;
};

/// The entries of `name` ("" for the current directory), found through
/// `paths` and `files`; `rule` says whether its last part may be a
/// pattern. With `made_anew`, that open file shows as empty and made now
/// (see DirLister::list).
DirFinding findNames(FileSystem& files, DrivePaths& paths, std::string_view name,
                     DirName rule, const OsFile* made_anew);

/// Finds a name that is neither a directory's own nor a pattern, "*" and
/// "?" in a literal one included: its own stat, never a read of the whole
/// directory (`last` is its last part). A directory so named is read
/// whole, or, without `whole_directories`, left unread: false, with its
/// status in `found->found`.
bool findOneName(FileSystem& files, DrivePaths& paths, std::string_view name,
                 std::string_view last, bool whole_directories,
                 DirFinding* found);

/// Reads the visible entries of `found->directory` that match `pattern`
/// ("" for all), sorted, with "." and ".." in front when `with_dots`.
void readDirectory(FileSystem& files, std::string_view pattern, bool with_dots,
                   DirFinding* found);

/// Adds "." and ".." for `directory`; ".." shows the directory itself when
/// it has no parent to stat.
void addDots(FileSystem& files, const std::string& directory,
             DirEntryTable* entries);

/// The directory part (up to its last separator, or "") and the last part
/// of a DIR name.
struct NameParts {
  std::string_view directory;
  std::string_view last;
};
NameParts splitName(std::string_view name);

/// True for a last part that names the directory itself: it is read whole.
bool namesDirectoryItself(std::string_view last);

/// Goes over the names of a directory without a stat: which of them a
/// listing shows (their number and bytes) and which it leaves out, with
/// their warnings, into `*names`.
class NameScan : public DirectoryVisitor {
 public:
  explicit NameScan(DirNames* names) : names_(names) {}
  void expect(size_t, size_t) override {}
  bool wants(std::string_view name) override;
  void add(std::string_view, const FileStatus&) override {}

 private:
  DirNames* names_;
};

#endif  // KESTREL_SHELL_DIR_SEARCH_H_
