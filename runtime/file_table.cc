// Line I/O over the run's file operations.
#include "runtime/file_table.h"

#include <cstring>
#include <new>
#include <utility>

#include "platform/drive_path.h"

namespace {
constexpr char kCtrlZ = 26;
constexpr char kCr = 13;
constexpr char kLf = 10;
constexpr size_t kNameLimit = 255;
// The longest line a tool holds. A longer one, such as the endless line of a
// device like /dev/zero, fails with 7 (Out of memory) instead of growing
// without end.
constexpr size_t kLineLimit = size_t{256} << 20;
// The first byte in [begin, end) that ends a line or the data, or `end`.
const char* lineStop(const char* begin, const char* end, LineEnds ends) {
  const char* stop = end;
  for (char c : {kCr, kCtrlZ, kLf}) {
    if (c == kLf && ends != LineEnds::kCrOrLf) continue;
    if (const void* at =
            std::memchr(begin, c, static_cast<size_t>(stop - begin)))
      stop = static_cast<const char*>(at);
  }
  return stop;
}

}  // namespace

FileTable::~FileTable() {
  FailedUse ignored;
  while (!files_.empty()) (void)closeEntry(files_.begin(), &ignored);
}

void FileTable::failOn(const Entry& entry, ErrorNumber error) {
  FailedUse use;
  use.kind =
      entry.mode == FileMode::Input ? FailedUse::kRead : FailedUse::kWrite;
  use.file_number = entry.number;
  use.host_path = entry.host_path;
  errors_.fail(error, std::move(use));
}

FileTable::Entry* FileTable::entryFor(int16_t number) {
  auto it = files_.find(number);
  return it == files_.end() ? nullptr : &it->second;
}

void FileTable::openFile(int16_t number, std::string_view name, FileMode mode) {
  name = name.substr(0, kNameLimit);
  // A NUL would end the name early on its way to the system and so open
  // another file than the one named.
  if (name.empty() || name.find_first_of(std::string_view("*?\0", 3)) !=
                          std::string_view::npos) {
    errors_.fail(kBadFileName);
    return;
  }
  if (number < 0) {
    errors_.fail(kBadFileNameOrNumber);
    return;
  }
  if (files_.count(number) != 0) {
    errors_.fail(kFileIsOpen);
    return;
  }
  // The entry is made in place, in the node of the last one closed when
  // there is one: its buffer is large.
  std::map<int16_t, Entry>::iterator it;
  if (spare_entry_.empty()) {
    it = files_.try_emplace(number).first;
  } else {
    spare_entry_.key() = number;
    it = files_.insert(std::move(spare_entry_)).position;
  }
  Entry& entry = it->second;
  entry.file = OsFile();
  entry.held = entry.position = 0;
  entry.gathering = false;
  entry.gathered.clear();
  entry.mode = mode;
  entry.number = number;
  entry.host_path = paths_.hostPath(name);
  ErrorNumber error = fs_.open(entry.host_path, mode, &entry.file);
  // No sharing: a file that this run has open already is in use.
  if (error == kNoError && isOpenAlready(entry.file, number)) {
    fs_.discard(entry.file);
    error = kPermissionDenied;
  } else if (error == kNoError && mode == FileMode::Output &&
             !entry.file.character_device) {
    // Only a file not in use is cut; it is at its start.
    error = fs_.truncateHere(entry.file);
    if (error != kNoError) fs_.discard(entry.file);
  }
  if (error == kNoError && mode == FileMode::Input &&
      !entry.file.character_device) {
    fill(entry, &error);
    if (error != kNoError) (void)fs_.close(entry.file);
  }
  if (error != kNoError) {
    failOn(entry, error);
    spare_entry_ = files_.extract(it);
  }
}

bool FileTable::isOpenAlready(const OsFile& file, int16_t number) const {
  if (file.inode == 0) return false;
  for (const auto& [other, entry] : files_) {
    if (other != number && entry.file.device == file.device &&
        entry.file.inode == file.inode) {
      return true;
    }
  }
  return false;
}

