#include "shell/dir_entry_table.h"

#include <algorithm>
#include <limits>
#include <new>

void DirEntryTable::reserve(size_t entries, size_t name_bytes) {
  records_.reserve(entries);
  names_.reserve(name_bytes);
}

void DirEntryTable::add(std::string_view name, bool directory, uint64_t size,
                        int64_t mtime) {
  // Both the offset and the 31-bit length of any name then fit.
  constexpr size_t kMaxNameBytes = std::numeric_limits<int32_t>::max();
  if (name.size() > kMaxNameBytes - names_.size()) throw std::bad_alloc();
  Record record;
  record.size = size;
  record.mtime = mtime;
  record.name_offset = static_cast<uint32_t>(names_.size());
  record.name_length = static_cast<uint32_t>(name.size());
  record.directory = directory ? 1 : 0;
  names_.append(name);
  records_.push_back(record);
}

void DirEntryTable::sortFrom(size_t first) {
  if (first >= records_.size()) return;
  std::sort(records_.begin() + first, records_.end(),
            [this](const Record& a, const Record& b) {
              return listedBefore(nameOf(a), nameOf(b));
            });
}

DirEntry DirEntryTable::at(size_t index) const {
  const Record& record = records_[index];
  DirEntry entry;
  entry.name = std::string(nameOf(record));
  entry.directory = record.directory != 0;
  entry.size = record.size;
  entry.mtime = record.mtime;
  return entry;
}

std::string_view DirEntryTable::nameOf(const Record& record) const {
  return std::string_view(names_).substr(record.name_offset,
                                         record.name_length);
}
