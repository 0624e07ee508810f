// Held files on POSIX (Linux: room is set aside with fallocate; where a file
// system cannot, nothing is held there). Each held path keeps its disk file
// open (made empty when it was missing) with room set aside for its contents,
// so that a write to disk at the release cannot find the disk full where a
// write in place would have found room; a write in memory beyond that room asks
// the disk for more first, and a full disk shows as a short write at once, as
// on disk.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "services/held_files.h"
#include "services/os_error.h"
#include "services/posix_io.h"
#include "services/posix_open.h"

namespace {

// A larger file is used on disk: holding it could cost much memory.
constexpr int64_t kLargestHeld = int64_t{1} << 20;
// Room is set aside on disk in steps of this many bytes.
constexpr int64_t kRoomStep = 4096;
// Handles count down from here: -2 for the first held path, -3, ...
constexpr intptr_t kFirstHandle = -2;

struct HeldFile {
  std::string path;
  bool looked_at = false;
  bool held = false;    // false: the path is used on disk
  int fd = -1;          // the disk file while held
  uint64_t device = 0;  // of the disk file
  uint64_t inode = 0;
  int64_t room = 0;      // bytes set aside on disk
  bool exists = false;   // in memory
  bool loaded = false;   // `contents` holds the file's bytes
  bool changed = false;  // memory differs from disk
  bool in_use = false;   // open through a handle
  size_t position = 0;   // of the handle
  std::string contents;
  // Grown too long to hold: the contents are the disk file's, read and
  // written there at the handle's position.
  bool on_disk = false;
  int64_t disk_size = 0;  // while `on_disk`
  // The file's last text, made when first needed (see writeHeldFileLater).
  std::function<std::string()> ending;
};

std::vector<HeldFile>& heldFiles() {
  static std::vector<HeldFile> files;
  return files;
}

int64_t roundedUp(int64_t size) {
  return (size + kRoomStep - 1) / kRoomStep * kRoomStep;
}

// Sets room aside for `size` bytes without changing the file's length.
bool makeRoom(HeldFile& file, int64_t size) {
  if (size <= file.room) return true;
  int64_t room = roundedUp(size);
  if (retryAfterSignal(-1, fallocate, file.fd, FALLOC_FL_KEEP_SIZE, off_t{0},
                       static_cast<off_t>(room)) != 0) {
    return false;
  }
  file.room = room;
  return true;
}

// Opens the disk file of a path about to be held, making it when missing; a
// link or another user's file there is removed and the file made anew (the
// run owns the names of its scratch files). False when it does not qualify
// (the caller then lets it go).
bool openOnDisk(HeldFile& file, bool* made) {
  posix_open::WriteOptions options;
  options.links = posix_open::Links::kNone;
  options.start = posix_open::Start::kKeep;
  options.read_too = true;
  posix_open::Opened opened = posix_open::openToWrite(file.path, options);
  file.fd = opened.fd;
  *made = opened.made;
  if (file.fd < 0) return false;
  struct stat st;
  // Only a plain file of no great length.
  if (fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      st.st_size > kLargestHeld) {
    return false;
  }
  file.device = st.st_dev;
  file.inode = st.st_ino;
  // A file made here is missing as far as the run knows: unless the run
  // makes it, the release removes it again.
  file.exists = !*made;
  file.loaded = file.changed = *made;
  return makeRoom(file, std::max<int64_t>(st.st_size, kRoomStep));
}

// Decides on its first use whether a path is held.
void lookAt(HeldFile& file) {
  if (file.looked_at) return;
  file.looked_at = true;
  bool made = false;
  file.held = openOnDisk(file, &made);
  if (file.held || file.fd < 0) return;
  if (made) unlink(file.path.c_str());
  close(file.fd);
  file.fd = -1;
}

HeldFile* heldAt(const std::string& host_path) {
  for (HeldFile& file : heldFiles()) {
    if (file.path != host_path) continue;
    lookAt(file);
    return file.held ? &file : nullptr;
  }
  return nullptr;
}

HeldFile* byHandle(intptr_t handle) {
  std::vector<HeldFile>& files = heldFiles();
  intptr_t index = kFirstHandle - handle;
  if (index < 0 || index >= static_cast<intptr_t>(files.size())) return nullptr;
  HeldFile& file = files[static_cast<size_t>(index)];
  return file.held && file.in_use ? &file : nullptr;
}

// Whose position a deferred ending moves when it is made.
enum class Handle { kStays, kWriterMoves };

// The file's length, in memory or on disk.
size_t lengthOf(const HeldFile& file) {
  return file.on_disk ? static_cast<size_t>(file.disk_size)
                      : file.contents.size();
}

// Makes a file's deferred ending part of its contents (a file has one only
// while in memory). A writer's handle at the old end goes on after it; a
// reader's stays, to read it.
void makeEnding(HeldFile& file, Handle handle = Handle::kStays) {
  if (!file.ending) return;
  std::function<std::string()> ending = std::move(file.ending);
  file.ending = nullptr;
  bool at_end = file.position == file.contents.size();
  file.contents += ending();
  if (at_end && handle == Handle::kWriterMoves)
    file.position = file.contents.size();
}

// Writes `size` bytes at `offset` of the disk file; 0 or the errno that
// stopped it (ENOSPC for a full disk), with `*done` the bytes taken.
int writeAt(int fd, const char* data, size_t size, size_t offset,
            size_t* done) {
  *done = 0;
  while (*done < size) {
    ssize_t n = retryAfterSignal(-1, pwrite, fd, data + *done, size - *done,
                                 static_cast<off_t>(offset + *done));
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    *done += static_cast<size_t>(n);
  }
  return 0;
}

// Writes the contents of a file held in memory to its disk file, which then
// holds the same bytes; 0 or the errno of the failure.
int writeContents(HeldFile& file) {
  size_t done = 0;
  int code =
      writeAt(file.fd, file.contents.data(), file.contents.size(), 0, &done);
  if (code == 0 && ftruncate(file.fd, static_cast<off_t>(done)) != 0)
    code = errno;
  if (code == 0) file.changed = false;
  return code;
}

// Moves the contents of a file grown too long to hold into its disk file;
// 0 or the errno of the failure.
int moveToDisk(HeldFile& file) {
  if (int code = writeContents(file)) return code;
  file.disk_size = static_cast<int64_t>(file.contents.size());
  std::string().swap(file.contents);
  file.on_disk = true;
  return 0;
}

// Reads or writes a file that lives on disk at the handle's position.
size_t readOnDisk(HeldFile& file, char* buffer, size_t size, int* code) {
  ssize_t n = retryAfterSignal(-1, pread, file.fd, buffer, size,
                               static_cast<off_t>(file.position));
  *code = n < 0 ? errno : 0;
  if (n <= 0) return 0;
  file.position += static_cast<size_t>(n);
  return static_cast<size_t>(n);
}

size_t writeOnDisk(HeldFile& file, const char* data, size_t size, int* code) {
  size_t done = 0;
  *code = writeAt(file.fd, data, size, file.position, &done);
  file.position += done;
  file.disk_size =
      std::max(file.disk_size, static_cast<int64_t>(file.position));
  return done;
}

// Reads the disk contents of a file not yet changed in memory, or of one
// that lives on disk (into `contents`, for a whole read).
ErrorNumber load(HeldFile& file) {
  if (file.loaded && !file.on_disk) return kNoError;
  std::string contents;
  char buffer[8192];
  ssize_t n = 0;
  while ((n = retryAfterSignal(-1, pread, file.fd, buffer, sizeof buffer,
                               static_cast<off_t>(contents.size()))) > 0) {
    contents.append(buffer, static_cast<size_t>(n));
  }
  if (n < 0) return errorFromSystemCode(errno);
  file.contents = std::move(contents);
  file.loaded = true;
  if (file.on_disk) {
    file.on_disk = false;  // held again, as read
    file.changed = false;
  }
  return kNoError;
}

// The failure of a file that memory holds as missing, as the disk gives it.
ErrorNumber missing(const HeldFile& file) {
  return missingFileOrPath(file.path);
}

// Puts a changed file's contents on disk, or removes it from there.
ErrorNumber writeOut(HeldFile& file) {
  if (!file.held || !file.changed) return kNoError;
  makeEnding(file);
  if (!file.exists) {
    if (unlink(file.path.c_str()) != 0 && errno != ENOENT)
      return errorFromSystemCode(errno);
    // Made anew later, it is an ordinary disk file.
    close(file.fd);
    file.fd = -1;
    file.held = false;
    return kNoError;
  }
  if (file.on_disk) {  // there already
    file.changed = false;
    return kNoError;
  }
  // Still held, in memory, which goes on holding the same bytes: a handle
  // in use writes on after them.
  if (int code = writeContents(file)) return errorFromSystemCode(code);
  return kNoError;
}

}  // namespace

