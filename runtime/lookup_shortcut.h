// A shorter way to a lookup's result. A lookup writes the scratch batch,
// runs it and reads the first lines of the capture it leaves. Where the
// host shell runs batches in this process and holds the scratch files in
// memory, that round trip costs far more than the lookup itself: the
// shortcut leaves the same files and console output without it.
#ifndef KESTREL_RUNTIME_LOOKUP_SHORTCUT_H_
#define KESTREL_RUNTIME_LOOKUP_SHORTCUT_H_

#include <string>
#include <string_view>
#include <vector>

/// One lookup's batch: its tool name, host path and lines, the capture it
/// writes (tool name and host path), how many of the capture's first lines
/// the lookup reads, and whether the caller has written the batch file
/// with those lines already.
struct LookupBatch {
  std::string_view batch_name;
  const std::string& batch_path;
  const std::vector<std::string>& lines;
  std::string_view capture_name;
  const std::string& capture_path;
  int lines_read;
  bool written = false;
};

class LookupShortcut {
 public:
  /// How far a lookup went: not at all (the caller writes and runs the
  /// batch), not yet (the batch is too long to hold: the caller writes it
  /// and asks again), the batch ran (the caller reads the capture), or the
  /// capture's line was read too.
  enum class Result { kNotTaken, kWriteFirst, kRan, kLineRead };

  virtual ~LookupShortcut() = default;
  /// Leaves the batch file holding `batch.lines`, each ended by CR LF (as
  /// it holds them already when `batch.written`), and everything else as
  /// running it then leaves it; with kLineRead,
  /// `*line` is the last line that reading the capture line by line takes,
  /// each read after a check for its end, in `batch.lines_read` reads.
  /// With kNotTaken and kWriteFirst nothing has changed.
  virtual Result lookUp(const LookupBatch& batch, std::string* line) = 0;
};

/// Takes no shortcut: every lookup writes and runs its batch.
LookupShortcut& noLookupShortcut();

#endif  // KESTREL_RUNTIME_LOOKUP_SHORTCUT_H_
