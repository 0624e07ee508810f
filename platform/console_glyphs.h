// How console text becomes terminal output: every byte is shown as a glyph
// of its own and none acts as a terminal control. Valid UTF-8 characters
// (other than the C1 controls U+0080-U+009F) stay as typed; every other byte
// is drawn as its code page 437 glyph, written as UTF-8.
#ifndef KESTREL_PLATFORM_CONSOLE_GLYPHS_H_
#define KESTREL_PLATFORM_CONSOLE_GLYPHS_H_

#include <cstddef>
#include <string_view>

namespace glyphs {

/// The code page 437 glyph of `byte` as UTF-8 (NUL is a blank).
std::string_view cp437Glyph(unsigned char byte);

/// Bytes in the UTF-8 character that `lead` begins: 2 to 4 for the lead
/// bytes C2-F4, 1 for any other byte (ASCII, a continuation byte, C0, C1 and
/// F5-FF, which begin no well-formed character). Whether the bytes after it
/// complete the character is for the caller to see.
size_t utf8Length(unsigned char lead);

/// Terminal columns taken by code point `cp`: 0 for combining marks and
/// zero-width characters, 2 for wide East Asian characters and emoji, else 1.
int codePointColumns(char32_t cp);

/// One glyph cut from the front of a text.
struct Glyph {
  std::string_view utf8;  // the bytes to write to the terminal
  size_t consumed = 0;    // bytes of the text it stands for
  int columns = 0;        // terminal columns it takes
};

/// The glyph at the front of non-empty `text`: a whole UTF-8 character when
/// one starts there, else the CP437 glyph of the first byte.
Glyph nextGlyph(std::string_view text);

}  // namespace glyphs

#endif  // KESTREL_PLATFORM_CONSOLE_GLYPHS_H_
