// The lock that runs sharing one drive root take before they use its scratch
// files. The scratch files have fixed names, so a second run in another
// directory of the same drive root would overwrite the first one's; with the
// lock it waits until the first run has ended instead.
#ifndef KESTREL_RUNTIME_DRIVE_LOCK_H_
#define KESTREL_RUNTIME_DRIVE_LOCK_H_

#include <functional>
#include <optional>
#include <string>

#include "platform/console.h"
#include "platform/drive_path.h"
#include "platform/error_number.h"
#include "platform/file_system.h"

class DriveLock {
 public:
  /// The lock is taken and let go through `files`.
  explicit DriveLock(FileSystem& files) : files_(files) {}
  /// Lets the lock go when it is held.
  ~DriveLock();
  DriveLock(const DriveLock&) = delete;
  DriveLock& operator=(const DriveLock&) = delete;

  /// Takes the lock of the drive root at `root` (a host path) for as long as
  /// this object lives, waiting for as long as another run holds it;
  /// `waiting` is called once before such a wait. Returns kNoError, or the
  /// failure when the root offers no lock in any way (it cannot be opened
  /// nor written, or its file system has no locks): a run never goes on
  /// unlocked without a word.
  [[nodiscard]] ErrorNumber take(const std::string& root,
                                 const std::function<void()>& waiting);
  bool held() const { return lock_.has_value(); }

 private:
  FileSystem& files_;
  std::optional<OsFile> lock_;
};

/// Takes `lock` for the drive root of `paths` once per run (the root is
/// looked up only while the lock is not held yet); when the run has to
/// wait and there is a console, it says so there once. Returns kNoError or
/// the failure of `take`.
[[nodiscard]] ErrorNumber holdDriveRoot(DriveLock& lock, Console& console,
                                        DrivePaths& paths);

#endif  // KESTREL_RUNTIME_DRIVE_LOCK_H_
