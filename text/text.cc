// Byte-string helpers; see text.h for the cutting rules.
#include "text/text.h"

namespace text {

std::string mid(std::string_view s, long position, long length) {
  return std::string(midView(s, position, length));
}

std::string rest(std::string_view s, long position) {
  return std::string(restView(s, position));
}

std::string_view midView(std::string_view s, long position, long length) {
  if (position < 1 || length <= 0) return {};
  size_t start = static_cast<size_t>(position - 1);
  if (start >= s.size()) return {};
  return s.substr(start, static_cast<size_t>(length));
}

std::string_view restView(std::string_view s, long position) {
  if (position < 1) return {};
  size_t start = static_cast<size_t>(position - 1);
  if (start >= s.size()) return {};
  return s.substr(start);
}

long find(std::string_view haystack, std::string_view needle, long start) {
  if (haystack.empty()) return 0;
  if (start < 1) start = 1;
  if (needle.empty()) return start;
  size_t from = static_cast<size_t>(start - 1);
  if (from >= haystack.size()) return 0;
  size_t at = haystack.find(needle, from);
  return at == std::string_view::npos ? 0 : static_cast<long>(at) + 1;
}

std::string trimLeft(std::string_view s) {
  size_t first = s.find_first_not_of(' ');
  return first == std::string_view::npos ? "" : std::string(s.substr(first));
}

std::string trimRight(std::string_view s) {
  size_t last = s.find_last_not_of(' ');
  return last == std::string_view::npos ? ""
                                        : std::string(s.substr(0, last + 1));
}

std::string trim(std::string_view s) { return std::string(trimView(s)); }

std::string_view trimView(std::string_view s) {
  size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

bool allBlanks(std::string_view s) {
  return !s.empty() && s.find_first_not_of(' ') == std::string_view::npos;
}

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

int firstCode(std::string_view s) {
  return s.empty() ? -1 : static_cast<unsigned char>(s[0]);
}

}  // namespace text
