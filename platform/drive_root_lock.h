// The lock that runs sharing one drive root take on the disk, as the real
// file systems take it: one file per platform says how. A run reaches it
// through `FileSystem::lockDriveRoot`.
#ifndef KESTREL_PLATFORM_DRIVE_ROOT_LOCK_H_
#define KESTREL_PLATFORM_DRIVE_ROOT_LOCK_H_

#include <functional>
#include <string>

#include "platform/file_system.h"

/// Takes the lock of the drive root at `root` (a host path), waiting for as
/// long as another run holds it; `waiting` is called once before such a
/// wait. The lock is held while `*lock` is open. Fails when the root offers
/// no lock in any way (it cannot be opened nor written, or its file system
/// has no locks).
FsStatus lockDriveRootOnDisk(const std::string& root,
                             const std::function<void()>& waiting,
                             OsFile* lock);

#endif  // KESTREL_PLATFORM_DRIVE_ROOT_LOCK_H_
