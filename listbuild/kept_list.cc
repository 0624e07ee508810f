// The kept list of an update: its bytes and the names its entry lines give.
#include "listbuild/kept_list.h"

#include <utility>

#include "text/list_line.h"

namespace listbuild {

namespace {

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

}  // namespace

std::optional<std::string> namedEntry(std::string_view line, AreaStyle style) {
  if (list_line::isBlankOrComment(line) || list_line::isContinuation(line))
    return std::nullopt;
  std::string rest(line);
  list_line::dropDirectoryMark(&rest);
  // A blank right after the mark leaves no name before it.
  if (rest.empty() || list_line::isContinuation(rest)) return std::nullopt;
  std::string name = list_line::splitEntry(std::move(rest), style).name;
  if (name.empty()) return std::nullopt;
  return name;
}

bool isNeverAdded(std::string_view name) {
  return name == "FILES.BBS" || name == "filesbbs.new" ||
         list_line::isReservedName(name);
}

std::string KeptList::keyOf(std::string_view name) const {
  std::string key(name);
  if (style_ == AreaStyle::kModern)
    for (char& c : key) c = upperAscii(c);
  return key;
}

void KeptList::addLine(std::string_view line, std::string_view line_end) {
  bytes_.append(line);
  bytes_.append(line_end.empty() ? std::string_view("\r\n") : line_end);
  if (line.find('\n') != std::string_view::npos) lf_in_line_ = true;
  std::optional<std::string> name = namedEntry(line, style_);
  if (!name) {
    unnamed_lines_.emplace(line);
    return;
  }
  if (index_.emplace(keyOf(*name), names_.size()).second) {
    names_.push_back(std::move(*name));
    present_.push_back(false);
  }
}

bool KeptList::holds(std::string_view list_line) {
  std::optional<std::string> name = namedEntry(list_line, style_);
  if (!name) return unnamed_lines_.count(std::string(list_line)) != 0;
  auto found = index_.find(keyOf(*name));
  if (found == index_.end()) return false;
  present_[found->second] = true;
  return true;
}

std::vector<std::string> KeptList::missingEntries() const {
  std::vector<std::string> missing;
  for (size_t i = 0; i < names_.size(); ++i)
    if (!present_[i]) missing.push_back(names_[i]);
  return missing;
}

}  // namespace listbuild
