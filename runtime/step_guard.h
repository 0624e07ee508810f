// How a tool's run meets the failures that no step handles itself. A step
// may need memory for a text of any length (a list line, a description, a
// row); when there is none, that is the failure of the step, error 7,
// recorded like any other, and the step loop goes on from there. A failure
// that leaves the run's own memory in doubt (`ErrorRecord::fatal`) ends the
// run instead: the step loop stops, and the tool's main leaves the run's
// files as they are and ends with exit code 255.
#ifndef KESTREL_RUNTIME_STEP_GUARD_H_
#define KESTREL_RUNTIME_STEP_GUARD_H_

#include <memory>
#include <new>
#include <utility>

#include "platform/error_number.h"
#include "runtime/error_record.h"
#include "runtime/file_table.h"

/// Runs `step`, one step of a tool's run. True when it ran to its end;
/// false when memory ran out in it: the step was left at that point, and 7
/// (Out of memory) is recorded in `errors`.
template <typename Step>
[[nodiscard]] bool runGuardedStep(ErrorRecord& errors, Step&& step) {
  try {
    std::forward<Step>(step)();
    return true;
  } catch (const std::bad_alloc&) {
    errors.fail(kOutOfMemory);
    return false;
  }
}

/// Keeps `object` reachable to the process's end (at most a few).
void keepToTheEnd(const void* object);

/// For a run that must end at once: `object` (its file table, the file
/// system layers below it) is kept, never destroyed, until the process
/// ends, so that none of its files is closed. A page or list written under
/// a hidden name then does not take its name's place, and a scratch file is
/// neither cut to a new length nor written out from memory; the process's
/// end lets go of them as they are.
template <typename T>
void leaveAsItIs(std::unique_ptr<T> object) {
  keepToTheEnd(object.release());
}

#endif  // KESTREL_RUNTIME_STEP_GUARD_H_
