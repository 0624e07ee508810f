// The run's own scratch files, held in memory while the run holds the drive
// root. A lookup writes, reads, removes and makes them again many times; held,
// that costs no system call, and their last contents go to disk once, when
// the run lets them go. Where another program must open the files itself
// (the real cmd on Windows) nothing is held and every call goes to disk.
#ifndef KESTREL_SERVICES_HELD_FILES_H_
#define KESTREL_SERVICES_HELD_FILES_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "services/error_number.h"

/// From now on the files at these host paths are held in memory. A path is
/// looked at on its first use: only a plain file of one name (or none yet)
/// in a directory this run may write, on a file system that can set room
/// aside for it, is held; any other is used on disk as before.
void holdFiles(const std::vector<std::string>& host_paths);
/// Writes each held file's last contents to disk (one removed meanwhile is
/// removed there) and holds none from now on. Returns kNoError or the first
/// failure; a file that failed is left as its last write to disk made it.
[[nodiscard]] ErrorNumber releaseHeldFiles();

// The file calls of the platform and the built-in interpreter go through
// these where they exist (POSIX).

/// Writes the held files' contents to disk and goes on holding them, for a
/// listing that shows the files themselves. A file removed in memory is
/// removed on disk and is no longer held.
[[nodiscard]] ErrorNumber writeOutHeldFiles();
/// True when the disk file with these device and inode numbers is held.
bool isHeldFileAt(uint64_t device, uint64_t inode);
/// True when `host_path` is held (looked at first when not yet).
bool holdsFile(const std::string& host_path);

/// A held file's handle is below -1, so never a system one nor "none".
bool isHeldHandle(intptr_t handle);

enum class HeldAccess { kRead, kWrite, kAppend };
/// Opens a held file: for `kRead` an existing one at its start, for `kWrite`
/// one emptied (made when missing), for `kAppend` one at its end (made when
/// missing). Returns false when `host_path` is not
/// held, for the caller to open on disk; else `*error` is kNoError and
/// `*handle` set, or the failure: 53 or 76 for a missing file, 70 for a
/// file open already, or the system's failure to read its disk contents.
bool openHeldFile(const std::string& host_path, HeldAccess access,
                  intptr_t* handle, ErrorNumber* error);
/// Copies up to `size` bytes from the position on; 0 at the end or after a
/// failure, whose errno is then in `*system_error` (else 0).
size_t readHeldFile(intptr_t handle, char* buffer, size_t size,
                    int* system_error);
/// Writes at the position; returns how many bytes were taken, fewer when
/// the disk has no room for more (`*system_error` ENOSPC) or a write to it
/// failed (its errno). A file grown beyond what is held in memory (1 MiB)
/// goes on in its disk file.
size_t writeHeldFile(intptr_t handle, const char* data, size_t size,
                     int* system_error);
/// Ends the file at the position.
void cutHeldFileHere(intptr_t handle);
/// Ends the file, at its end, with `text()`, made only when a read reaches
/// it or the file goes to disk: for a last line that costs a system call to
/// learn and that is seldom read. Returns false, with nothing written, when
/// the handle is not at the end or the disk has no room for `room` more
/// bytes; the caller then writes the text itself.
bool writeHeldFileLater(intptr_t handle, std::function<std::string()> text,
                        size_t room);
void closeHeldFile(intptr_t handle);
/// Removes a held file. Returns false when `host_path` is not held; else
/// `*error` is kNoError, or 53 or 76 when it was missing.
bool removeHeldFile(const std::string& host_path, ErrorNumber* error);
/// The whole contents of a held file. Returns false when `host_path` is not
/// held; else `*error` as for opening it to read.
bool readWholeHeldFile(const std::string& host_path, std::string* text,
                       ErrorNumber* error);

#endif  // KESTREL_SERVICES_HELD_FILES_H_
