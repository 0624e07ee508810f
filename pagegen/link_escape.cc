// Escaping of names in links.
#include "pagegen/link_escape.h"

namespace {

bool needsPercent(unsigned char c) {
  switch (c) {
    case '"':
    case '#':
    case '%':
    case '<':
    case '>':
    case '?':
      return true;
    default:
      return c < 33 || c == 127;
  }
}

}  // namespace

std::string linkTarget(std::string_view name) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  for (char ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (needsPercent(c)) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

std::string linkText(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}
