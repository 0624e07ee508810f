// The scratch files of a run that holds none of them in memory.
#include "runtime/scratch_files.h"

namespace {

class OnDisk : public ScratchFiles {
 public:
  void hold(const std::vector<std::string>&) override {}
  ErrorNumber release() override { return kNoError; }
};

}  // namespace

ScratchFiles& scratchFilesOnDisk() {
  static OnDisk on_disk;
  return on_disk;
}
