// The case-folded index of an area's names.
#include "pagegen/case_index.h"

#include <functional>
#include <utility>

namespace {

char folded(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

size_t CaseIndex::FoldedHash::operator()(const std::string& name) const {
  std::string key(name);
  for (char& c : key) c = folded(c);
  return std::hash<std::string>()(key);
}

bool CaseIndex::FoldedEqual::operator()(const std::string& a,
                                        const std::string& b) const {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (folded(a[i]) != folded(b[i])) return false;
  return true;
}

void CaseIndex::add(std::string name) { names_.insert(std::move(name)); }

const std::string* CaseIndex::find(std::string_view name) const {
  auto range = names_.equal_range(std::string(name));
  const std::string* first = nullptr;
  for (auto it = range.first; it != range.second; ++it) {
    if (*it == name) return &*it;
    if (first == nullptr || *it < *first) first = &*it;
  }
  return first;
}
