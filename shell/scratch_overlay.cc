// The scratch overlay. A held file is its contents in memory, or, grown too
// long to hold, its disk file read and written at the handle's position.
// Lookups by name compare the host path the run uses for the file; stats and
// listings compare the disk file's device and inode, so that a held file
// shows as the run left it under whatever name it is found.
#include "shell/scratch_overlay.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <utility>

namespace {

// Room is set aside on disk in steps of this many bytes.
constexpr uint64_t kRoomStep = 4096;

// A held file that the run has removed, or not made yet: its directory is
// there, as its disk file is.
FsStatus missingFile() { return FsStatus(kFileNotFound, ENOENT); }

uint64_t roundedUp(uint64_t size) {
  return (size + kRoomStep - 1) / kRoomStep * kRoomStep;
}

}  // namespace

struct ScratchOverlay::Held {
  std::string path;
  bool looked_at = false;
  bool held = false;     // false: the path is used below
  OsFile disk;           // the disk file while held
  uint64_t room = 0;     // bytes set aside on disk
  bool exists = false;   // in memory
  bool loaded = false;   // `contents` holds the file's bytes
  bool changed = false;  // memory differs from disk
  bool in_use = false;   // open through a handle
  size_t position = 0;   // of the handle
  int64_t mtime = 0;     // of the last change
  std::string contents;
  // Grown too long to hold: the contents are the disk file's, read and
  // written there at the handle's position.
  bool on_disk = false;
  uint64_t disk_size = 0;  // while `on_disk`
  // The file's last text, made when first needed (see `writeLater`).
  Tail ending;

  size_t length() const {
    return on_disk ? static_cast<size_t>(disk_size) : contents.size();
  }
  void touch() {
    changed = true;
    mtime = static_cast<int64_t>(std::time(nullptr));
  }
  // Makes the deferred ending part of the contents (a file has one only
  // while in memory). A writer's handle at the old end goes on after it; a
  // reader's stays, to read it.
  void makeEnding(bool writer_moves = false) {
    if (!ending) return;
    Tail tail = std::move(ending);
    ending = nullptr;
    bool at_end = position == contents.size();
    tail([this](std::string_view piece) { contents.append(piece); });
    if (at_end && writer_moves) position = contents.size();
  }
  // Empties the file in memory; `exists` says whether it is there at all.
  void empty(bool now_exists) {
    contents.clear();
    ending = nullptr;
    on_disk = false;
    exists = now_exists;
    loaded = true;
    touch();
  }
};

ScratchOverlay::ScratchOverlay(FileSystem& below) : below_(below) {}

ScratchOverlay::~ScratchOverlay() { (void)release(); }

void ScratchOverlay::hold(const std::vector<std::string>& host_paths) {
  for (const std::string& path : host_paths) {
    bool known = std::any_of(files_.begin(), files_.end(),
                             [&](const Held& f) { return f.path == path; });
    if (known) continue;
    files_.emplace_back();
    files_.back().path = path;
  }
}

ErrorNumber ScratchOverlay::release() {
  ErrorNumber first = kNoError;
  for (Held& file : files_) {
    ErrorNumber error = writeOut(file);
    if (first == kNoError) first = error;
    if (file.held) (void)below_.close(file.disk);
  }
  files_.clear();
  return first;
}

bool ScratchOverlay::makeRoom(Held& file, uint64_t size) {
  if (size <= file.room) return true;
  uint64_t room = roundedUp(size);
  if (!below_.reserve(file.disk, room)) return false;
  file.room = room;
  return true;
}

// Opens the disk file of a path about to be held, making it when missing;
// a link or another user's file there is made anew (the run owns the names
// of its scratch files). False when it does not qualify.
bool ScratchOverlay::openOnDisk(Held& file) {
  if (below_.open(file.path, FileMode::Hold, &file.disk, LinkRule::kNone) !=
      kNoError) {
    return false;
  }
  FileStatus status;
  if (below_.statOpen(file.disk, &status) != kNoError ||
      status.kind != FileStatus::kFile) {
    if (file.disk.made) (void)below_.remove(file.path);
    (void)below_.close(file.disk);
    return false;
  }
  file.disk.device = status.device;
  file.disk.inode = status.inode;
  file.mtime = status.mtime;
  // A file made here is missing as far as the run knows: unless the run
  // makes it, the release removes it again.
  file.exists = !file.disk.made;
  file.loaded = file.changed = file.disk.made;
  // A file longer than memory holds, such as an earlier run's capture of a
  // large directory, stays in its disk file, unread, until the run writes
  // it anew; its blocks are its room.
  if (status.size > kLargestHeld) {
    file.on_disk = true;
    file.disk_size = status.size;
    return true;
  }
  if (makeRoom(file, std::max(status.size, kRoomStep))) return true;
  if (file.disk.made) (void)below_.remove(file.path);
  (void)below_.close(file.disk);
  return false;
}

