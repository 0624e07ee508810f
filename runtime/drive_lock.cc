// Taking the drive root's lock for a tool run.
#include "runtime/drive_lock.h"

DriveLock::~DriveLock() {
  // The lock goes with its handle; a failed close leaves nothing held.
  if (held()) (void)files_.close(*lock_);
}

ErrorNumber DriveLock::take(const std::string& root,
                            const std::function<void()>& waiting) {
  if (held()) return kNoError;
  OsFile lock;
  if (FsStatus status = files_.lockDriveRoot(root, waiting, &lock))
    return status;
  lock_ = lock;
  return kNoError;
}

ErrorNumber holdDriveRoot(DriveLock& lock, Console& console,
                          DrivePaths& paths) {
  if (lock.held()) return kNoError;
  const std::string root = paths.root();
  return lock.take(root, [&] {
    if (!console.hasOutput()) return;
    console.printText("Waiting for another run in this drive root (" + root +
                      ") to end ...");
    console.newLine();
  });
}
