#include "text/link_escape.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/html_references.h"

namespace {

using html::Context;

TEST(LinkEscapeTest, Names) {
  struct {
    const char* name;
    const char* target;
    const char* text;
  } cases[] = {
      // Names a Windows file system allows come out unchanged.
      {"README.TXT", "README.TXT", "README.TXT"},
      {"SUB\\A_B-C!(1)[2]{3}~$';=+,.@^`", "SUB\\A_B-C!(1)[2]{3}~$';=+,.@^`",
       "SUB\\A_B-C!(1)[2]{3}~$';=+,.@^`"},
      // Every byte from 128 up is encoded, one by one.
      {"\xe9t\xe9.TXT", "%E9t%E9.TXT", "\xe9t\xe9.TXT"},
      {"r\xc3\xa9sum\xc3\xa9.zip", "r%C3%A9sum%C3%A9.zip",
       "r\xc3\xa9sum\xc3\xa9.zip"},
      // No scheme and no other host: the target stays on this site.
      {"javascript:alert(1)", "javascript%3Aalert(1)", "javascript:alert(1)"},
      {"\\\\evil.example", "%5C\\evil.example", "\\\\evil.example"},
      {"//x", "%2F/x", "//x"},
      {"/\\x", "%2F\\x", "/\\x"},
      {"\\/x", "%5C/x", "\\/x"},
      {"\\x\\\\y", "\\x\\\\y", "\\x\\\\y"},
      {"\"><script>alert(1)</script>",
       "%22%3E%3Cscript%3Ealert(1)%3C/script%3E",
       "\"&gt;&lt;script&gt;alert(1)&lt;/script&gt;"},
      {"a#b%c?d", "a%23b%25c%3Fd", "a#b%c?d"},
      // Blanks and control bytes: a blank would end the target for many a
      // reader of the page.
      {"Read Me First.txt", "Read%20Me%20First.txt", "Read Me First.txt"},
      {" ", "%20", " "},
      {"tab\there\x7f\x1f", "tab%09here%7F%1F", "tab\there\x7f\x1f"},
      // A browser decodes character references in a target before it uses
      // it: with "&" encoded there is none left to make a ":" or a slash.
      {"Q&A.pdf", "Q%26A.pdf", "Q&amp;A.pdf"},
      {"javascript&colon;alert(1)", "javascript%26colon;alert(1)",
       "javascript&amp;colon;alert(1)"},
      {"javascript&#x3a;x", "javascript%26%23x3a;x", "javascript&amp;#x3a;x"},
      {"javascript&#58x", "javascript%26%2358x", "javascript&amp;#58x"},
      {"&sol;&sol;evil.example&sol;x.zip",
       "%26sol;%26sol;evil.example%26sol;x.zip",
       "&amp;sol;&amp;sol;evil.example&amp;sol;x.zip"},
      {"&lt;b&gt;&amp", "%26lt;b%26gt;%26amp", "&amp;lt;b&amp;gt;&amp;amp"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.target, linkTarget(c.name));
    EXPECT_EQ(c.text, linkText(c.name));
    // What a browser reads back is the name itself.
    EXPECT_EQ(c.name, html::percentDecoded(html::decodeReferences(
                          c.target, Context::kAttribute)));
    EXPECT_EQ(c.name, html::decodeReferences(c.text, Context::kText));
  }
}

}  // namespace