bool FileTable::fill(Entry& entry, ErrorNumber* error) {
  if (entry.position < entry.held) return true;
  size_t got = 0;
  *error = fs_.read(entry.file, entry.buffer, kBufferSize, &got);
  entry.held = got;
  entry.position = 0;
  return got > 0;
}

bool FileTable::append(const Entry& entry, std::string* line, const char* begin,
                       const char* end) {
  size_t size = static_cast<size_t>(end - begin);
  if (line->size() + size <= kLineLimit) {
    // A line that memory cannot hold fails here, as one past the limit
    // does, and not in the step loop's guard: this failure names the file
    // being read (the report says which), and the step that reads goes on
    // as after any failed read, where the guard would leave it at once (and
    // wagtails would then skip every step left but its closing line).
    try {
      line->append(begin, size);
      return true;
    } catch (const std::bad_alloc&) {
    }
  }
  // The part read so far goes; the rest of the line stays unread.
  std::string().swap(*line);
  failOn(entry, kOutOfMemory);
  return false;
}

void FileTable::readLine(int16_t number, std::string* line, LineEnds ends,
                         std::string* line_end) {
  line->clear();
  std::string ignored_end;
  if (line_end == nullptr) line_end = &ignored_end;
  line_end->clear();
  Entry* entry = entryFor(number);
  if (entry == nullptr) {
    errors_.fail(kBadFileNameOrNumber);
    return;
  }
  if (entry->mode != FileMode::Input) {
    errors_.fail(kBadFileMode);
    return;
  }
  bool took_any = false;
  for (;;) {
    ErrorNumber error = kNoError;
    if (!fill(*entry, &error)) {
      if (error != kNoError) {
        line->clear();
        failOn(*entry, error);
        return;
      }
      break;
    }
    // Take the run of ordinary bytes in one piece.
    const char* begin = entry->buffer + entry->position;
    const char* end = entry->buffer + entry->held;
    const char* stop = lineStop(begin, end, ends);
    if (stop != begin) {
      if (!append(*entry, line, begin, stop)) return;
      took_any = true;
      entry->position += stop - begin;
    }
    if (stop == end) continue;
    if (*stop == kCtrlZ) break;
    entry->position++;
    *line_end = *stop;
    if (*stop == kLf) return;
    // A CR ends the line; one LF right after it belongs to the line end.
    if (fill(*entry, &error) && entry->buffer[entry->position] == kLf) {
      entry->position++;
      *line_end += kLf;
    }
    if (error != kNoError) failOn(*entry, error);
    return;
  }
  if (!took_any) failOn(*entry, kInputPastEnd);
}

std::string FileTable::readLine(int16_t number, LineEnds ends) {
  std::string line;
  readLine(number, &line, ends);
  return line;
}

void FileTable::write(int16_t number, std::string_view bytes) {
  Entry* entry = entryFor(number);
  if (entry == nullptr) {
    errors_.fail(kBadFileNameOrNumber);
    return;
  }
  if (entry->mode == FileMode::Input) {
    errors_.fail(kBadFileMode);
    return;
  }
  if (bytes.empty()) return;
  if (entry->gathering) {
    constexpr size_t kBlock = 64 * 1024;
    entry->gathered.append(bytes);
    if (entry->gathered.size() < kBlock) return;
    if (ErrorNumber error = writeGathered(*entry)) failOn(*entry, error);
    return;
  }
  size_t written = 0;
  if (ErrorNumber error =
          fs_.write(entry->file, bytes.data(), bytes.size(), &written)) {
    failOn(*entry, error);
    return;
  }
  if (written < bytes.size())
    failOn(*entry, entry->file.character_device ? kDeviceIoError : kDiskFull);
}

ErrorNumber FileTable::writeGathered(Entry& entry) {
  std::string block;
  block.swap(entry.gathered);
  if (block.empty()) return kNoError;
  size_t written = 0;
  if (ErrorNumber error =
          fs_.write(entry.file, block.data(), block.size(), &written))
    return error;
  if (written < block.size())
    return entry.file.character_device ? kDeviceIoError : kDiskFull;
  // The room stays for the next block.
  block.clear();
  entry.gathered.swap(block);
  return kNoError;
}

