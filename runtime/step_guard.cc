// What a run that must end at once leaves as it is.
#include "runtime/step_guard.h"

#include <cstddef>

namespace {

// The objects of a run that ended at once: reachable from here to the
// process's end and never destroyed, as a file table that is destroyed
// closes its files. Held without allocating anything: memory may be what
// failed.
constexpr size_t kMostKept = 4;
const void* g_kept[kMostKept] = {};
size_t g_kept_count = 0;

}  // namespace

void keepToTheEnd(const void* object) {
  if (g_kept_count < kMostKept) g_kept[g_kept_count++] = object;
}
