// How every POSIX part of the tools opens a file by name. Anyone who may
// write an area or the drive root can plant a symbolic or hard link there, so
// a symbolic link is followed only when it and its target have the same owner
// (the keeper's own link), and no other link is ever written through: the name
// gets a new file of its own instead. Each rule judges the opened descriptor,
// not the name, so that nothing can be swapped in between the test and the use.
#ifndef KESTREL_PLATFORM_POSIX_OPEN_H_
#define KESTREL_PLATFORM_POSIX_OPEN_H_

#include <sys/types.h>

#include <string>

namespace posix_open {

/// Which links a name may lead through.
enum class Links {
  /// The keeper's files (lists, pages): a symbolic link whose owner owns
  /// its target.
  kOwnerMatch,
  /// The tools' own scratch files in the drive root: none, and only a file
  /// of the run's own user.
  kNone,
};

/// A descriptor, or -1 and the errno of the failure. `not_regular` when a
/// name to be read is a FIFO, socket or device, refused at once; `made` when
/// the file did not exist and was made by this open.
struct Opened {
  int fd = -1;
  int code = 0;
  bool not_regular = false;
  bool made = false;
};

/// Opens an existing regular file to read. A link that may not be followed
/// (another owner, dangling) and a file with a second name fail with EACCES.
Opened openToRead(const std::string& path, Links links);

/// Where the first write of `openToWrite` goes.
enum class Start { kEmpty, kKeep, kEnd };
struct WriteOptions {
  Links links = Links::kOwnerMatch;
  Start start = Start::kEmpty;
  bool read_too = false;  // read access as well
  bool make = true;       // false: a missing file fails with ENOENT
  mode_t mode = 0666;     // of a new file, before the umask
};
/// Opens `path` to write, made when missing. A symbolic link that may not be
/// followed and a file with a second name are removed first and the file
/// made anew; with kNone also any symbolic link, a FIFO, a socket and a file
/// of another user. A directory fails with EISDIR.
Opened openToWrite(const std::string& path, const WriteOptions& options);

/// A file written under a hidden name beside the one it replaces, and put in
/// its place when it is complete.
struct Replacement {
  std::string staged;  // the hidden name written meanwhile
  std::string target;  // the name it goes to
};
/// Opens the replacement of `path`: the name is tested as an open for writing
/// would test it (a directory fails with EISDIR, a file that may not be
/// written with EACCES), a link that may be followed leads to its target, and
/// the hidden file is made anew with the old file's permission bits. A
/// character device is opened as it is, with `*replacement` left empty.
/// `*device` and `*inode` are those of the file that will be replaced (0
/// and 0 when there is none).
Opened openReplacement(const std::string& path, Replacement* replacement,
                       dev_t* device, ino_t* inode);
/// Syncs and closes `fd` and renames the hidden file over the target; 0 or
/// the errno of the failure (the hidden file is then removed).
int commitReplacement(int fd, const Replacement& replacement);
/// Closes `fd` and removes the hidden file; the target stays as it was.
void abandonReplacement(int fd, const Replacement& replacement);
/// The hidden name under which a replacement of `target` is written: a dot
/// name, which no listing shows and no list line can name.
std::string stagedNameFor(const std::string& target);

}  // namespace posix_open

#endif  // KESTREL_PLATFORM_POSIX_OPEN_H_
