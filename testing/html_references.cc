// Character references and percent escapes, read back as a browser does.
#include "testing/html_references.h"

#include <cstdint>
#include <optional>

namespace html {

namespace {

struct Named {
  std::string_view name;
  std::string_view value;
  bool legacy;  // also decoded without its ";"
};

// The references a hostile name would reach for: the legacy five, and those
// that spell a scheme's ":", a path's slashes and the URL punctuation.
constexpr Named kNamed[] = {
    {"amp", "&", true},     {"AMP", "&", true},     {"lt", "<", true},
    {"LT", "<", true},      {"gt", ">", true},      {"GT", ">", true},
    {"quot", "\"", true},   {"QUOT", "\"", true},   {"nbsp", "\xc2\xa0", true},
    {"apos", "'", false},   {"colon", ":", false},  {"sol", "/", false},
    {"bsol", "\\", false},  {"Tab", "\t", false},   {"NewLine", "\n", false},
    {"num", "#", false},    {"percnt", "%", false}, {"quest", "?", false},
    {"period", ".", false}, {"excl", "!", false},   {"lpar", "(", false},
    {"rpar", ")", false},   {"commat", "@", false}, {"equals", "=", false},
    {"plus", "+", false},   {"comma", ",", false},  {"semi", ";", false},
    {"lowbar", "_", false}, {"grave", "`", false},  {"Hat", "^", false},
    {"lsqb", "[", false},   {"rsqb", "]", false},   {"lbrack", "[", false},
    {"rbrack", "]", false}, {"lcub", "{", false},   {"rcub", "}", false},
    {"lbrace", "{", false}, {"rbrace", "}", false}, {"verbar", "|", false},
    {"vert", "|", false},   {"ast", "*", false},    {"midast", "*", false},
    {"dollar", "$", false},
};

// What a numeric reference to 0x80-0x9F stands for (0 where it is kept).
constexpr uint16_t kC1[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isHexDigit(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isAlnum(char c) {
  return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int hexValue(char c) {
  if (isDigit(c)) return c - '0';
  return (c | 0x20) - 'a' + 10;
}

std::string utf8(uint32_t code) {
  std::string out;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
  return out;
}

// A reference found at an "&": how many bytes it takes and what it reads as.
struct Reference {
  size_t length;
  std::string value;
};

uint32_t checkedCode(uint32_t code) {
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
    return 0xFFFD;
  if (code >= 0x80 && code <= 0x9F && kC1[code - 0x80] != 0)
    return kC1[code - 0x80];
  return code;
}

// "&#" at `at`: decimal or, after an "x", hex digits, then maybe ";".
std::optional<Reference> numericAt(std::string_view text, size_t at) {
  size_t i = at + 2;
  bool hex = i < text.size() && (text[i] == 'x' || text[i] == 'X');
  if (hex) ++i;
  size_t digits = i;
  uint32_t code = 0;
  for (; i < text.size() && (hex ? isHexDigit(text[i]) : isDigit(text[i]));
       ++i) {
    uint32_t next = code * (hex ? 16 : 10) + hexValue(text[i]);
    code = next > 0x10FFFF ? 0x110000 : next;
  }
  if (i == digits) return std::nullopt;
  if (i < text.size() && text[i] == ';') ++i;
  return Reference{i - at, utf8(checkedCode(code))};
}

// The longest named reference of the table at `at`.
std::optional<Reference> namedAt(std::string_view text, size_t at,
                                 Context context) {
  std::string_view after = text.substr(at + 1);
  std::optional<Reference> best;
  for (const Named& named : kNamed) {
    if (after.substr(0, named.name.size()) != named.name) continue;
    size_t end = named.name.size();
    bool closed = end < after.size() && after[end] == ';';
    if (!closed && !named.legacy) continue;
    // An attribute keeps "&amp=" and "&ampx" as they stand.
    if (!closed && context == Context::kAttribute && end < after.size() &&
        (isAlnum(after[end]) || after[end] == '=')) {
      continue;
    }
    size_t length = 1 + end + (closed ? 1 : 0);
    if (!best || length > best->length)
      best = Reference{length, std::string(named.value)};
  }
  return best;
}

std::optional<Reference> referenceAt(std::string_view text, size_t at,
                                     Context context) {
  if (at + 1 < text.size() && text[at + 1] == '#') return numericAt(text, at);
  return namedAt(text, at, context);
}

}  // namespace

std::string decodeReferences(std::string_view text, Context context) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    std::optional<Reference> found;
    if (text[i] == '&') found = referenceAt(text, i, context);
    if (found) {
      out += found->value;
      i += found->length;
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::vector<std::string> referencesIn(std::string_view text, Context context) {
  std::vector<std::string> found;
  for (size_t at = text.find('&'); at != std::string_view::npos;
       at = text.find('&', at + 1)) {
    std::optional<Reference> reference = referenceAt(text, at, context);
    size_t length = 1;
    if (reference) {
      length = reference->length;
    } else {
      while (at + length < text.size() && isAlnum(text[at + length])) ++length;
    }
    found.emplace_back(text.substr(at, length));
  }
  return found;
}

std::string percentDecoded(std::string_view target) {
  std::string out;
  for (size_t i = 0; i < target.size(); ++i) {
    if (target[i] == '%' && i + 2 < target.size() &&
        isHexDigit(target[i + 1]) && isHexDigit(target[i + 2])) {
      out += static_cast<char>(hexValue(target[i + 1]) * 16 +
                               hexValue(target[i + 2]));
      i += 2;
    } else {
      out += target[i];
    }
  }
  return out;
}

namespace {

// Length of the well-formed character at the front of `text`, or 0.
size_t characterLength(std::string_view text) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
  if (length == 0 || lead > 0xF4 || text.size() < length) return 0;
  uint32_t code = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  static constexpr uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  bool surrogate = code >= 0xD800 && code <= 0xDFFF;
  if (code < kLeast[length] || surrogate || code > 0x10FFFF) return 0;
  return length;
}

}  // namespace

bool isUtf8(std::string_view text) {
  while (!text.empty()) {
    size_t length = characterLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

}  // namespace html
