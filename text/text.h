// Byte-string helpers with the tools' own cutting and searching rules:
// positions count from 1, a range past the end yields what exists, and only
// the blank (byte 32) is ever trimmed.
#ifndef KESTREL_TEXT_TEXT_H_
#define KESTREL_TEXT_TEXT_H_

#include <string>
#include <string_view>

namespace text {

/// Up to `length` bytes from 1-based `position`; "" for position 0 or past
/// the end, the rest when `length` runs past the end.
std::string mid(std::string_view s, long position, long length);

/// Everything from 1-based `position` on ("" for 0 or past the end).
std::string rest(std::string_view s, long position);
/// `mid` and `rest` as parts of `s` itself.
std::string_view midView(std::string_view s, long position, long length);
std::string_view restView(std::string_view s, long position);

/// 1-based position of the first match of `needle` at or after `start`, or
/// 0; an empty haystack gives 0, an empty needle gives `start`.
long find(std::string_view haystack, std::string_view needle, long start = 1);

/// Strips leading blanks only.
std::string trimLeft(std::string_view s);
/// Strips trailing blanks only.
std::string trimRight(std::string_view s);
/// Strips leading and trailing blanks.
std::string trim(std::string_view s);
/// `trim` as a part of `s` itself.
std::string_view trimView(std::string_view s);

/// True when `s` is not empty and holds blanks only.
bool allBlanks(std::string_view s);

/// The index of the first byte of `s` that is `a` or `b`, or npos: the
/// standard library's find_first_of looks each byte up in its set with a
/// call of its own, which costs more than the short names it is used on.
inline size_t findEither(std::string_view s, char a, char b) {
  for (size_t i = 0; i < s.size(); ++i)
    if (s[i] == a || s[i] == b) return i;
  return std::string_view::npos;
}
/// The index of the last such byte, or npos.
inline size_t findLastEither(std::string_view s, char a, char b) {
  for (size_t i = s.size(); i-- > 0;)
    if (s[i] == a || s[i] == b) return i;
  return std::string_view::npos;
}

/// True when `s` starts with `prefix`, byte for byte.
bool startsWith(std::string_view s, std::string_view prefix);

/// Code of the first byte (0-255), or -1 for an empty text.
int firstCode(std::string_view s);

}  // namespace text

#endif  // KESTREL_TEXT_TEXT_H_
