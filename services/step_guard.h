// The guard around each step of a tool's run. A step may need memory for a
// text of any length (a list line, a description, a row); when there is
// none, that is the failure of the step, error 7, recorded like any other
// failure, and the tool's step loop goes on from there.
#ifndef KESTREL_SERVICES_STEP_GUARD_H_
#define KESTREL_SERVICES_STEP_GUARD_H_

#include <new>
#include <utility>

#include "services/error_number.h"
#include "services/error_record.h"

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

#endif  // KESTREL_SERVICES_STEP_GUARD_H_