void FileTable::gatherWrites(int16_t number) {
  Entry* entry = entryFor(number);
  if (entry == nullptr) {
    errors_.fail(kBadFileNameOrNumber);
    return;
  }
  if (entry->mode != FileMode::Input) entry->gathering = true;
}

void FileTable::flush(int16_t number) {
  Entry* entry = entryFor(number);
  if (entry == nullptr || !entry->gathering) return;
  if (ErrorNumber error = writeGathered(*entry)) failOn(*entry, error);
}

void FileTable::writeText(int16_t number, std::string_view text) {
  write(number, text);
}

void FileTable::writeLineEnd(int16_t number) { write(number, "\r\n"); }

void FileTable::writeLine(int16_t number,
                          std::initializer_list<std::string_view> parts) {
  size_t size = 2;
  for (std::string_view part : parts) size += part.size();
  if (size > kLineBufferLimit) {
    for (std::string_view part : parts) write(number, part);
    writeLineEnd(number);
    return;
  }
  line_buffer_.clear();
  for (std::string_view part : parts) line_buffer_ += part;
  line_buffer_ += "\r\n";
  write(number, line_buffer_);
}

bool FileTable::atEndOfFile(int16_t number) {
  Entry* entry = entryFor(number);
  if (entry == nullptr) {
    errors_.fail(kFileNotFound);
    return true;
  }
  if (entry->mode != FileMode::Input) return false;
  ErrorNumber error = kNoError;
  if (!fill(*entry, &error)) {
    if (error != kNoError) failOn(*entry, error);
    return true;
  }
  return entry->buffer[entry->position] == kCtrlZ;
}

ErrorNumber FileTable::closeEntry(std::map<int16_t, Entry>::iterator it,
                                  FailedUse* use) {
  Entry& entry = it->second;
  ErrorNumber error = entry.gathering ? writeGathered(entry) : kNoError;
  if (error == kNoError && entry.mode != FileMode::Input &&
      !entry.file.character_device) {
    error = fs_.truncateHere(entry.file);
  }
  ErrorNumber close_error = fs_.close(entry.file);
  if (error == kNoError) error = close_error;
  if (error != kNoError) {
    use->kind =
        entry.mode == FileMode::Input ? FailedUse::kRead : FailedUse::kWrite;
    use->file_number = entry.number;
    use->host_path = entry.host_path;
  }
  spare_entry_ = files_.extract(it);
  return error;
}

void FileTable::closeFile(int16_t number) {
  auto it = files_.find(number);
  if (it == files_.end()) return;
  FailedUse use;
  if (ErrorNumber error = closeEntry(it, &use))
    errors_.fail(error, std::move(use));
}

void FileTable::closeAllFiles() {
  ErrorNumber first = kNoError;
  FailedUse first_use;
  while (!files_.empty()) {
    FailedUse use;
    ErrorNumber error = closeEntry(files_.begin(), &use);
    if (first == kNoError && error != kNoError) {
      first = error;
      first_use = std::move(use);
    }
  }
  if (first != kNoError) errors_.fail(first, std::move(first_use));
}

std::string_view lastLineRead(std::string_view text, int reads,
                              bool* looked_past_end) {
  *looked_past_end = false;
  // A Ctrl-Z ends the data: nothing after it is ever looked at.
  size_t ctrl_z = text.find(kCtrlZ);
  bool ends_early = ctrl_z != std::string_view::npos;
  std::string_view data = text.substr(0, ctrl_z);
  std::string_view last;
  size_t position = 0;
  for (int i = 0; i < reads; ++i) {
    // The check for the end before each read.
    if (position >= data.size()) {
      *looked_past_end = !ends_early;
      break;
    }
    size_t stop = data.find(kCr, position);
    if (stop == std::string_view::npos) {
      // A last line without its end: its end is looked for further on.
      last = data.substr(position);
      position = data.size();
      *looked_past_end = !ends_early;
      continue;
    }
    last = data.substr(position, stop - position);
    // A CR ends the line; one LF right after it belongs to the line end.
    position = stop + 1;
    if (position >= data.size()) {
      *looked_past_end = !ends_early;
    } else if (data[position] == kLf) {
      ++position;
    }
  }
  return last;
}
