// The built-in command interpreter: runs the batch files and "cmd /c" lines
// that the tools write (del, DIR /X, DIR /B, output redirection) in process,
// where the host has no such interpreter, and passes every other line on to
// the runner behind it. Nothing else ever runs: a list line that reaches a
// command is one literal name, never a shell command.
#ifndef KESTREL_SHELL_INTERPRETER_H_
#define KESTREL_SHELL_INTERPRETER_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/command_runner.h"
#include "platform/error_number.h"
#include "platform/file_system.h"
#include "shell/batch_words.h"
#include "shell/dir_listing.h"
#include "shell/messages.h"

/// True when `command_line` is for the interpreter: its first word names a
/// batch file (ends in .BAT or .CMD, any case) or it is "cmd /c ...".
bool isInterpreterCommand(std::string_view command_line);

/// A lookup batch read, its DIR listed in memory and nothing yet put in
/// place or said (see `Interpreter::prepareLookup`).
struct PreparedLookup {
  std::string_view output;  // the file that the batch removes and makes anew
  OneNameListing listing;   // what its DIR writes there
};

class Interpreter : public CommandRunner {
 public:
  /// Every file of a command goes through `files`; lines that are not the
  /// interpreter's go to `next`. Where messages go is decided here, once:
  /// the standard streams stay what they are for the whole run.
  Interpreter(FileSystem& files, DrivePaths& paths, CommandRunner& next,
              BatchMessages messages = BatchMessages::kStandardError)
      : files_(files),
        paths_(paths),
        next_(next),
        messages_(messages),
        lister_(files, paths) {}

  /// Runs an interpreter line: `*exit_code` is its exit code (0 success, 1
  /// failure; messages as `BatchMessages` says). Returns the error number
  /// when it cannot start at all (the batch file does not exist or cannot
  /// be read; the exit code is then 0), else kNoError.
  [[nodiscard]] ErrorNumber run(std::string_view command_line,
                                int* exit_code) override;

  /// Reads `lines` as a batch file that holds them, each ended by CR LF:
  /// true where they are "del X" and then a DIR line of one file name (or
  /// one that names none) whose output file is X, and blank lines at most. That DIR is then listed into
  /// `*lookup`, without a file changed or a word said: where X is the run's
  /// own plain file or missing, running the batch leaves X holding that
  /// listing and says what `tell` says.
  /// A directory is listed later where `may_defer` lets it (see
  /// DirLister::listOne).
  bool prepareLookup(const std::vector<std::string>& lines,
                     const DirLister::DirectoryCheck& may_defer,
                     PreparedLookup* lookup);
  /// Says what running the prepared lookup says, its "del" failing with
  /// `removed` where that is not kNoError (the file was not there).
  void tell(const PreparedLookup& lookup, const FsStatus& removed) const;

 private:
  FileSystem& files_;
  DrivePaths& paths_;
  CommandRunner& next_;
  Messages messages_;
  DirLister lister_;  // the DIR command, its header kept from run to run
  // The "del" line of the last lookup batch read, and the name it removes.
  std::string lookup_del_line_;
  std::string lookup_deleted_;
  // The lookup's DIR line as last read, with room for its words kept from
  // one to the next; the text around its name, and the listing's format.
  batch::CommandLine lookup_line_;
  std::vector<batch::Word> lookup_words_;
  batch::NameSlot lookup_slot_;
  DirFormat lookup_format_ = DirFormat::kShortNames;
};

#endif  // KESTREL_SHELL_INTERPRETER_H_