void ScratchOverlay::lookAt(Held& file) {
  if (file.looked_at) return;
  file.looked_at = true;
  file.held = openOnDisk(file);
  noteChangeAt(file.path);
}

ScratchOverlay::Held* ScratchOverlay::heldAt(const std::string& host_path) {
  for (Held& file : files_) {
    if (file.path != host_path) continue;
    lookAt(file);
    return file.held ? &file : nullptr;
  }
  return nullptr;
}

ScratchOverlay::Held* ScratchOverlay::byHandle(const OsFile& file) {
  if (file.layer != this || file.handle < 0 ||
      file.handle >= static_cast<intptr_t>(files_.size())) {
    return nullptr;
  }
  Held& held = files_[static_cast<size_t>(file.handle)];
  return held.held && held.in_use ? &held : nullptr;
}

ScratchOverlay::Held* ScratchOverlay::heldWithIdentity(uint64_t device,
                                                       uint64_t inode) {
  for (Held& file : files_) {
    if (file.held && file.disk.device == device && file.disk.inode == inode)
      return &file;
  }
  return nullptr;
}

void ScratchOverlay::describe(Held& file, FileStatus* status) {
  file.makeEnding();
  status->kind = FileStatus::kFile;
  status->size = file.length();
  status->mtime = file.mtime;
  status->device = file.disk.device;
  status->inode = file.disk.inode;
  status->links = 1;
}

// Reads the disk contents of a file not yet changed in memory, or of one
// that lives on disk (into `contents`, for a whole read).
FsStatus ScratchOverlay::load(Held& file) {
  if (file.loaded && !file.on_disk) return kNoError;
  std::string contents;
  if (FsStatus status = readWholeFile(below_, file.disk, UINT64_MAX, &contents))
    return status;
  file.contents = std::move(contents);
  file.loaded = true;
  if (file.on_disk) {
    file.on_disk = false;  // held again, as read
    file.changed = false;
  }
  return kNoError;
}

// Writes the contents of a file held in memory to its disk file, which then
// holds the same bytes.
FsStatus ScratchOverlay::writeContents(Held& file) {
  size_t done = 0;
  FsStatus status = below_.writeAt(file.disk, 0, file.contents.data(),
                                   file.contents.size(), &done);
  if (status == kNoError) status = below_.setLength(file.disk, done);
  if (status == kNoError) file.changed = false;
  return status;
}

// Moves the contents of a file grown too long to hold into its disk file.
FsStatus ScratchOverlay::moveToDisk(Held& file) {
  if (FsStatus status = writeContents(file)) return status;
  file.disk_size = file.contents.size();
  std::string().swap(file.contents);
  file.on_disk = true;
  return kNoError;
}

// Puts a changed file's contents on disk, or removes it from there.
FsStatus ScratchOverlay::writeOut(Held& file) {
  if (!file.held || !file.changed) return kNoError;
  if (!file.exists) {
    FsStatus status = below_.remove(file.path);
    if (status != kNoError && status.number() != kFileNotFound) return status;
    // Made anew later, it is an ordinary disk file.
    (void)below_.close(file.disk);
    file.held = false;
    return kNoError;
  }
  if (file.on_disk) {  // there already
    file.changed = false;
    return kNoError;
  }
  if (file.ending) return writeWithEnding(file);
  return writeContents(file);
}

