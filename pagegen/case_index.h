// The names of an area by their ASCII letters folded to one case, for list
// names written in another case than the disk holds them (lists from DOS
// areas are often in lower case over upper-case files). Each folded form
// keeps the first name added for it: names go in in listing order.
#ifndef KESTREL_PAGEGEN_CASE_INDEX_H_
#define KESTREL_PAGEGEN_CASE_INDEX_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_set>

class CaseIndex {
 public:
  /// Adds `name` unless a name of the same folded form is in already.
  void add(std::string name);
  /// The name added for `name`'s folded form, or nullptr; bytes other
  /// than ASCII letters must match exactly.
  const std::string* find(std::string_view name) const;
  size_t size() const { return names_.size(); }

 private:
  struct FoldedHash {
    size_t operator()(const std::string& name) const;
  };
  struct FoldedEqual {
    bool operator()(const std::string& a, const std::string& b) const;
  };
  std::unordered_set<std::string, FoldedHash, FoldedEqual> names_;
};

#endif  // KESTREL_PAGEGEN_CASE_INDEX_H_
