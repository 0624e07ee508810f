// The entries of one directory listing, held compactly so that a directory
// of a hundred thousand files costs tens of bytes per entry: every name in
// one shared buffer, and per entry a fixed-size record that points into it
// instead of a string object of its own. Entries stay in the order they were
// added until a part of the table is sorted into listing order.
#ifndef KESTREL_SHELL_DIR_ENTRY_TABLE_H_
#define KESTREL_SHELL_DIR_ENTRY_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shell/dir_text.h"

class DirEntryTable {
 public:
  /// Makes room for `entries` entries whose names hold `name_bytes` bytes
  /// in all, so that filling a large table never copies it to grow.
  void reserve(size_t entries, size_t name_bytes);

  /// Adds an entry at the end. Throws std::bad_alloc, as a full memory
  /// would, when the names outgrow what a record can point to (2 GiB in all).
  void add(std::string_view name, bool directory, uint64_t size, int64_t mtime);

  /// Sorts the entries from index `first` to the end in listing order
  /// (listedBefore); those before `first` keep their places.
  void sortFrom(size_t first);

  size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }

  /// Entry `index` as a listing shows it.
  DirEntry at(size_t index) const;

  // Walks the table in order; each step yields a DirEntry by value.
  class Iterator {
   public:
    Iterator(const DirEntryTable* table, size_t index)
        : table_(table), index_(index) {}
    DirEntry operator*() const { return table_->at(index_); }
    Iterator& operator++() {
      ++index_;
      return *this;
    }
    bool operator!=(const Iterator& other) const {
      return index_ != other.index_;
    }

   private:
    const DirEntryTable* table_;
    size_t index_;
  };
  Iterator begin() const { return Iterator(this, 0); }
  Iterator end() const { return Iterator(this, records_.size()); }

 private:
  // 24 bytes per entry; the name is names_[name_offset, +name_length).
  struct Record {
    uint64_t size;
    int64_t mtime;
    uint32_t name_offset;
    uint32_t name_length : 31;
    uint32_t directory : 1;
  };
  std::string_view nameOf(const Record& record) const;

  std::vector<Record> records_;
  std::string names_;  // every name, one after the other, no separator
};

#endif  // KESTREL_SHELL_DIR_ENTRY_TABLE_H_