// Writes a file's contents and then its deferred ending, piece by piece as
// it is made: a whole directory's listing is never held at once.
FsStatus ScratchOverlay::writeWithEnding(Held& file) {
  FsStatus status = writeContents(file);
  uint64_t end = file.contents.size();
  Tail tail = std::move(file.ending);
  file.ending = nullptr;
  tail([&](std::string_view piece) {
    if (status != kNoError || piece.empty()) return;
    size_t done = 0;
    status = below_.writeAt(file.disk, end, piece.data(), piece.size(), &done);
    end += done;
  });
  if (status == kNoError) status = below_.setLength(file.disk, end);
  file.changed = status != kNoError;
  return status;
}

bool ScratchOverlay::replaceInMemory(const std::string& host_path,
                                     std::string* text,
                                     Tail ending, size_t ending_room) {
  Held* held = heldAt(host_path);
  uint64_t size = text->size() + (ending ? ending_room : 0);
  if (held == nullptr || held->in_use || text->size() > kLargestHeld ||
      !makeRoom(*held, size)) {
    return false;
  }
  held->empty(/*now_exists=*/true);
  held->contents.swap(*text);
  held->ending = std::move(ending);
  held->position = held->contents.size();
  return true;
}

bool ScratchOverlay::reserveInMemory(const std::string& host_path,
                                     uint64_t size) {
  Held* held = heldAt(host_path);
  return held != nullptr && !held->in_use && makeRoom(*held, size);
}

bool ScratchOverlay::mayMakeAnew(const std::string& host_path, bool* exists) {
  Held* held = heldAt(host_path);
  if (held == nullptr || held->in_use) return false;
  *exists = held->exists;
  return true;
}

bool ScratchOverlay::changesIn(uint64_t device, uint64_t inode) {
  for (Held& file : files_) lookAt(file);
  auto identity = std::make_pair(device, inode);
  return std::find(changed_directories_.begin(), changed_directories_.end(),
                   identity) != changed_directories_.end();
}

void ScratchOverlay::noteChangeAt(const std::string& host_path) {
  size_t slash = host_path.rfind('/');
  std::string directory = slash == std::string::npos ? "."
                          : slash == 0               ? "/"
                                                     : host_path.substr(0, slash);
  for (const std::string& path : {directory, directory + "/.."}) {
    FileStatus status;
    if (below_.stat(path, Follow::kLinks, &status) != kNoError) continue;
    auto identity = std::make_pair(status.device, status.inode);
    if (std::find(changed_directories_.begin(), changed_directories_.end(),
                  identity) == changed_directories_.end()) {
      changed_directories_.push_back(identity);
    }
  }
}

FsStatus ScratchOverlay::open(const std::string& host_path, FileMode mode,
                              OsFile* file, LinkRule links) {
  Held* held = mode == FileMode::Replace ? nullptr : heldAt(host_path);
  if (held == nullptr) {
    if (mode != FileMode::Input) noteChangeAt(host_path);
    return below_.open(host_path, mode, file, links);
  }
  if (held->in_use) return FsStatus(kPermissionDenied, EACCES);
  if (mode == FileMode::Input) {
    if (!held->exists) return missingFile();
    if (!held->on_disk) {
      if (FsStatus status = load(*held)) return status;
    }
    held->position = 0;
  } else if (mode == FileMode::Append) {
    if (!held->exists) {
      held->exists = true;
      held->touch();
    } else if (!held->on_disk) {
      if (FsStatus status = load(*held)) return status;
    }
    held->makeEnding();
    held->position = held->length();
  } else {
    held->empty(/*now_exists=*/true);
    held->position = 0;
  }
  held->in_use = true;
  *file = OsFile();
  file->handle = static_cast<intptr_t>(held - files_.data());
  file->layer = this;
  return kNoError;
}

FsStatus ScratchOverlay::read(const OsFile& file, char* buffer, size_t size,
                              size_t* got) {
  *got = 0;
  if (file.layer != this) return below_.read(file, buffer, size, got);
  Held* held = byHandle(file);
  if (held == nullptr) return FsStatus(kBadFileNameOrNumber);
  // The ending is made only for a read that reaches it.
  if (held->position >= held->length()) held->makeEnding();
  if (held->on_disk) {
    FsStatus status =
        below_.readAt(held->disk, held->position, buffer, size, got);
    held->position += *got;
    return status;
  }
  if (held->position >= held->contents.size()) return kNoError;
  *got = std::min(size, held->contents.size() - held->position);
  std::memcpy(buffer, held->contents.data() + held->position, *got);
  held->position += *got;
  return kNoError;
}

