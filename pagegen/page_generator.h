// The index page generator's run, from its banner to its exit: the area
// text and the optional configuration file, the reading of FILES.BBS into
// table rows with their directory lookups, the error step that creates a
// missing list or reports a failure, and the finish of the page.
#ifndef KESTREL_PAGEGEN_PAGE_GENERATOR_H_
#define KESTREL_PAGEGEN_PAGE_GENERATOR_H_

#include <string>
#include <string_view>
#include <vector>

#include "pagegen/entry_rows.h"
#include "services/console.h"
#include "services/drive_lock.h"
#include "services/error_record.h"
#include "services/file_table.h"

class PageGenerator {
 public:
  PageGenerator(Console& console, ErrorRecord& errors, FileTable& files)
      : console_(console), errors_(errors), files_(files) {}

  /// Runs the whole tool; returns the process exit code: 0, or 1 after an
  /// error report.
  int run();

 private:
  // The steps of the run, by the labels and numbers they are known by.
  enum Step {
    kStep20,
    kStep40,
    kCmdFix,
    kStep100,
    kStep120,
    kStep140,
    kGetIni1,
    kGetIni2,
    kNoIni,
    kStart,
    kStep1020,
    kStep1040,
    kSearch,
    kStep1060,
    kStep1080,
    kNotFile,
    kStep1100,
    kStep1120,
    kEntry,
    kOkLfn,
    kFindIt,
    kGo4It,
    kAppDesc,
    kInterror,
    kStep10000,
    kFinished,
    kStep50100,
    kJumpOut,
  };

  // The steps from `step` on, until the run ends with its exit code.
  int runSteps(Step& step);
  // After a statement: true when it failed and control passes to the error
  // step, which is then in `*next`.
  bool failed(Step* next);
  // Lets go of the texts of the list line being handled, after memory ran
  // out, so that the report and the finish have room.
  void releaseWorkingTexts();
  // Writes one page line; false when it failed.
  bool writePageLine(std::string_view line);
  // Writes each text as one page line; stops at the first failure.
  void writePageLines(const std::vector<std::string>& lines);
  // Writes the open row's description cell from the pending description.
  void writeDescriptionCell();
  // Takes the drive root for this run, then opens the scratch batch file.
  void openScratchBatch();
  // Prints the error report of a failure and waits for a key if one can
  // be read.
  void reportError(uint16_t line, int number);

  Console& console_;
  ErrorRecord& errors_;
  FileTable& files_;

  // Run settings, final once the configuration has been read.
  std::string area_;
  std::string page_name_;
  std::string title_;

  // The list line being sorted out, and the entry it became.
  std::string line_;
  std::string name_;
  std::string description_;
  // What the next APPDESC appends.
  std::string fragment_;
  // The description gathered for the open row, and whether a row is open.
  std::string pending_;
  bool row_open_ = false;
  bool directory_flag_ = false;
  std::string capture_line_;
  rows::Cells cells_;

  // The failure that INTERROR hands to the report.
  uint16_t failed_line_ = 0;
  int failed_number_ = 0;

  // Held from the first use of the drive root's scratch files to the end.
  DriveLock drive_lock_;
  // True while the scratch files are in use, so that a failure there can
  // tell how the drive root is chosen.
  bool in_scratch_ = false;

  bool list_created_ = false;
  bool finishing_ = false;
  bool reported_ = false;
};

#endif  // KESTREL_PAGEGEN_PAGE_GENERATOR_H_
