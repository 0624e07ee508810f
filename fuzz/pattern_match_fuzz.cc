// Fuzzes the DIR pattern matcher, which the built-in interpreter runs over
// every name of a listed directory: any pattern against any name ends, a
// pattern without "*" or "?" matches itself, and "*" and "*.*" match every
// name, as the tools' own listings rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shell/dir_listing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte says where the pattern ends and the name begins.
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  size_t cut = data[0] % (rest.size() + 1);
  std::string_view pattern = rest.substr(0, cut);
  std::string_view name = rest.substr(cut);
  bool matched = matchesPattern(pattern, name);
  if (matched != matchesPattern(pattern, name)) abort();
  if (!hasWildcard(pattern) && !matchesPattern(pattern, pattern)) abort();
  if (!hasWildcard(name) && !matchesPattern(name, name)) abort();
  if (!matchesPattern("*", name) || !matchesPattern("*.*", name)) abort();
  return 0;
}