size_t ScratchOverlay::writeInMemory(Held& file, const char* data, size_t size,
                                     FsStatus* status) {
  uint64_t end = file.position + size;
  // What the disk has no room for is not taken, as a write there would not.
  if (!makeRoom(file, end)) {
    size = file.room > file.position
               ? static_cast<size_t>(file.room - file.position)
               : 0;
    *status = FsStatus(kDiskFull, ENOSPC);
  }
  if (size == 0) return 0;
  if (file.position == file.contents.size()) {
    file.contents.append(data, size);
  } else {
    if (file.contents.size() < file.position + size)
      file.contents.resize(file.position + size);
    file.contents.replace(file.position, size, data, size);
  }
  file.position += size;
  file.touch();
  return size;
}

FsStatus ScratchOverlay::write(const OsFile& file, const char* data,
                               size_t size, size_t* written) {
  *written = 0;
  if (file.layer != this) return below_.write(file, data, size, written);
  Held* held = byHandle(file);
  if (held == nullptr) return FsStatus(kBadFileNameOrNumber);
  if (size == 0) return kNoError;
  held->makeEnding(/*writer_moves=*/true);
  // Grown too long to hold, a file goes on on disk.
  if (!held->on_disk && held->position + size > kLargestHeld) {
    if (FsStatus status = moveToDisk(*held)) return status;
  }
  FsStatus status;
  if (held->on_disk) {
    status = below_.writeAt(held->disk, held->position, data, size, written);
    held->position += *written;
    held->disk_size = std::max<uint64_t>(held->disk_size, held->position);
    held->touch();
  } else {
    *written = writeInMemory(*held, data, size, &status);
  }
  // A full disk is a short write, as on disk.
  if (status.number() == kDiskFull) return kNoError;
  return status;
}

FsStatus ScratchOverlay::readAt(const OsFile& file, uint64_t offset,
                                char* buffer, size_t size, size_t* got) {
  Held* held = byHandle(file);
  if (held == nullptr) return below_.readAt(file, offset, buffer, size, got);
  size_t position = held->position;
  held->position = static_cast<size_t>(offset);
  FsStatus status = read(file, buffer, size, got);
  held->position = position;
  return status;
}

FsStatus ScratchOverlay::writeAt(const OsFile& file, uint64_t offset,
                                 const char* data, size_t size,
                                 size_t* written) {
  Held* held = byHandle(file);
  if (held == nullptr) return below_.writeAt(file, offset, data, size, written);
  size_t position = held->position;
  held->position = static_cast<size_t>(offset);
  FsStatus status = write(file, data, size, written);
  held->position = position;
  if (status == kNoError && *written < size) return FsStatus(kDiskFull, ENOSPC);
  return status;
}

FsStatus ScratchOverlay::truncateHere(const OsFile& file) {
  if (file.layer != this) return below_.truncateHere(file);
  Held* held = byHandle(file);
  if (held == nullptr) return FsStatus(kBadFileNameOrNumber);
  // A writer at the end is after a deferred ending, which stays deferred.
  if (!held->on_disk && held->position == held->contents.size())
    return kNoError;
  held->makeEnding(/*writer_moves=*/true);
  return cut(*held, held->position);
}

FsStatus ScratchOverlay::setLength(const OsFile& file, uint64_t length) {
  Held* held = byHandle(file);
  if (held == nullptr) return below_.setLength(file, length);
  held->makeEnding();
  return cut(*held, length);
}

FsStatus ScratchOverlay::cut(Held& file, uint64_t length) {
  if (length >= file.length()) return kNoError;
  file.touch();
  if (!file.on_disk) {
    file.contents.resize(static_cast<size_t>(length));
    return kNoError;
  }
  FsStatus status = below_.setLength(file.disk, length);
  if (status == kNoError) file.disk_size = length;
  return status;
}

bool ScratchOverlay::reserve(const OsFile& file, uint64_t size) {
  Held* held = byHandle(file);
  if (held == nullptr) return below_.reserve(file, size);
  return held->on_disk ? below_.reserve(held->disk, size)
                       : makeRoom(*held, size);
}

