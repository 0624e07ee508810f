// Texts about names made safe to show: a file name may hold any byte, and
// none of them may act on the terminal that shows a message. On a terminal
// every byte becomes a glyph; in a pipe or a file, control bytes become
// "^J"-style escapes that a reader can still make out. A text for a UTF-8
// page is read as UTF-8 or as the DOS code page 437 it may be written in.
#ifndef KESTREL_TEXT_VISIBLE_TEXT_H_
#define KESTREL_TEXT_VISIBLE_TEXT_H_

#include <string>
#include <string_view>

namespace visible {

/// `text` for a terminal: printable ASCII and well-formed UTF-8 characters
/// (other than the C1 controls) as they are, every other byte as its code
/// page 437 glyph in UTF-8.
std::string glyphText(std::string_view text);

/// `text` for a pipe or a file: bytes 0-31 as "^@" to "^_", byte 127 as
/// "^?", and each byte from 128 up that is not part of such a UTF-8
/// character as "M-" and the form of its low seven bits ("M-^[" for 155).
std::string caretText(std::string_view text);

/// `text` as UTF-8, for a page that declares that charset: a text of
/// well-formed UTF-8 (with no C1 control) stays as it is; any other text is
/// read as code page 437 throughout, each byte from 128 up becoming its
/// CP437 character in UTF-8. The text is judged whole, since CP437 pairs
/// such as "═╗" are well-formed UTF-8 too.
std::string utf8Text(std::string_view text);
/// Appends `utf8Text(text)` to `*out`.
void appendUtf8Text(std::string_view text, std::string* out);
/// True when `utf8Text` leaves `text` as it is.
bool staysAsUtf8(std::string_view text);
/// Appends `text` read as code page 437 throughout, in UTF-8: what
/// `utf8Text` makes of a text that does not stay as it is, a part at a time.
void appendCp437Text(std::string_view text, std::string* out);

/// True when `text` holds a byte from 1 to 31.
bool hasControlByte(std::string_view text);

}  // namespace visible

#endif  // KESTREL_TEXT_VISIBLE_TEXT_H_
