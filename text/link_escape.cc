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
  std::string out;
  appendLinkTarget(name, &out);
  return out;
}

void appendLinkTarget(std::string_view name, std::string* out, bool at_start) {
  static const char kHex[] = "0123456789ABCDEF";
  // Two slashes in front would name another host; with the first one
  // encoded the target stays a path on this site.
  bool host_like =
      at_start && name.size() >= 2 && isSlash(name[0]) && isSlash(name[1]);
  out->reserve(out->size() + name.size());
  size_t run = 0;  // the start of the bytes that stand as they are
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (!needsPercent(c) && !(host_like && i == 0)) continue;
    out->append(name, run, i - run);
    char escape[3] = {'%', kHex[c >> 4], kHex[c & 15]};
    out->append(escape, 3);
    run = i + 1;
  }
  out->append(name, run);
}

std::string linkText(std::string_view name) {
  std::string out;
  appendLinkText(name, &out);
  return out;
}

void appendLinkText(std::string_view name, std::string* out) {
  out->reserve(out->size() + name.size());
  size_t run = 0;  // the start of the bytes that stand as they are
  for (size_t i = 0; i < name.size(); ++i) {
    std::string_view entity;
    switch (name[i]) {
      case '&':
        entity = "&amp;";
        break;
      case '<':
        entity = "&lt;";
        break;
      case '>':
        entity = "&gt;";
        break;
      default:
        continue;
    }
    out->append(name, run, i - run);
    out->append(entity);
    run = i + 1;
  }
  out->append(name, run);
}
