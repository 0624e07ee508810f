// Taking the drive root's lock for a tool run.
#include "platform/drive_lock.h"

ErrorNumber holdDriveRoot(DriveLock& lock, Console& console,
                          const std::string& root) {
  if (lock.held()) return kNoError;
  return lock.take(root, [&] {
    if (!console.hasOutput()) return;
    console.printText("Waiting for another run in this drive root (" + root +
                      ") to end ...");
    console.newLine();
  });
}
