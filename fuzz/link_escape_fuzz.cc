// Fuzzes the escaping of names: a link target is a same-site path made of
// printable bytes without '"' or ':', a link text holds no angle bracket,
// and a message text holds no byte that acts on a terminal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pagegen/link_escape.h"
#include "services/visible_text.h"

namespace {

bool isSlash(char c) { return c == '/' || c == '\\'; }

bool isControl(unsigned char byte) { return byte < 32 || byte == 127; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view name(reinterpret_cast<const char*>(data), size);
  std::string target = linkTarget(name);
  for (char c : target) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 33 || byte > 127 || c == '"' || c == ':') abort();
  }
  if (target.size() >= 2 && isSlash(target[0]) && isSlash(target[1])) abort();
  if (linkText(name).find_first_of("<>") != std::string::npos) abort();

  for (char c : visible::caretText(name)) {
    if (isControl(static_cast<unsigned char>(c))) abort();
  }
  for (char c : visible::glyphText(name)) {
    if (isControl(static_cast<unsigned char>(c))) abort();
  }
  return 0;
}
