// The index page generator's run, from its banner to its exit: the area
// text and the optional configuration file, the reading of FILES.BBS (or,
// in a modern area without one, DESCRIPT.ION) into table rows with their
// directory lookups, the error step that creates a missing list or reports
// a failure, and the finish of the page.
#ifndef KESTREL_PAGEGEN_PAGE_GENERATOR_H_
#define KESTREL_PAGEGEN_PAGE_GENERATOR_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pagegen/case_index.h"
#include "pagegen/rows.h"
#include "platform/command_runner.h"
#include "platform/console.h"
#include "runtime/area_style.h"
#include "runtime/arguments.h"
#include "runtime/drive_lock.h"
#include "runtime/error_record.h"
#include "runtime/file_table.h"
#include "runtime/lookup_shortcut.h"
#include "runtime/scratch_files.h"
#include "text/list_line.h"

class PageGenerator {
 public:
  /// The run's files go through `files`, its lookups through `commands`;
  /// while it holds the drive root, `scratch` holds its scratch files and
  /// a lookup may take `lookups` instead of running its batch. `tail` is
  /// the area text, the command tail without an option in front.
  PageGenerator(Console& console, ErrorRecord& errors, FileTable& files,
                CommandRunner& commands, ScratchFiles& scratch,
                LookupShortcut& lookups, AreaStyle style = AreaStyle::kClassic,
                CommandTail tail = CommandTail())
      : console_(console),
        errors_(errors),
        files_(files),
        paths_(files.paths()),
        commands_(commands),
        scratch_(scratch),
        lookups_(lookups),
        style_(style),
        tail_(std::move(tail)) {}

  /// Runs the whole tool; returns the process exit code: 0, or 1 after an
  /// error report. A failure after which the run must end at once
  /// (`ErrorRecord::fatal`) ends it when its step returns, with 1, and
  /// nothing more done; the tool's main then ends with 255.
  int run();

