// The run's own scratch files in the drive root, which a layer of the file
// system may hold in memory while the run holds the drive root: a lookup
// writes, reads, removes and makes them again many times, and held, that
// costs no system call; their last contents go to disk once, at the end.
#ifndef KESTREL_RUNTIME_SCRATCH_FILES_H_
#define KESTREL_RUNTIME_SCRATCH_FILES_H_

#include <string>
#include <vector>

#include "platform/error_number.h"

class ScratchFiles {
 public:
  virtual ~ScratchFiles() = default;
  /// From now on the files at these host paths are held, where they can be.
  virtual void hold(const std::vector<std::string>& host_paths) = 0;
  /// Writes each held file's last contents to disk (one removed meanwhile
  /// is removed there) and holds none from now on. Returns kNoError or the
  /// first failure; a file that failed is left as its last write made it.
  [[nodiscard]] virtual ErrorNumber release() = 0;
};

/// Holds nothing: where another program opens the scratch files itself
/// (the real cmd on Windows), every use of them goes to disk.
ScratchFiles& scratchFilesOnDisk();

#endif  // KESTREL_RUNTIME_SCRATCH_FILES_H_