bool ScratchOverlay::writeLater(const OsFile& file,
                                std::function<std::string()> text,
                                size_t room) {
  Held* held = byHandle(file);
  if (held == nullptr) return below_.writeLater(file, std::move(text), room);
  if (held->ending || held->on_disk ||
      held->position != held->contents.size() ||
      !makeRoom(*held, held->contents.size() + room)) {
    return false;
  }
  held->ending = [text = std::move(text)](const Put& put) { put(text()); };
  held->touch();
  return true;
}

FsStatus ScratchOverlay::close(const OsFile& file) {
  if (file.layer != this) return below_.close(file);
  if (Held* held = byHandle(file)) held->in_use = false;
  return kNoError;
}

void ScratchOverlay::discard(const OsFile& file) {
  if (file.layer != this) return below_.discard(file);
  if (Held* held = byHandle(file)) held->in_use = false;
}

FsStatus ScratchOverlay::stat(const std::string& host_path, Follow follow,
                              FileStatus* status) {
  // A held path is answered here at no cost; under any other name, a held
  // file is known by its identity. A held path not looked at yet is as the
  // disk has it.
  for (Held& file : files_) {
    if (file.path != host_path || !file.looked_at || !file.held) continue;
    ++held_answers_;
    if (!file.exists) return missingFile();
    describe(file, status);
    return kNoError;
  }
  FsStatus found = below_.stat(host_path, follow, status);
  if (found != kNoError || status->kind != FileStatus::kFile) return found;
  Held* held = heldWithIdentity(status->device, status->inode);
  if (held == nullptr) return found;
  ++held_answers_;
  if (!held->exists) return missingFile();
  describe(*held, status);
  return kNoError;
}

FsStatus ScratchOverlay::statOpen(const OsFile& file, FileStatus* status) {
  Held* held = byHandle(file);
  if (held == nullptr) return below_.statOpen(file, status);
  describe(*held, status);
  return kNoError;
}

bool ScratchOverlay::isOwnPlainFile(const std::string& host_path) {
  // A held file is the run's own plain file while it exists; its deferred
  // ending stays deferred.
  Held* held = heldAt(host_path);
  if (held == nullptr) return below_.isOwnPlainFile(host_path);
  return held->exists;
}

FsStatus ScratchOverlay::remove(const std::string& host_path) {
  Held* held = heldAt(host_path);
  if (held == nullptr) {
    noteChangeAt(host_path);
    return below_.remove(host_path);
  }
  if (!held->exists) return missingFile();
  held->empty(/*now_exists=*/false);
  return kNoError;
}

// A listing below, with each held file's entry as the run left the file:
// its contents' length and time, or no entry while it is missing.
class ScratchOverlay::HeldListing : public DirectoryVisitor {
 public:
  HeldListing(ScratchOverlay& overlay, DirectoryVisitor& visitor)
      : overlay_(overlay), visitor_(visitor) {}
  void expect(size_t names, size_t name_bytes) override {
    visitor_.expect(names, name_bytes);
  }
  bool wants(std::string_view name) override { return visitor_.wants(name); }
  void add(std::string_view name, const FileStatus& status) override {
    Held* held = status.kind == FileStatus::kFile
                     ? overlay_.heldWithIdentity(status.device, status.inode)
                     : nullptr;
    if (held == nullptr) return visitor_.add(name, status);
    ++overlay_.held_answers_;
    if (!held->exists) return;
    FileStatus shown;
    overlay_.describe(*held, &shown);
    visitor_.add(name, shown);
  }

 private:
  ScratchOverlay& overlay_;
  DirectoryVisitor& visitor_;
};

FsStatus ScratchOverlay::listDirectory(const std::string& host_path,
                                       DirectoryVisitor& visitor) {
  HeldListing listing(*this, visitor);
  return below_.listDirectory(host_path, listing);
}

FsStatus ScratchOverlay::lockDriveRoot(const std::string& root,
                                       const std::function<void()>& waiting,
                                       OsFile* lock) {
  return below_.lockDriveRoot(root, waiting, lock);
}

uint64_t ScratchOverlay::freeBytes(const std::string& host_path) {
  return below_.freeBytes(host_path);
}

OsFile ScratchOverlay::standardOutput() { return below_.standardOutput(); }
