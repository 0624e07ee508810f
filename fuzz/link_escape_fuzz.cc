// Fuzzes the escaping of names: a link target is a same-site path of
// printable bytes (no blank, no control byte, no DEL, nothing above it)
// without '"', '&', ':' or angle brackets, a link text holds
// no angle bracket and no character reference but those the escaper writes,
// both read back through an HTML parser's decoding as the name's own bytes,
// a message text holds no byte that acts on a terminal, and the UTF-8 form
// of a page text is well-formed UTF-8 with the text's bytes below 128 in
// their places among its characters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "testing/html_references.h"
#include "text/link_escape.h"
#include "text/visible_text.h"

namespace {

bool isSlash(char c) { return c == '/' || c == '\\'; }

bool isControl(unsigned char byte) { return byte < 32 || byte == 127; }

// A byte that a link target may hold as it stands: a printable one that is
// no blank. A blank, a control byte, DEL (127) and every byte above it are
// written as a %XX escape.
bool isPlainTargetByte(unsigned char byte) { return byte > 32 && byte < 127; }

void checkTarget(std::string_view name) {
  std::string target = linkTarget(name);
  for (char c : target) {
    if (!isPlainTargetByte(static_cast<unsigned char>(c))) abort();
    if (c == '"' || c == '&' || c == ':' || c == '<' || c == '>') abort();
  }
  if (target.size() >= 2 && isSlash(target[0]) && isSlash(target[1])) abort();
  std::string read_back =
      html::decodeReferences(target, html::Context::kAttribute);
  if (html::percentDecoded(read_back) != name) abort();
}

void checkText(std::string_view name) {
  std::string text = linkText(name);
  if (text.find_first_of("<>") != std::string::npos) abort();
  for (const std::string& reference :
       html::referencesIn(text, html::Context::kText)) {
    if (reference != "&amp;" && reference != "&lt;" && reference != "&gt;")
      abort();
  }
  if (html::decodeReferences(text, html::Context::kText) != name) abort();
}

// The bytes below 128 of `text`, in order.
std::string asciiOf(std::string_view text) {
  std::string ascii;
  for (char c : text)
    if (static_cast<unsigned char>(c) < 128) ascii += c;
  return ascii;
}

void checkPageText(std::string_view name) {
  std::string utf8 = visible::utf8Text(name);
  if (!html::isUtf8(utf8)) abort();
  if (asciiOf(utf8) != asciiOf(name)) abort();
  // A text is changed only when it is not UTF-8 already.
  if (utf8 != name && html::isUtf8(name) &&
      name.find("\xc2") == std::string_view::npos)
    abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view name(reinterpret_cast<const char*>(data), size);
  checkTarget(name);
  checkText(name);
  checkPageText(name);

  for (char c : visible::caretText(name)) {
    if (isControl(static_cast<unsigned char>(c))) abort();
  }
  for (char c : visible::glyphText(name)) {
    if (isControl(static_cast<unsigned char>(c))) abort();
  }
  return 0;
}