void holdFiles(const std::vector<std::string>& host_paths) {
  for (const std::string& path : host_paths) {
    std::vector<HeldFile>& files = heldFiles();
    bool known = std::any_of(files.begin(), files.end(),
                             [&](const HeldFile& f) { return f.path == path; });
    if (known) continue;
    files.emplace_back();
    files.back().path = path;
  }
}

ErrorNumber writeOutHeldFiles() {
  ErrorNumber first = kNoError;
  for (HeldFile& file : heldFiles()) {
    ErrorNumber error = writeOut(file);
    if (first == kNoError) first = error;
  }
  return first;
}

ErrorNumber releaseHeldFiles() {
  ErrorNumber first = writeOutHeldFiles();
  for (HeldFile& file : heldFiles())
    if (file.fd >= 0) close(file.fd);
  heldFiles().clear();
  return first;
}

bool isHeldFileAt(uint64_t device, uint64_t inode) {
  for (const HeldFile& file : heldFiles())
    if (file.held && file.device == device && file.inode == inode) return true;
  return false;
}

bool holdsFile(const std::string& host_path) {
  return heldAt(host_path) != nullptr;
}

bool isHeldHandle(intptr_t handle) { return handle <= kFirstHandle; }

bool openHeldFile(const std::string& host_path, HeldAccess access,
                  intptr_t* handle, ErrorNumber* error) {
  HeldFile* file = heldAt(host_path);
  if (file == nullptr) return false;
  *error = kNoError;
  if (file->in_use) {
    *error = kPermissionDenied;
  } else if (access == HeldAccess::kWrite) {
    file->contents.clear();
    file->ending = nullptr;
    file->on_disk = false;
    file->exists = file->loaded = file->changed = true;
  } else if (file->exists) {
    if (!file->on_disk) *error = load(*file);
    if (access == HeldAccess::kAppend) makeEnding(*file);
  } else if (access == HeldAccess::kAppend) {
    file->exists = file->changed = true;
  } else {
    *error = missing(*file);
  }
  if (*error != kNoError) return true;
  file->in_use = true;
  file->position = access == HeldAccess::kAppend ? lengthOf(*file) : 0;
  *handle = kFirstHandle - (file - heldFiles().data());
  return true;
}

