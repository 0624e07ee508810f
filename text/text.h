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

/// 1-based position of the first match of `needle` at or after `start`, or
/// 0; an empty haystack gives 0, an empty needle gives `start`.
long find(std::string_view haystack, std::string_view needle, long start = 1);

/// Strips leading blanks only.
std::string trimLeft(std::string_view s);
/// Strips trailing blanks only.
std::string trimRight(std::string_view s);
/// Strips leading and trailing blanks.
std::string trim(std::string_view s);

/// True when `s` is not empty and holds blanks only.
bool allBlanks(std::string_view s);

/// True when `s` starts with `prefix`, byte for byte.
bool startsWith(std::string_view s, std::string_view prefix);

/// Code of the first byte (0-255), or -1 for an empty text.
int firstCode(std::string_view s);

}  // namespace text

#endif  // KESTREL_TEXT_TEXT_H_
