// Texts about names made safe to show: a file name may hold any byte, and
// none of them may act on the terminal that shows a message. On a terminal
// every byte becomes a glyph; in a pipe or a file, control bytes become
// "^J"-style escapes that a reader can still make out.
#ifndef KESTREL_SERVICES_VISIBLE_TEXT_H_
#define KESTREL_SERVICES_VISIBLE_TEXT_H_

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

/// True when `text` holds a byte from 1 to 31.
bool hasControlByte(std::string_view text);

}  // namespace visible

#endif  // KESTREL_SERVICES_VISIBLE_TEXT_H_
