// Glyph and caret forms of message texts, and the UTF-8 form of page texts.
#include "text/visible_text.h"

#include "platform/console_glyphs.h"

namespace visible {

namespace {

// The caret form of a seven-bit byte: "^@" to "^_", "^?", or the byte.
void appendCaret(unsigned char byte, std::string* out) {
  if (byte < 32) {
    *out += '^';
    *out += static_cast<char>(byte + 64);
  } else if (byte == 127) {
    *out += "^?";
  } else {
    *out += static_cast<char>(byte);
  }
}

// True when every byte from 128 up is part of a well-formed UTF-8
// character that is no C1 control.
bool isUtf8(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    if (static_cast<unsigned char>(text[at]) < 128) {
      ++at;
      continue;
    }
    glyphs::Glyph glyph = glyphs::nextGlyph(text.substr(at));
    if (glyph.consumed == 1) return false;
    at += glyph.consumed;
  }
  return true;
}

}  // namespace

std::string utf8Text(std::string_view text) {
  std::string out;
  appendUtf8Text(text, &out);
  return out;
}

void appendUtf8Text(std::string_view text, std::string* out) {
  if (isUtf8(text)) {
    out->append(text);
    return;
  }
  appendCp437Text(text, out);
}

bool staysAsUtf8(std::string_view text) { return isUtf8(text); }

void appendCp437Text(std::string_view text, std::string* out) {
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 128) {
      *out += c;
    } else {
      out->append(glyphs::cp437Glyph(byte));
    }
  }
}

std::string glyphText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    glyphs::Glyph glyph = glyphs::nextGlyph(text);
    out.append(glyph.utf8);
    text.remove_prefix(glyph.consumed);
  }
  return out;
}

std::string caretText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    glyphs::Glyph glyph = glyphs::nextGlyph(text);
    if (glyph.consumed > 1) {
      // A whole UTF-8 character that no terminal acts on.
      out.append(text.substr(0, glyph.consumed));
    } else {
      unsigned char byte = static_cast<unsigned char>(text[0]);
      if (byte >= 128) out += "M-";
      appendCaret(byte & 0x7F, &out);
    }
    text.remove_prefix(glyph.consumed);
  }
  return out;
}

bool hasControlByte(std::string_view text) {
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 1 && byte <= 31) return true;
  }
  return false;
}

}  // namespace visible
