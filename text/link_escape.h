// Makes a file name safe to stand in the page as a link: a file area on a
// POSIX system may hold names with quotes, angle brackets or control bytes
// that would otherwise break the page or run script in a reader's browser.
#ifndef KESTREL_TEXT_LINK_ESCAPE_H_
#define KESTREL_TEXT_LINK_ESCAPE_H_

#include <string>
#include <string_view>

/// The name as a link target, always a reference to a path on the page's
/// own site: '"', '#', '%', '&', ':', '<', '>', '?' and every byte below 33
/// or from 127 up become %XX (upper-case hex), and so does the first of two
/// leading slashes or backslashes. With no '&' left, a browser finds no
/// character reference in the target to turn into a ':' or a slash.
std::string linkTarget(std::string_view name);
/// `linkTarget(name)` appended to `*out`. With `at_start` false, `name` is
/// a later part of a longer name, whose leading slashes it does not hold.
void appendLinkTarget(std::string_view name, std::string* out,
                      bool at_start = true);

/// The name as link text: '&', '<' and '>' become "&amp;", "&lt;" and
/// "&gt;", so the text shows the name's own bytes.
std::string linkText(std::string_view name);
/// `linkText(name)` appended to `*out`.
void appendLinkText(std::string_view name, std::string* out);

#endif  // KESTREL_TEXT_LINK_ESCAPE_H_
