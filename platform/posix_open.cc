// The open rules on POSIX. O_NOFOLLOW keeps every open from passing through
// a symbolic link unasked; a link is then judged by lstat before and after the
// open that follows it, and by fstat of what was opened. A name that must be
// made anew is removed and made with O_EXCL, so that a link planted in between
// is found and judged again instead of being written through.
#include "platform/posix_open.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix_io.h"
#include "platform/stop_signals.h"

namespace posix_open {

namespace {

// How often a name that keeps changing under an open is looked at again.
constexpr int kAttempts = 8;
// Room for the dot and ".new" within the longest name a directory takes.
constexpr size_t kLongestStagedBase = 240;
constexpr int kBaseFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

Opened failure(int code) {
  Opened opened;
  opened.code = code;
  return opened;
}

int openNoFollow(const std::string& path, int flags, mode_t mode = 0) {
  return retryAfterSignal(-1, [&] { return open(path.c_str(), flags, mode); });
}

// Closes `fd` and gives the failure `code`.
Opened closeWith(int fd, int code) {
  close(fd);
  return failure(code);
}

// Opens the target of the symbolic link `path` when the link and its target
// have one owner. -1 with `*followed` false when the link may not be
// followed (another owner, a link that leads nowhere, one changed while it
// was opened); -1 with `*followed` true and `*code` when the target could
// not be opened.
int openThroughLink(const std::string& path, int flags, bool* followed,
                    int* code) {
  *followed = false;
  *code = EACCES;
  struct stat before;
  if (lstat(path.c_str(), &before) != 0 || !S_ISLNK(before.st_mode)) return -1;
  int fd = openNoFollow(path, flags & ~(O_NOFOLLOW | O_CREAT | O_EXCL));
  if (fd < 0) {
    if (errno == ENOENT || errno == ELOOP) return -1;
    struct stat target;
    // A target of another owner is not followed, whatever the open said.
    *followed =
        stat(path.c_str(), &target) == 0 && target.st_uid == before.st_uid;
    if (*followed) *code = errno;
    return -1;
  }
  struct stat target;
  struct stat after;
  if (fstat(fd, &target) != 0 || lstat(path.c_str(), &after) != 0 ||
      after.st_ino != before.st_ino || after.st_dev != before.st_dev ||
      target.st_uid != before.st_uid) {
    close(fd);
    return -1;
  }
  *followed = true;
  return fd;
}

bool isOwnFile(const struct stat& st) { return st.st_uid == geteuid(); }

// Puts a descriptor opened without waiting back to ordinary, blocking I/O.
void clearNonBlocking(int fd, int more_flags = 0) {
  fcntl(fd, F_SETFL, (fcntl(fd, F_GETFL) & ~O_NONBLOCK) | more_flags);
}

// True when what was opened to write must not be written: the name is to
// get a new file of its own.
bool mustBeMadeAnew(const struct stat& st, Links links) {
  if (S_ISCHR(st.st_mode)) return false;
  if (!S_ISREG(st.st_mode)) return links == Links::kNone;
  return st.st_nlink > 1 || (links == Links::kNone && !isOwnFile(st));
}

// Removes the name so that it can be made anew; 0 or the errno.
int removeName(const std::string& path) {
  if (unlink(path.c_str()) == 0 || errno == ENOENT) return 0;
  return errno;
}

// What stands at `path` without following it; false when nothing does.
bool lookAtName(const std::string& path, struct stat* st) {
  return lstat(path.c_str(), st) == 0;
}

// Readies an opened descriptor to be written as `options` ask.
Opened readyToWrite(int fd, const struct stat& st, const WriteOptions& options,
                    bool made) {
  if (options.start == Start::kEmpty && S_ISREG(st.st_mode) && !made &&
      ftruncate(fd, 0) != 0) {
    return closeWith(fd, errno);
  }
  clearNonBlocking(fd, options.start == Start::kEnd ? O_APPEND : 0);
  Opened opened;
  opened.fd = fd;
  opened.made = made;
  return opened;
}

// Makes the file that `path` names when nothing stands there; with
// `*again` set when something was planted meanwhile.
Opened makeToWrite(const std::string& path, const WriteOptions& options,
                   int flags, bool* again) {
  if (!options.make) return failure(ENOENT);
  int fd = openNoFollow(path, flags | O_CREAT | O_EXCL, options.mode);
  if (fd < 0) {
    *again = errno == EEXIST;
    return failure(errno);
  }
  struct stat st;
  if (fstat(fd, &st) != 0) return closeWith(fd, errno);
  return readyToWrite(fd, st, options, true);
}

// True when a name that could not be opened to write is another user's
// scratch file, which the run removes and makes anew.
bool isOthersScratchFile(const std::string& path, const WriteOptions& options,
                         int code) {
  struct stat st;
  return code == EACCES && options.links == Links::kNone &&
         lookAtName(path, &st) && !isOwnFile(st) && !S_ISDIR(st.st_mode);
}

// One look at the name for `openToWrite`: the descriptor, a failure, or a
// failure with `*again` set when the name was removed or changed and must be
// looked at anew.
Opened tryToWrite(const std::string& path, const WriteOptions& options,
                  bool* again) {
  *again = false;
  const int flags = (options.read_too ? O_RDWR : O_WRONLY) | kBaseFlags;
  int fd = openNoFollow(path, flags);
  int code = fd < 0 ? errno : 0;
  if (fd < 0 && code == ENOENT) return makeToWrite(path, options, flags, again);
  // ELOOP: a symbolic link. It is written through only when it may be
  // followed; one that may not is replaced.
  bool replace = false;
  if (fd < 0 && code == ELOOP) {
    bool followed = false;
    if (options.links == Links::kOwnerMatch)
      fd = openThroughLink(path, flags, &followed, &code);
    if (fd < 0 && followed) return failure(code);
    replace = fd < 0;
  }
  // ENXIO: a FIFO without a reader, or a socket, which only a scratch
  // file's name gets replaced.
  bool scratch = options.links == Links::kNone;
  if (fd < 0 && !replace && !(code == ENXIO && scratch) &&
      !isOthersScratchFile(path, options, code)) {
    return failure(code);
  }
  struct stat st;
  if (fd >= 0 && fstat(fd, &st) != 0) return closeWith(fd, errno);
  if (fd >= 0 && !mustBeMadeAnew(st, options.links))
    return readyToWrite(fd, st, options, false);
  if (fd >= 0) close(fd);
  if (int removed = removeName(path)) return failure(removed);
  *again = true;
  return failure(EEXIST);
}

std::string directoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return path.substr(0, slash + 1);
}

// The name a replacement of `path` goes to: a link that may be followed
// leads to its target, any other name is replaced itself. Empty, with
// `*code`, when the link's target cannot be named.
std::string replacedName(const std::string& path, int* code) {
  struct stat st;
  if (!lookAtName(path, &st) || !S_ISLNK(st.st_mode)) return path;
  bool followed = false;
  int fd = openThroughLink(path, O_RDONLY | kBaseFlags, &followed, code);
  if (fd < 0) return followed ? "" : path;  // not followed: the link goes
  close(fd);
  char buffer[PATH_MAX];
  if (realpath(path.c_str(), buffer) == nullptr) {
    *code = errno;
    return "";
  }
  return buffer;
}

// Tests the name that a replacement goes to as an open to write would:
// 0, or the errno that such an open would fail with. `*keep_mode` is the
// old file's permission bits, or -1.
int testReplacedName(const std::string& target, int* keep_mode, dev_t* device,
                     ino_t* inode) {
  *keep_mode = -1;
  struct stat st;
  if (!lookAtName(target, &st)) return errno == ENOENT ? 0 : errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  if (!S_ISREG(st.st_mode) || st.st_nlink > 1) return 0;  // replaced as it is
  int fd = openNoFollow(target, O_WRONLY | kBaseFlags);
  if (fd < 0) return errno == ELOOP ? 0 : errno;
  close(fd);
  *keep_mode = static_cast<int>(st.st_mode & 0777);
  *device = st.st_dev;
  *inode = st.st_ino;
  return 0;
}

// Makes the hidden file anew: one left by a run that was killed goes first.
Opened makeStaged(const std::string& staged, int keep_mode) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (int removed = removeName(staged)) return failure(removed);
    int fd =
        openNoFollow(staged, O_WRONLY | O_CREAT | O_EXCL | kBaseFlags, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return failure(errno);
    if (keep_mode >= 0) fchmod(fd, static_cast<mode_t>(keep_mode));
    clearNonBlocking(fd);
    Opened opened;
    opened.fd = fd;
    opened.made = true;
    return opened;
  }
  return failure(EACCES);
}

}  // namespace

