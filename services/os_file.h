// The platform's raw file calls behind the file table. Every call returns
// kNoError or the tools' error number of the failure (already mapped).
#ifndef KESTREL_SERVICES_OS_FILE_H_
#define KESTREL_SERVICES_OS_FILE_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "services/error_number.h"

/// `Input` reads a file of the keeper's; `Output` writes one in place.
/// `Rewrite` is `Output` for a run's own scratch files: it writes over the
/// old content in place instead of cutting the file to length 0 first, and
/// the close cuts it to the new length (cutting a file to length 0 and writing
/// it again makes some file systems flush it to disk at its close). `Replace`
/// is `Output` for a file that readers must only ever see whole, such as the
/// page: it is written under a hidden name beside it and takes its place at
/// the close.
enum class FileMode { Input, Output, Rewrite, Replace };

/// An open operating-system file: the handle, whether it is a character
/// device (console, printer, /dev/null) rather than a disk file, and the
/// file's identity (device and inode, 0 where the system gives none; for
/// `Replace` those of the file it replaces), by which a tool tells that it
/// has the same file open twice.
struct OsFile {
  intptr_t handle = -1;
  bool character_device = false;
  uint64_t device = 0;
  uint64_t inode = 0;
  std::string staged;  // for `Replace`: the hidden name written meanwhile
  std::string target;  // for `Replace`: the name it goes to at the close
};

/// Opens a host path: `Input` needs an existing readable regular file
/// (another kind fails with 75); `Output` and `Rewrite` create the file or
/// open it with its content (the file table cuts an `Output` file once it
/// knows that the file is not in use); `Replace` tests the name as `Output`
/// would, then writes a new file beside it. Where links can be planted, a link
/// is followed only when it and its target have the same owner (never for
/// `Rewrite`), and any other link is replaced by a file of its own, never
/// written through.
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
/// Closes the file; a `Replace` file then takes its name's place.
[[nodiscard]] ErrorNumber osClose(const OsFile& file);
/// Closes the file; a `Replace` file is removed, its name left as it was.
void osDiscard(const OsFile& file);

#endif  // KESTREL_SERVICES_OS_FILE_H_
