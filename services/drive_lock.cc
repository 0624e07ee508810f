// Taking the drive root's lock for a tool run.
#include "services/drive_lock.h"

#include "services/drive_path.h"

void holdDriveRoot(DriveLock& lock, Console& console) {
  if (lock.held()) return;
  std::string root = driveRoot();
  lock.take(root, [&] {
    if (!console.hasOutput()) return;
    console.printText("Waiting for another run in this drive root (" + root +
                      ") to end ...");
    console.newLine();
  });
}