 private:
  // The steps of the run, by the labels and numbers they are known by; the
  // table in page_generator.cc gives each its label, number and work.
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
    kOtherCase,
    kGo4It,
    kAppDesc,
    kInterror,
    kStep10000,
    kFinished,
    kStep50100,
    kJumpOut,
    kEnd,  // not a step: the run is over
  };
  // One row of the step table: what the error record is told on entering
  // the step (a label, a number, or both), and the step's work, which
  // returns the step that follows when nothing fails.
  struct StepRow {
    Step step;
    const char* label;
    uint16_t number;
    Step (PageGenerator::*perform)();
  };
  static const StepRow kSteps[];
  static uint16_t numberOf(Step step);

  // Configuration.
  Step start();
  Step checkArea();
  Step fixArea();
  Step readConfigurationFrom();
  Step openConfiguration();
  Step configurationOpened();
  Step readPageName();
  Step readTitle();
  Step closeConfiguration();
  // Page building.
  Step beginPage();
  Step openList();
  Step openPage();
  Step search();
  Step readListLine();
  Step skipPageItself();
  Step sortOutLine();
  Step closeOpenRow();
  Step writeDescriptionCell();
  Step startRow();
  Step lookUpEntry();
  Step readCapture();
  Step lookUpOtherCase();
  Step writeDateAndSize();
  Step appendDescription();
  // The error step, the report and the finish.
  Step handleError();
  Step report();
  Step finish();
  Step closeAll();
  Step jumpOut();

  // Writes each text as one line of the file `number`; stops at the first
  // failure.
  void writeLines(int16_t number, const std::vector<std::string>& lines);
  void writePageLines(const std::vector<std::string>& lines);
  // Writes one page line; false when it failed.
  bool writePageLine(std::string_view line);
  // Writes `page_line_`, a short line just made, as one page line; false
  // when it failed.
  bool writeMadeLine();
  // Writes the open row's description cell from the pending description.
  void writePendingCell();
  // Lets go of the texts of the list line being handled, after memory ran
  // out, so that the report and the finish have room.
  void releaseWorkingTexts();
  // Takes the drive root for this run, and its scratch files with it; false
  // when it failed.
  bool holdScratchFiles();
  // Takes the drive root for this run, then writes the scratch batch file
  // with `lines` and runs it; stops at the first failure.
  void runScratchBatch(const std::vector<std::string>& lines);
  // Writes the scratch batch file with `lines` and runs it.
  void writeAndRunBatch(const std::vector<std::string>& lines);
  // Writes the scratch batch file with `lines`.
  void writeBatch(const std::vector<std::string>& lines);
  // The lookup's batch: run in process where the host shell can, else
  // written and run; says how far the shortcut went.
  LookupShortcut::Result runLookupBatch(const std::vector<std::string>& lines);
  // Lets go of the room of a text that held a very long name.
  static void releaseIfLong(std::string* text);
  // Writes the held scratch files to disk and holds them no longer.
  [[nodiscard]] ErrorNumber releaseScratchFiles();
  // Appends `name` as the lookup line writes it after "DIR /X": bare, or in
  // double quotes when it must be read as one literal name.
  void appendLookupWord(const std::string& name, std::string* line) const;
  // The name the entry is looked up by: as the list writes it, or as the
  // disk holds it once it was found in another case.
  const std::string& lookupName() const {
    return disk_name_.empty() ? name_ : disk_name_;
  }
  // True when the entry may be looked up in another case: modern areas
  // only, once per entry, and never a path.
  bool mayTryOtherCase() const;
  // Takes the entry's name on disk from the case index when the area does
  // not hold it as written.
  void takeDiskName();
  // Lists the area's names into the capture once per run and reads them
  // into the case index; stops at the first failure.
  void readCaseIndex();
  // Writes the modern row's name cell, which waited for the lookup; false
  // when it failed.
  bool writeOwedNameLine();
  // Writes the row's name cell with its link to `target`; false when it
  // failed.
  bool writeNameLine(const std::string& target);
  // Reads the names of the list that DIR /B just made into `*names`, and
  // writes the list again from `lines`; both stop at the first failure.
  void readCreatedList(std::vector<std::string>* names);
  void writeCreatedList(const std::vector<std::string>& lines);
  // Rewrites the list that DIR /B just made with each name as a modern
  // list writes it.
  void quoteCreatedList();
  // Leaves the names that begin with a backslash out of the list that
  // DIR /B just made, each named on standard error; a list without any
  // stays as it was made.
  void dropDirectoryMarkNames();
  // Says once on standard error that the list line just read holds a lone
  // LF, so that the list was saved with LF line ends.
  void warnOfLfLineEnds();
  // The same for a line of the configuration file, in the default style.
  void warnOfConfigurationLfLineEnds();
  // Counts the list line just read, and those that rule 6 left out for
  // their "&".
  void countListLine();
  // Says after the run, on standard error and on a console that does not
  // show it, how many list lines were left out for their "&", if any.
  void warnOfAmpersandLines();
  // The line ends of the configuration file and the list in this style.
  LineEnds lineEnds() const;
  // Prints the error report of a failure and waits for a key if one can
  // be read.
  void reportError(uint16_t line, int number);
  // The lines that follow the report: what failed on which file (when the
  // failure names one), that an area's DESCRIPT.ION could not be read, and
  // how the drive root is chosen (when that may be the cause), each as
  // "kestrel: ...".
  std::vector<std::string> reportNotes(uint16_t line,
                                       const std::string& message) const;

  Console& console_;
  ErrorRecord& errors_;
  FileTable& files_;
  DrivePaths& paths_;  // the file table's
  CommandRunner& commands_;
  ScratchFiles& scratch_;
  LookupShortcut& lookups_;
  const AreaStyle style_;
  const CommandTail tail_;

  // Run settings, final once the configuration has been read.
  std::string area_;
  std::string page_name_;
  std::string title_;

  // The list line being sorted out, and the entry it became.
  std::string line_;
  list_line::Sorted sorted_;
  std::string name_;
  std::string description_;
  // The entry's name on disk when it was found in another case than the
  // list's; empty while it is looked up as written.
  std::string disk_name_;
  bool case_tried_ = false;      // the lookup in another case was made
  bool name_line_owed_ = false;  // a modern row's name cell is not out yet
  // The area's names by their folded case, read once, when a modern run
  // first finds an entry not as written.
  CaseIndex case_index_;
  bool case_index_read_ = false;
  // What the next APPDESC appends: `fragment_`, or the entry's name as a
  // link for a long-name row.
  std::string fragment_;
  bool fragment_is_name_link_ = false;
  // The description gathered for the open row, and whether a row is open.
  std::string pending_;
  bool row_open_ = false;
  bool directory_flag_ = false;
  std::string capture_line_;
  bool capture_line_read_ = false;
  // The lookup batch's lines and a page line as they are made, their room
  // kept from one entry to the next.
  std::vector<std::string> batch_lines_;
  std::string page_line_;  // the lookup's shortcut read it already
  rows::Cells cells_;

  // The failure that INTERROR hands to the report.
  uint16_t failed_line_ = 0;
  int failed_number_ = 0;
  FailedUse failed_use_;

  // Held from the first use of the drive root's scratch files to the end.
  DriveLock drive_lock_{files_.fileSystem()};
  // True while the scratch files are in use, so that a failure there can
  // tell how the drive root is chosen.
  bool in_scratch_ = false;
  bool holding_scratch_ = false;  // the scratch files are held in memory
  // Their host paths, found when they were first held.
  std::string batch_path_;
  std::string capture_path_;

  bool list_created_ = false;
  // A modern area without FILES.BBS is read from DESCRIPT.ION when it has
  // one: tried once, and true while that is the list.
  bool descriptions_tried_ = false;
  bool descriptions_ = false;
  bool warned_of_lf_ = false;
  bool warned_of_configuration_lf_ = false;
  // List lines read so far, and those left out for their "&": how many,
  // and the number of the first.
  long list_lines_read_ = 0;
  long ampersand_lines_ = 0;
  long first_ampersand_line_ = 0;
  bool finishing_ = false;
  bool reported_ = false;
};

#endif  // KESTREL_PAGEGEN_PAGE_GENERATOR_H_
