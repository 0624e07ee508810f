// The text of a DIR listing and the rules by which it picks and orders
// names.
#include "shell/dir_text.h"

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "text/capture_columns.h"
#include "text/text.h"

namespace {

// Appends `value` (not negative) as `width` digits, with leading zeros.
void appendZeroPadded(std::string* out, int value, int width) {
  char digits[16];
  for (int i = width - 1; i >= 0; --i) {
    digits[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  out->append(digits, static_cast<size_t>(width));
}

// A pattern as the old DOS matcher saw it: "*" before a "." stops at the
// name's last dot, a "." before "*", "?" or the end may also match the end
// of the name, and "?" matches nothing at a dot or at the end.
enum Kind { kLiteral, kAny, kStarToDot, kOneOrEnd, kDotOrEnd };
struct Token {
  Kind kind;
  char c;
};

std::vector<Token> patternTokens(std::string_view pattern) {
  std::vector<Token> tokens;
  for (size_t i = 0; i < pattern.size(); ++i) {
    char c = pattern[i];
    char after = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    if (c == '?') {
      tokens.push_back({kOneOrEnd, c});
    } else if (c == '*') {
      tokens.push_back({after == '.' ? kStarToDot : kAny, c});
    } else if (c == '.' && (after == '*' || after == '?' || after == '\0')) {
      tokens.push_back({kDotOrEnd, c});
    } else {
      tokens.push_back({kLiteral, c});
    }
  }
  return tokens;
}

}  // namespace

std::string groupedNumber(uint64_t value) {
  std::string out;
  appendGroupedNumber(value, 0, &out);
  return out;
}

void appendGroupedNumber(uint64_t value, size_t width, std::string* out) {
  char digits[20];
  size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  size_t length = count + (count - 1) / 3;
  if (length < width) out->append(width - length, ' ');
  // The digits were found last first.
  for (size_t i = count; i-- > 0;) {
    out->push_back(digits[i]);
    if (i > 0 && i % 3 == 0) out->push_back(',');
  }
}

void appendDateTimeColumns(std::string* out, int64_t mtime) {
  time_t seconds = static_cast<time_t>(mtime);
  struct tm local;
  if (localtime_r(&seconds, &local) == nullptr || local.tm_year + 1900 < 0 ||
      local.tm_year + 1900 > 9999) {
    // Keeps the columns of a time that a four-digit year cannot show.
    *out += "00/00/0000  12:00 AM";
    return;
  }
  int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
  std::string& text = *out;
  appendZeroPadded(&text, local.tm_mon + 1, 2);
  text += '/';
  appendZeroPadded(&text, local.tm_mday, 2);
  text += '/';
  appendZeroPadded(&text, local.tm_year + 1900, 4);
  text += "  ";
  appendZeroPadded(&text, hour, 2);
  text += ':';
  appendZeroPadded(&text, local.tm_min, 2);
  text += local.tm_hour < 12 ? " AM" : " PM";
}

std::string entryLine(const DirEntry& entry, DirFormat format) {
  std::string line;
  EntryLines().append(entry, format, &line);
  return line;
}

void EntryLines::append(const DirEntry& entry, DirFormat format,
                        std::string* out) {
  if (format == DirFormat::kBare) {
    out->append(entry.name);
    return;
  }
  using namespace capture_columns;
  std::string& line = *out;
  size_t start = line.size();
  line.reserve(start + kShortNameColumn + kShortNameFieldWidth +
               entry.name.size());
  if (!known_ || entry.mtime != mtime_) {
    columns_.clear();
    appendDateTimeColumns(&columns_, entry.mtime);
    mtime_ = entry.mtime;
    known_ = true;
  }
  line += columns_;
  if (entry.directory) {
    line.append(kDirMarkColumn - kSizeColumn, ' ');
    line += kDirMark;
    line.append(start + kShortNameColumn - 1 - line.size(), ' ');
  } else {
    appendGroupedNumber(entry.size, kSizeDigitsWidth, &line);
    line += ' ';
  }
  // No short names here: the short-name field stays blank.
  if (format == DirFormat::kShortNames) line.append(kShortNameFieldWidth, ' ');
  line += entry.name;
}

std::string volumeSerialText(uint64_t device) {
  uint32_t folded = static_cast<uint32_t>(device ^ (device >> 32));
  char text[16];
  snprintf(text, sizeof text, "%04X-%04X", folded >> 16, folded & 0xFFFFu);
  return text;
}

bool hasWildcard(std::string_view name) {
  return text::findEither(name, '*', '?') != std::string_view::npos;
}

bool matchesPattern(std::string_view pattern, std::string_view name) {
  // A table over (token, position) decides, right to left.
  std::vector<Token> tokens = patternTokens(pattern);
  size_t n = name.size();
  size_t last_dot = name.rfind('.');
  // next[i]: the tokens after the current one match name[i..].
  std::vector<char> next(n + 1, 0);
  std::vector<char> cur(n + 1, 0);
  next[n] = 1;
  for (size_t t = tokens.size(); t-- > 0;) {
    const Token& token = tokens[t];
    for (size_t i = n + 1; i-- > 0;) {
      bool at_end = i == n;
      switch (token.kind) {
        case kLiteral:
          cur[i] = !at_end && name[i] == token.c && next[i + 1];
          break;
        case kOneOrEnd:
          cur[i] = (at_end || name[i] == '.') ? next[i] : next[i + 1];
          break;
        case kDotOrEnd:
          cur[i] = at_end ? next[i] : (name[i] == '.' && next[i + 1]);
          break;
        case kAny:
          cur[i] = next[i] || (!at_end && cur[i + 1]);
          break;
        case kStarToDot:
          // May not run past the last dot of the name, if one lies ahead.
          if (last_dot != std::string_view::npos && i == last_dot) {
            cur[i] = next[i];
          } else {
            cur[i] = next[i] || (!at_end && cur[i + 1]);
          }
          break;
      }
    }
    std::swap(next, cur);
  }
  return next[0] != 0;
}

bool listedBefore(std::string_view a, std::string_view b) {
  auto upper = [](unsigned char c) {
    return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c;
  };
  size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    int x = upper(static_cast<unsigned char>(a[i]));
    int y = upper(static_cast<unsigned char>(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}
