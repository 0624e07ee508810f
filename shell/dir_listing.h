// The DIR command of the built-in interpreter: lists one name, a wildcard
// pattern or a whole directory, either in the fixed-column layout that both
// tools cut (with or without the short-name columns) or as bare names. A
// name given as literal is one entry, even when it holds "*" or "?". Every
// output line ends with CR LF; messages go where the run's messages go.
#ifndef KESTREL_SHELL_DIR_LISTING_H_
#define KESTREL_SHELL_DIR_LISTING_H_

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drive_path.h"
#include "platform/file_system.h"
#include "shell/dir_search.h"
#include "shell/dir_text.h"
#include "shell/messages.h"

/// What `DirLister::list` returns when its output could not be written whole.
inline constexpr int kDirOutputFailed = 2;

/// A text made when it is first needed, piece by piece: each piece is
/// handed to the function given.
using ListingTail =
    std::function<void(const std::function<void(std::string_view)>& put)>;

/// One name listed in memory by `DirLister::listOne`: what the listing
/// writes at once, the lines it leaves to be made when first needed (with
/// more room than they take), and what it has to say.
struct OneNameListing {
  std::string text;
  ListingTail ending;
  size_t ending_room = 0;
  std::vector<std::string> skipped;  // warnings, said first
  std::string error;                 // what was not found, or ""
};

/// Lists names for DIR, every lookup through one file system. It keeps the
/// drive's serial number and the header of the last directory listed, so
/// that a run of lookups, one per list entry, makes them once.
class DirLister {
 public:
  /// Names are found through `paths`, files through `files`.
  DirLister(FileSystem& files, DrivePaths& paths)
      : files_(files), paths_(paths) {}

  /// Lists `name` ("" for the current directory) in `format` into the open
  /// file `out`; `rule` says whether its last part may be a pattern.
  /// A name holding a control byte, or a blank and a "<", is left out, with
  /// one warning line for it. Returns 0, 1 when nothing was found or the
  /// path is missing, or kDirOutputFailed when the output could not be
  /// written whole; the reason goes to `messages` as an error. With
  /// `out_made_anew`, `out` is written over in place where it was to be
  /// removed and made anew, and the listing shows it so: empty, made now.
  int list(DirFormat format, std::string_view name, const OsFile& out,
           const Messages& messages, DirName rule = DirName::kPattern,
           bool out_made_anew = false);

  /// Whether a directory, by its status, stays as it is while the caller
  /// holds a listing of it to be made later.
  using DirectoryCheck = std::function<bool(const FileStatus& directory)>;

  /// `list` for a name that is one file or none, or a directory that
  /// `may_defer` lets be listed later, into `*one` and without a word said
  /// yet (see `tell`): for a caller that puts the text in place itself. Of
  /// a directory only the lines up to its ".." entry are made now: the
  /// rest is `one->ending`, made from the directory as it is then. False,
  /// with nothing done, for any other directory, a pattern, a hidden name
  /// or a name holding NUL.
  bool listOne(DirFormat format, std::string_view name, DirName rule,
               const DirectoryCheck& may_defer, OneNameListing* one);
  /// Says what `list` would have said of `one`, in its order.
  static void tell(const OneNameListing& one, const Messages& messages);

 private:
  const std::string& driveSerial();
  const std::string& headerText(const std::string& directory);
  bool listDirectoryLater(DirFormat format, const std::string& directory,
                          const FileStatus& status, OneNameListing* one);
  const DirNames* namesOf(const std::string& directory,
                          const FileStatus& status);
  // The header lines of a listing in `format` ("" for bare names).
  std::string_view headerOf(DirFormat format, const std::string& directory);

  FileSystem& files_;
  DrivePaths& paths_;
  std::string serial_root_;  // the drive root whose serial is `serial_`
  std::string serial_;
  std::string header_root_;  // the drive root and directory of `header_`
  std::string header_directory_;
  std::string header_;
  EntryLines entry_lines_;  // keeps the last time shown
  // The names of the last directory listed later.
  DirNames names_;
  bool names_known_ = false;
};

#endif  // KESTREL_SHELL_DIR_LISTING_H_