size_t readHeldFile(intptr_t handle, char* buffer, size_t size,
                    int* system_error) {
  *system_error = 0;
  HeldFile* file = byHandle(handle);
  if (file == nullptr) return 0;
  // The ending is made only for a read that reaches it.
  if (file->position >= lengthOf(*file)) makeEnding(*file);
  if (file->on_disk) return readOnDisk(*file, buffer, size, system_error);
  if (file->position >= file->contents.size()) return 0;
  size_t n = std::min(size, file->contents.size() - file->position);
  std::memcpy(buffer, file->contents.data() + file->position, n);
  file->position += n;
  return n;
}

size_t writeHeldFile(intptr_t handle, const char* data, size_t size,
                     int* system_error) {
  *system_error = 0;
  HeldFile* file = byHandle(handle);
  if (file == nullptr || size == 0) return 0;
  makeEnding(*file, Handle::kWriterMoves);
  int64_t end = static_cast<int64_t>(file->position + size);
  // Grown too long to hold, a file goes on on disk.
  if (!file->on_disk && end > kLargestHeld &&
      (*system_error = moveToDisk(*file)) != 0) {
    return 0;
  }
  if (file->on_disk) return writeOnDisk(*file, data, size, system_error);
  // What the disk has no room for is not taken, as a write there would not.
  if (!makeRoom(*file, end)) {
    size =
        static_cast<size_t>(std::max<int64_t>(file->room - file->position, 0));
    *system_error = ENOSPC;
  }
  if (size == 0) return 0;
  if (file->position == file->contents.size()) {
    file->contents.append(data, size);
  } else {
    if (file->contents.size() < file->position + size)
      file->contents.resize(file->position + size);
    file->contents.replace(file->position, size, data, size);
  }
  file->position += size;
  file->changed = true;
  return size;
}

void cutHeldFileHere(intptr_t handle) {
  HeldFile* file = byHandle(handle);
  if (file == nullptr) return;
  makeEnding(*file, Handle::kWriterMoves);
  if (file->position >= lengthOf(*file)) return;
  if (file->on_disk) {
    if (ftruncate(file->fd, static_cast<off_t>(file->position)) == 0)
      file->disk_size = static_cast<int64_t>(file->position);
    return;
  }
  file->contents.resize(file->position);
  file->changed = true;
}

void closeHeldFile(intptr_t handle) {
  if (HeldFile* file = byHandle(handle)) file->in_use = false;
}

bool removeHeldFile(const std::string& host_path, ErrorNumber* error) {
  HeldFile* file = heldAt(host_path);
  if (file == nullptr) return false;
  *error = file->exists ? kNoError : missing(*file);
  if (*error != kNoError) return true;
  file->contents.clear();
  file->ending = nullptr;
  file->on_disk = false;
  file->exists = false;
  file->loaded = file->changed = true;
  return true;
}

bool readWholeHeldFile(const std::string& host_path, std::string* text,
                       ErrorNumber* error) {
  HeldFile* file = heldAt(host_path);
  if (file == nullptr) return false;
  makeEnding(*file);
  *error = file->exists ? load(*file) : missing(*file);
  if (*error == kNoError) *text = file->contents;
  return true;
}

bool writeHeldFileLater(intptr_t handle, std::function<std::string()> text,
                        size_t room) {
  HeldFile* file = byHandle(handle);
  if (file == nullptr || file->ending || file->on_disk ||
      file->position != file->contents.size() ||
      !makeRoom(*file, static_cast<int64_t>(file->contents.size() + room))) {
    return false;
  }
  file->ending = std::move(text);
  file->changed = true;
  return true;
}