Opened openToRead(const std::string& path, Links links) {
  const int flags = O_RDONLY | kBaseFlags;
  int fd = openNoFollow(path, flags);
  int code = fd < 0 ? errno : 0;
  if (fd < 0 && code == ELOOP) {
    bool followed = false;
    if (links == Links::kOwnerMatch)
      fd = openThroughLink(path, flags, &followed, &code);
    if (fd < 0 && !followed) code = EACCES;
  }
  if (fd < 0) return failure(code);
  struct stat st;
  if (fstat(fd, &st) != 0) return closeWith(fd, errno);
  if (S_ISDIR(st.st_mode)) return closeWith(fd, EISDIR);
  if (!S_ISREG(st.st_mode)) {
    Opened refused = closeWith(fd, 0);
    refused.not_regular = true;
    return refused;
  }
  if (st.st_nlink > 1 || (links == Links::kNone && !isOwnFile(st)))
    return closeWith(fd, EACCES);
  clearNonBlocking(fd);
  Opened opened;
  opened.fd = fd;
  return opened;
}

Opened openToWrite(const std::string& path, const WriteOptions& options) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    bool again = false;
    Opened opened = tryToWrite(path, options, &again);
    if (!again) return opened;
  }
  return failure(EACCES);
}

Opened openReplacement(const std::string& path, Replacement* replacement,
                       dev_t* device, ino_t* inode) {
  *replacement = Replacement();
  *device = 0;
  *inode = 0;
  int code = 0;
  std::string target = replacedName(path, &code);
  if (target.empty()) return failure(code);
  struct stat st;
  if (lookAtName(target, &st) && S_ISCHR(st.st_mode)) {
    WriteOptions in_place;
    in_place.make = false;
    return openToWrite(target, in_place);
  }
  int keep_mode = -1;
  if (int refused = testReplacedName(target, &keep_mode, device, inode))
    return failure(refused);
  std::string staged = stagedNameFor(target);
  Opened opened = makeStaged(staged, keep_mode);
  if (opened.fd < 0) return opened;
  *replacement = Replacement{staged, target};
  removeOnStop(staged);
  return opened;
}

int commitReplacement(int fd, const Replacement& replacement) {
  int code = 0;
  if (retryAfterSignal(-1, fsync, fd) != 0 && errno != EINVAL) code = errno;
  if (close(fd) != 0 && errno != EINTR && code == 0) code = errno;
  if (code == 0 &&
      rename(replacement.staged.c_str(), replacement.target.c_str()) != 0) {
    code = errno;
  }
  if (code != 0) unlink(replacement.staged.c_str());
  keepOnStop(replacement.staged);
  return code;
}

void abandonReplacement(int fd, const Replacement& replacement) {
  close(fd);
  unlink(replacement.staged.c_str());
  keepOnStop(replacement.staged);
}

std::string stagedNameFor(const std::string& target) {
  std::string directory = directoryOf(target);
  std::string base = target.substr(directory.size(), kLongestStagedBase);
  return directory + "." + base + ".new";
}

}  // namespace posix_open
