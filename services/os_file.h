// The platform's raw file calls behind the file table. Every call returns
// kNoError or the tools' error number of the failure (already mapped).
#ifndef KESTREL_SERVICES_OS_FILE_H_
#define KESTREL_SERVICES_OS_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "services/error_number.h"

/// `Rewrite` is `Output` that writes over the old content in place instead
/// of cutting the file to length 0 first; the close cuts it to the new
/// length. For a run's own scratch files: cutting a file to length 0 and
/// writing it again makes some file systems flush it to disk at its close.
enum class FileMode { Input, Output, Rewrite };

/// An open operating-system file: the handle and whether it is a character
/// device (console, printer, /dev/null) rather than a disk file.
struct OsFile {
  intptr_t handle = -1;
  bool character_device = false;
};

/// Opens a host path with no sharing: `Input` needs an existing readable
/// file; `Output` creates the file or cuts an existing disk file to length 0;
/// `Rewrite` creates the file or keeps its content.
/// A file that another opener holds fails with 70.
[[nodiscard]] ErrorNumber osOpen(const std::string& host_path, FileMode mode,
                                 OsFile* file);
/// Reads up to `size` bytes; `*got` of 0 means the end of the file.
[[nodiscard]] ErrorNumber osRead(const OsFile& file, char* buffer, size_t size,
                                 size_t* got);
/// Hands all bytes to the system at once; `*written` comes back short only
/// when the disk or device takes no more.
[[nodiscard]] ErrorNumber osWrite(const OsFile& file, const char* data,
                                  size_t size, size_t* written);
/// Sets the end of the file at the current position.
[[nodiscard]] ErrorNumber osTruncateHere(const OsFile& file);
[[nodiscard]] ErrorNumber osClose(const OsFile& file);

#endif  // KESTREL_SERVICES_OS_FILE_H_
