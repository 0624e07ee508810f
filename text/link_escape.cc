// Escaping of names in links.
#include "text/link_escape.h"

namespace {

bool needsPercent(unsigned char c) {
  switch (c) {
    case '"':
    case '#':
    case '&':
    case '%':
    case ':':
    case '<':
    case '>':
    case '?':
      return true;
    default:
      return c < 33 || c >= 127;
  }
}

bool isSlash(char c) { return c == '/' || c == '\\'; }

}  // namespace

std::string linkTarget(std::string_view name) {
  static const char kHex[] = "0123456789ABCDEF";
  // Two slashes in front would name another host; with the first one
  // encoded the target stays a path on this site.
  bool host_like = name.size() >= 2 && isSlash(name[0]) && isSlash(name[1]);
  std::string out;
  out.reserve(name.size());
  for (char ch : name) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (needsPercent(c) || (host_like && out.empty())) {
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
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}
