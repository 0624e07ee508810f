// The lookup shortcut of the host shell on POSIX: with the scratch files
// held in the overlay and the built-in interpreter in this process, a
// lookup's batch is run from its lines in hand, its DIR listed in memory,
// batch and capture put in place whole, and the capture's line read where
// it lies.
#ifndef KESTREL_SHELL_IN_PROCESS_LOOKUP_H_
#define KESTREL_SHELL_IN_PROCESS_LOOKUP_H_

#include <string>

#include "runtime/lookup_shortcut.h"
#include "shell/interpreter.h"
#include "shell/scratch_overlay.h"

class InProcessLookup : public LookupShortcut {
 public:
  InProcessLookup(ScratchOverlay& overlay, Interpreter& interpreter)
      : overlay_(overlay),
        interpreter_(interpreter),
        may_defer_([this](const FileStatus& directory) {
          return !overlay_.changesIn(directory.device, directory.inode);
        }) {}

  /// Not taken, and the batch goes the whole way, for any batch but a
  /// lookup of one file name, a name of none or a directory that the run
  /// changes nothing in, with both scratch files held and room for them.
  /// The capture's line is read here where the reading stays within what
  /// the capture holds so far.
  Result lookUp(const LookupBatch& batch, std::string* line) override;

 private:
  // Reads the batch and lists its DIR, with room set aside for the
  // capture: false where the lookup is not one to take here.
  bool prepare(const LookupBatch& batch);
  // Says what the batch says and puts the capture in place.
  Result finish(const LookupBatch& batch, std::string* line);

  ScratchOverlay& overlay_;
  Interpreter& interpreter_;
  // The batch's text and its lookup, their room kept from one to the next.
  std::string text_;
  PreparedLookup prepared_;
  bool capture_exists_ = false;
  // A directory's listing waits for its end where the run changes nothing
  // in it: where the run writes or holds no file, nor in a directory in it.
  DirLister::DirectoryCheck may_defer_;
};

#endif  // KESTREL_SHELL_IN_PROCESS_LOOKUP_H_
