// The read-back that the link checks rely on must decode what a browser
// decodes, or a hostile name would pass them unseen.
#include "testing/html_references.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using html::Context;

TEST(HtmlReferencesTest, DecodesAsABrowserDoes) {
  struct {
    const char* text;
    Context context;
    const char* decoded;
    std::vector<std::string> references;
  } cases[] = {
      {"javascript&colon;alert(1)",
       Context::kAttribute,
       "javascript:alert(1)",
       {"&colon;"}},
      {"a&#x3a;b&#X3A;c&#58;d&#58e",
       Context::kAttribute,
       "a:b:c:d:e",
       {"&#x3a;", "&#X3A;", "&#58;", "&#58"}},
      {"&sol;&sol;h&bsol;x",
       Context::kAttribute,
       "//h\\x",
       {"&sol;", "&sol;", "&bsol;"}},
      {"&#0;&#xD800;&#x110000;&#99999999999;",
       Context::kText,
       "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd",
       {"&#0;", "&#xD800;", "&#x110000;", "&#99999999999;"}},
      {"&#x80;&#233;",
       Context::kText,
       "\xe2\x82\xac\xc3\xa9",
       {"&#x80;", "&#233;"}},
      // The legacy names need no ";", except before a letter, a digit or
      // "=" in an attribute.
      {"&amp&lt;&gtx", Context::kText, "&<>x", {"&amp", "&lt;", "&gt"}},
      {"&ampx&amp=&amp.",
       Context::kAttribute,
       "&ampx&amp=&.",
       {"&ampx", "&amp", "&amp"}},
      // An "&" that starts no known reference stays.
      {"& &# &#x; &unknown; &colon",
       Context::kText,
       "& &# &#x; &unknown; &colon",
       {"&", "&", "&", "&unknown", "&colon"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.decoded, html::decodeReferences(c.text, c.context));
    EXPECT_EQ(c.references, html::referencesIn(c.text, c.context));
  }
}

TEST(HtmlReferencesTest, PercentDecoding) {
  EXPECT_EQ("r\xc3\xa9sum\xc3\xa9 & 100%.zip",
            html::percentDecoded("r%C3%a9sum%C3%A9%20%26%20100%.zip"));
  EXPECT_EQ("%4%G1%", html::percentDecoded("%4%G1%"));
}

TEST(HtmlReferencesTest, Utf8Check) {
  const struct {
    std::string text;
    bool utf8;
  } cases[] = {
      {"", true},
      {std::string("a\0\x7f", 3), true},
      {"\xc2\x80 \xdf\xbf \xe0\xa0\x80 \xef\xbf\xbf", true},
      {"\xf0\x90\x80\x80 \xf4\x8f\xbf\xbf", true},
      {"\x82", false},              // a stray continuation byte
      {"caf\xc3", false},           // cut
      {"\xc3(", false},             // no continuation
      {"\xc0\xaf", false},          // overlong
      {"\xe0\x9f\xbf", false},      // overlong
      {"\xed\xa0\x80", false},      // surrogate
      {"\xf4\x90\x80\x80", false},  // past U+10FFFF
      {"\xf8\x88\x80\x80\x80", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(c.utf8, html::isUtf8(c.text));
  }
}

}  // namespace
