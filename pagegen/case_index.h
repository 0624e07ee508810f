// The names of an area, found by their ASCII letters in either case, for
// list names written in another case than the disk holds them (lists from
// DOS areas are often in lower case over upper-case files). A name the area
// holds as written is always found as itself.
#ifndef KESTREL_PAGEGEN_CASE_INDEX_H_
#define KESTREL_PAGEGEN_CASE_INDEX_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

class CaseIndex {
 public:
  /// Adds one of the area's names.
  void add(std::string name);
  /// `name` itself when it was added; else the first in listing order of
  /// the names that differ from it only in the case of ASCII letters (for
  /// such names that is byte order: upper case first); else nullptr.
  const std::string* find(std::string_view name) const;
  size_t size() const { return names_.size(); }

 private:
  struct FoldedHash {
    size_t operator()(const std::string& name) const;
  };
  struct FoldedEqual {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::unordered_multiset<std::string, FoldedHash, FoldedEqual> names_;
};

#endif  // KESTREL_PAGEGEN_CASE_INDEX_H_
