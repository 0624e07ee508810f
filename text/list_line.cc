// FILES.BBS line rules.
#include "text/list_line.h"

#include <optional>
#include <utility>

#include "text/list_name.h"
#include "text/text.h"

namespace list_line {

bool isBlankOrComment(std::string_view line) {
  return line.empty() || text::allBlanks(line) || line[0] == '-';
}

bool dropDirectoryMark(std::string* line) {
  if (line->empty() || (*line)[0] != '\\') return false;
  line->erase(0, 1);
  return true;
}

bool hasUnusableFirstByte(std::string_view line) {
  int first = text::firstCode(line);
  return first < 32 || first > 126;
}

bool isUnusable(std::string_view line) {
  return hasUnusableFirstByte(line) || line.find('&') != std::string_view::npos;
}

bool isUnusableModern(std::string_view line) {
  if (line.empty()) return true;
  unsigned char first = static_cast<unsigned char>(line[0]);
  return first < 32 || first == 127;
}

bool isReservedName(std::string_view line) {
  static constexpr std::string_view kNames[] = {
      "FILES.FIX", "INDEX.HTM", "INDEX~1.HTM", "00_INDEX.HTM", "DESCRIPT.ION"};
  for (std::string_view name : kNames)
    if (line == name) return true;
  return false;
}

bool isDotName(std::string_view line) {
  return !line.empty() && line[0] == '.';
}

bool isQuotedDotName(std::string_view line) {
  std::optional<QuotedName> quoted = readQuotedName(line);
  return quoted && isDotName(quoted->name);
}

bool isContinuation(std::string_view line) {
  return !line.empty() && line[0] == ' ';
}

Sorted classify(std::string* line, std::string_view page_name,
                AreaStyle style) {
  if (isBlankOrComment(*line)) return {Kind::kSkipped, 3};
  dropDirectoryMark(line);
  if (style == AreaStyle::kModern) {
    if (isUnusableModern(*line)) return {Kind::kSkipped, 6};
  } else if (isUnusable(*line)) {
    return {Kind::kSkipped, 6, !hasUnusableFirstByte(*line)};
  }
  if (*line == page_name) return {Kind::kSkipped, kPageRule};
  if (isReservedName(*line)) return {Kind::kSkipped, 8};
  if (isDotName(*line)) return {Kind::kSkipped, 9};
  if (style == AreaStyle::kModern && isQuotedDotName(*line))
    return {Kind::kSkipped, 9};
  if (isContinuation(*line)) return {Kind::kContinuation, 10};
  return {Kind::kEntry, 11};
}

namespace {

// The line after its first `cut` bytes, in the line's own room unless that
// is far more than the rest needs: a long name goes, its room with it.
std::string restOf(std::string line, size_t cut) {
  constexpr size_t kSpareRoom = 4096;
  line.erase(0, cut);
  if (line.capacity() > 2 * line.size() + kSpareRoom) line.shrink_to_fit();
  return line;
}

}  // namespace

Entry splitEntry(std::string line, AreaStyle style) {
  bool modern = style == AreaStyle::kModern;
  if (modern) {
    if (std::optional<QuotedName> quoted = readQuotedName(line)) {
      size_t rest = quoted->end;
      if (rest < line.size() && (line[rest] == ' ' || line[rest] == '\t'))
        ++rest;
      return {std::move(quoted->name), restOf(std::move(line), rest)};
    }
  }
  // Lists that editors line up with TABs end a modern name there too.
  size_t blank = modern ? line.find_first_of(" \t") : line.find(' ');
  if (blank == std::string::npos) return {std::move(line), ""};
  std::string name = line.substr(0, blank);
  return {std::move(name), restOf(std::move(line), blank + 1)};
}

void dropManagerData(std::string* line) {
  size_t mark = line->find('\x04');
  if (mark != std::string::npos) line->erase(mark);
}

}  // namespace list_line
