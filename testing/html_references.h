// Reads back what a browser makes of a page's link text and link target:
// character references decoded as an HTML parser decodes them in text and
// in attribute values, and a target's %XX escapes undone. The tests and the
// fuzz targets use it to check that an escaped name reads back as itself.
#ifndef KESTREL_TESTING_HTML_REFERENCES_H_
#define KESTREL_TESTING_HTML_REFERENCES_H_

#include <string>
#include <string_view>
#include <vector>

namespace html {

/// Where a reference stands: an attribute value does not decode a named
/// reference without its ";" when a letter, a digit or "=" follows it.
enum class Context { kText, kAttribute };

/// `text` with its character references decoded: "&#NN;" and "&#xHH;" (the
/// ";" may be missing) become their code point in UTF-8, U+FFFD for 0, a
/// surrogate or a code point past U+10FFFF; the named references of the
/// table below ("&amp;", "&colon;", "&sol;", "&bsol;"...) become their
/// character. An "&" that starts no known reference stays as it is.
std::string decodeReferences(std::string_view text, Context context);

/// Every "&" of `text` with what it starts: a decoded reference as written
/// ("&amp;", "&#58", "&colon;"), or "&" and the letters and digits after it
/// when it starts none that the table knows.
std::vector<std::string> referencesIn(std::string_view text, Context context);

/// `target` with each "%" and two hex digits made the byte they name.
std::string percentDecoded(std::string_view target);

/// True when `text` is well-formed UTF-8 as a browser decodes a page that
/// declares it: no stray byte, cut or overlong form, surrogate or code point
/// past U+10FFFF. (A decoder of its own, to check the tools' pages.)
bool isUtf8(std::string_view text);

}  // namespace html

#endif  // KESTREL_TESTING_HTML_REFERENCES_H_
