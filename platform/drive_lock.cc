// Taking the drive root's lock for a tool run.
#include "platform/drive_lock.h"

#include "platform/drive_path.h"

ErrorNumber holdDriveRoot(DriveLock& lock, Console& console) {
  if (lock.held()) return kNoError;
  std::string root = driveRoot();
  return lock.take(root, [&] {
    if (!console.hasOutput()) return;
    console.printText("Waiting for another run in this drive root (" + root +
                      ") to end ...");
    console.newLine();
  });
}
