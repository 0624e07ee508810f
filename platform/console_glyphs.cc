// Code page 437 glyphs, UTF-8 character cutting and terminal column widths.
#include "platform/console_glyphs.h"

namespace glyphs {
namespace {

// Glyphs of the bytes 0-31; byte 0 is drawn as a blank.
constexpr std::string_view kControlGlyphs[32] = {
    "\x20",         "\xe2\x98\xba", "\xe2\x98\xbb", "\xe2\x99\xa5",  //  ☺☻♥
    "\xe2\x99\xa6", "\xe2\x99\xa3", "\xe2\x99\xa0", "\xe2\x80\xa2",  // ♦♣♠•
    "\xe2\x97\x98", "\xe2\x97\x8b", "\xe2\x97\x99", "\xe2\x99\x82",  // ◘○◙♂
    "\xe2\x99\x80", "\xe2\x99\xaa", "\xe2\x99\xab", "\xe2\x98\xbc",  // ♀♪♫☼
    "\xe2\x96\xba", "\xe2\x97\x84", "\xe2\x86\x95", "\xe2\x80\xbc",  // ►◄↕‼
    "\xc2\xb6",     "\xc2\xa7",     "\xe2\x96\xac", "\xe2\x86\xa8",  // ¶§▬↨
    "\xe2\x86\x91", "\xe2\x86\x93", "\xe2\x86\x92", "\xe2\x86\x90",  // ↑↓→←
    "\xe2\x88\x9f", "\xe2\x86\x94", "\xe2\x96\xb2", "\xe2\x96\xbc",  // ∟↔▲▼
};

// Byte 127.
constexpr std::string_view kDeleteGlyph = "\xe2\x8c\x82";  // ⌂

// Glyphs of the bytes 128-255.
constexpr std::string_view kHighGlyphs[128] = {
    "\xc3\x87",     "\xc3\xbc",     "\xc3\xa9",     "\xc3\xa2",  // Çüéâ
    "\xc3\xa4",     "\xc3\xa0",     "\xc3\xa5",     "\xc3\xa7",  // äàåç
    "\xc3\xaa",     "\xc3\xab",     "\xc3\xa8",     "\xc3\xaf",  // êëèï
    "\xc3\xae",     "\xc3\xac",     "\xc3\x84",     "\xc3\x85",  // îìÄÅ
    "\xc3\x89",     "\xc3\xa6",     "\xc3\x86",     "\xc3\xb4",  // ÉæÆô
    "\xc3\xb6",     "\xc3\xb2",     "\xc3\xbb",     "\xc3\xb9",  // öòûù
    "\xc3\xbf",     "\xc3\x96",     "\xc3\x9c",     "\xc2\xa2",  // ÿÖÜ¢
    "\xc2\xa3",     "\xc2\xa5",     "\xe2\x82\xa7", "\xc6\x92",  // £¥₧ƒ
    "\xc3\xa1",     "\xc3\xad",     "\xc3\xb3",     "\xc3\xba",  // áíóú
    "\xc3\xb1",     "\xc3\x91",     "\xc2\xaa",     "\xc2\xba",  // ñÑªº
    "\xc2\xbf",     "\xe2\x8c\x90", "\xc2\xac",     "\xc2\xbd",  // ¿⌐¬½
    "\xc2\xbc",     "\xc2\xa1",     "\xc2\xab",     "\xc2\xbb",  // ¼¡«»
    "\xe2\x96\x91", "\xe2\x96\x92", "\xe2\x96\x93", "\xe2\x94\x82",  // ░▒▓│
    "\xe2\x94\xa4", "\xe2\x95\xa1", "\xe2\x95\xa2", "\xe2\x95\x96",  // ┤╡╢╖
    "\xe2\x95\x95", "\xe2\x95\xa3", "\xe2\x95\x91", "\xe2\x95\x97",  // ╕╣║╗
    "\xe2\x95\x9d", "\xe2\x95\x9c", "\xe2\x95\x9b", "\xe2\x94\x90",  // ╝╜╛┐
    "\xe2\x94\x94", "\xe2\x94\xb4", "\xe2\x94\xac", "\xe2\x94\x9c",  // └┴┬├
    "\xe2\x94\x80", "\xe2\x94\xbc", "\xe2\x95\x9e", "\xe2\x95\x9f",  // ─┼╞╟
    "\xe2\x95\x9a", "\xe2\x95\x94", "\xe2\x95\xa9", "\xe2\x95\xa6",  // ╚╔╩╦
    "\xe2\x95\xa0", "\xe2\x95\x90", "\xe2\x95\xac", "\xe2\x95\xa7",  // ╠═╬╧
    "\xe2\x95\xa8", "\xe2\x95\xa4", "\xe2\x95\xa5", "\xe2\x95\x99",  // ╨╤╥╙
    "\xe2\x95\x98", "\xe2\x95\x92", "\xe2\x95\x93", "\xe2\x95\xab",  // ╘╒╓╫
    "\xe2\x95\xaa", "\xe2\x94\x98", "\xe2\x94\x8c", "\xe2\x96\x88",  // ╪┘┌█
    "\xe2\x96\x84", "\xe2\x96\x8c", "\xe2\x96\x90", "\xe2\x96\x80",  // ▄▌▐▀
    "\xce\xb1",     "\xc3\x9f",     "\xce\x93",     "\xcf\x80",      // αßΓπ
    "\xce\xa3",     "\xcf\x83",     "\xc2\xb5",     "\xcf\x84",      // Σσµτ
    "\xce\xa6",     "\xce\x98",     "\xce\xa9",     "\xce\xb4",      // ΦΘΩδ
    "\xe2\x88\x9e", "\xcf\x86",     "\xce\xb5",     "\xe2\x88\xa9",  // ∞φε∩
    "\xe2\x89\xa1", "\xc2\xb1",     "\xe2\x89\xa5", "\xe2\x89\xa4",  // ≡±≥≤
    "\xe2\x8c\xa0", "\xe2\x8c\xa1", "\xc3\xb7",     "\xe2\x89\x88",  // ⌠⌡÷≈
    "\xc2\xb0",     "\xe2\x88\x99", "\xc2\xb7",     "\xe2\x88\x9a",  // °∙·√
    "\xe2\x81\xbf", "\xc2\xb2",     "\xe2\x96\xa0", "\xc2\xa0",  // ⁿ²■ 
};

constexpr std::string_view kPrintable =
    " !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`"
    "abcdefghijklmnopqrstuvwxyz{|}~";

struct Range {
  char32_t first;
  char32_t last;
};

// Characters that take no column of their own: the common blocks of
// combining marks, zero-width spaces and joiners, and variation selectors.
// Marks of rarer scripts are counted as one column.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A},
    {0x064B, 0x065F}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
    {0x2060, 0x2064}, {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
    {0xFEFF, 0xFEFF},
};

// Characters that take two columns: East Asian wide and full-width forms
// and the emoji blocks.
constexpr Range kDoubleWidth[] = {
    {0x1100, 0x115F},   {0x2329, 0x232A},   {0x2E80, 0x303E},
    {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},
    {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF},
    {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

bool inRanges(char32_t cp, const Range* ranges, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (cp >= ranges[i].first && cp <= ranges[i].last) return true;
  }
  return false;
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 character at the front of `text` and its
// code point, or 0 when none starts there. The range of the second byte
// also rules out overlong forms, surrogates and code points past U+10FFFF.
size_t decodeUtf8(std::string_view text, char32_t* cp) {
  auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = at(0);
  size_t length = utf8Length(lead);
  if (length == 1) return 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead == 0xE0) low = 0xA0;
  if (lead == 0xED) high = 0x9F;
  if (lead == 0xF0) low = 0x90;
  if (lead == 0xF4) high = 0x8F;
  if (text.size() < length) return 0;
  if (at(1) < low || at(1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (!isContinuation(at(i))) return 0;
  }
  char32_t value = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) value = (value << 6) | (at(i) & 0x3F);
  *cp = value;
  return length;
}

}  // namespace

std::string_view cp437Glyph(unsigned char byte) {
  if (byte < 32) return kControlGlyphs[byte];
  if (byte < 127) return kPrintable.substr(byte - 32, 1);
  if (byte == 127) return kDeleteGlyph;
  return kHighGlyphs[byte - 128];
}

size_t utf8Length(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 1;
}

int codePointColumns(char32_t cp) {
  if (inRanges(cp, kZeroWidth, sizeof(kZeroWidth) / sizeof(kZeroWidth[0])))
    return 0;
  if (inRanges(cp, kDoubleWidth,
               sizeof(kDoubleWidth) / sizeof(kDoubleWidth[0])))
    return 2;
  return 1;
}

Glyph nextGlyph(std::string_view text) {
  char32_t cp = 0;
  size_t length = decodeUtf8(text, &cp);
  // U+0080-U+009F are the C1 controls: a UTF-8 terminal would act on them,
  // so their two bytes are drawn as glyphs like any stray byte.
  if (length > 0 && cp >= 0xA0)
    return Glyph{text.substr(0, length), length, codePointColumns(cp)};
  return Glyph{cp437Glyph(static_cast<unsigned char>(text[0])), 1, 1};
}

}  // namespace glyphs
