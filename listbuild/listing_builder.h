// The listing builder's run: captures "dir /x" of the current directory in
// the drive root and writes the entries, one list line each, to
// "filesbbs.new"; an update writes FILES.BBS first and adds only the entries
// it does not name. A failure does not stop the run, but it is named in the
// closing line and never costs the keeper an existing list for nothing.
#ifndef KESTREL_LISTBUILD_LISTING_BUILDER_H_
#define KESTREL_LISTBUILD_LISTING_BUILDER_H_

#include <optional>
#include <string>
#include <string_view>

#include "listbuild/kept_list.h"
#include "platform/command_runner.h"
#include "platform/console.h"
#include "runtime/area_style.h"
#include "runtime/drive_lock.h"
#include "runtime/error_record.h"
#include "runtime/file_table.h"

namespace listbuild {

class ListingBuilder {
 public:
  /// With `update`, the list there is (FILES.BBS) is kept in the new one.
  /// The run's files go through `files`, its listing through `commands`.
  ListingBuilder(Console& console, ErrorRecord& errors, FileTable& files,
                 CommandRunner& commands, AreaStyle style = AreaStyle::kClassic,
                 bool update = false)
      : console_(console),
        errors_(errors),
        files_(files),
        paths_(files.paths()),
        commands_(commands),
        style_(style),
        update_(update) {}

  /// Runs steps 1 to 8 once; returns the process exit code: 0 when every
  /// operation succeeded, 1 when one failed. A failure after which the run
  /// must end at once (`ErrorRecord::fatal`) ends it when its step returns,
  /// with 1, and nothing more done; the tool's main then ends with 255.
  int run();

 private:
  // One row of the step table in listing_builder.cc: the step's number, what
  // it does, and its work. No step stops the run; only a failure that
  // leaves the run's own memory in doubt ends it.
  struct StepRow {
    int number;
    const char* label;
    void (ListingBuilder::*perform)();
  };
  static const StepRow kSteps[];

  void showBanner();
  void captureListing();
  void readKeptList();
  void openFiles();
  void convertLines();
  void closeFiles();
  void reportMissingEntries();
  // A list whose lines hold lone LFs reads as one line in the default
  // style: says so once, with the fix.
  void warnOfLfLineEnds();
  // The list line for one capture line in the run's style, or none.
  std::optional<std::string> listLine(std::string_view capture_line);
  // True when the entry of `list_line` goes into the list: always, unless
  // the kept list names it already or it is a name an update never adds.
  bool addsEntry(std::string_view list_line);
  void showClosingLine();
  // What the closing line says after a good update: the counts.
  std::string updateCounts() const;
  // After the dir command did not list the directory: makes the capture
  // itself, so that a drive root that cannot be written is named as the
  // cause.
  void findWhyNotListed();

  // Takes the error of the statement just run, if any, from the record and
  // keeps it when it is the run's first failure; `what` names the work that
  // failed. Returns the error number taken (0 for none).
  int noteFailure(const char* what);
  // Keeps `reason` as the run's failure unless an earlier one is kept.
  void keepFailure(const char* what, const std::string& reason);
  Console& console_;
  ErrorRecord& errors_;
  FileTable& files_;
  DrivePaths& paths_;  // the file table's
  CommandRunner& commands_;
  const AreaStyle style_;
  const bool update_;
  // An update's FILES.BBS, once it has been read whole.
  std::optional<KeptList> kept_;
  bool kept_unread_ = false;  // FILES.BBS is there, but could not be read
  int added_ = 0;             // entries the update added
  int missing_ = 0;           // named entries the directory lacks
  std::string failure_;       // "what failed: why", empty while all is well
  int dir_exit_code_ = 0;
  bool listed_ = false;         // the listing command ran and succeeded
  bool out_of_memory_ = false;  // the steps left end at the closing line
  bool drive_root_failed_ = false;
  // Held from the capture's making to the end of the run.
  DriveLock drive_lock_{files_.fileSystem()};
};

}  // namespace listbuild

#endif  // KESTREL_LISTBUILD_LISTING_BUILDER_H_
