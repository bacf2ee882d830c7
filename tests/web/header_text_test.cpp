#include "web/header_text.h"

#include <gtest/gtest.h>

#include "web/cookie_jar.h"

namespace weibo {
namespace {

using Pieces = std::vector<Text>;

TEST(HeaderTextTest, TextBetweenAndHeaderValue) {
  EXPECT_EQ(TextBetween("user-agent: X/1\r\nA: b", "User-Agent:", "\r\n"), " X/1");
  EXPECT_EQ(TextBetween("[ab][cd]", "[", "]"), "ab");
  // The right marker is looked for only after the left one.
  EXPECT_EQ(TextBetween("]x[y", "[", "]"), "");
  // A marker never matches across the two bytes of a character: B0 5B is
  // one character, so the first "[" is the one after it.
  EXPECT_EQ(TextBetween("\xB0[x[y]", "[", "]"), "y");

  EXPECT_EQ(HeaderValue("Location: http://h/p:1"), "http://h/p:1");
  EXPECT_EQ(HeaderValue("Name:\xA1\xA1 v \xA1\xA1"), "v");  // full-width spaces trimmed
  EXPECT_EQ(HeaderValue("Name:\tv\r"), "\tv\r");            // tab and CR are not spaces
  EXPECT_EQ(HeaderValue("no colon"), "");
}

TEST(HeaderTextTest, SplitTextKeepsInnerEmptyPiecesAndDropsTrailingOne) {
  EXPECT_EQ(SplitText("", ";"), Pieces{});
  EXPECT_EQ(SplitText("a;;b;", ";"), (Pieces{"a", "", "b"}));
  EXPECT_EQ(SplitText(";", ";"), Pieces{""});
  // Character by character: B0 3B is one character, its ";" is no separator.
  EXPECT_EQ(SplitText("x\xB0;y;z", ";"), (Pieces{"x\xB0;y", "z"}));
}

TEST(HeaderTextTest, SplitBytesSeesSeparatorAfterHighByte) {
  const Text block = "HTTP/1.1 200 OK\r\nX-Name: \xD6\xD0\xB0\r\nSet-Cookie: k=v\r\n\r\n";
  EXPECT_EQ(SplitBytes(block, "\r\n"),
            (Pieces{"HTTP/1.1 200 OK", "X-Name: \xD6\xD0\xB0", "Set-Cookie: k=v", ""}));
  // The character-stepping split merges those two lines: that is why header
  // blocks are split as bytes.
  EXPECT_EQ(SplitText(block, "\r\n").size(), 3u);
  EXPECT_EQ(SplitBytes("", "\r\n"), Pieces{});
}

Text Merge(Text jar, Text fresh) {
  Text result = MergeCookies(&jar, &fresh);
  EXPECT_EQ(result, jar);
  return jar;
}

TEST(CookieJarTest, ExtractSetCookiesTakesNameValueOfEachLine) {
  EXPECT_EQ(ExtractSetCookies({"HTTP/1.1 200 OK", "Set-Cookie: x=1; path=/",
                               "Content-Type: text/html", "Set-Cookie: y=2; path=/", ""}),
            "x=1; y=2");
  // Without attributes the value runs to the end of the line.
  EXPECT_EQ(ExtractSetCookies({"Set-Cookie: z=3", "Set-Cookie: y=2; path=/"}), "z=3; y=2");
  EXPECT_EQ(ExtractSetCookies({"Set-Cookie:  sp = a b ;Path=/"}), "sp = a b");
  // The header name must be written "Set-Cookie" to count.
  EXPECT_EQ(ExtractSetCookies({"set-cookie: a=1; path=/", "SET-COOKIE: b=2"}), "");
  // A counted line without a value gives an empty entry.
  EXPECT_EQ(ExtractSetCookies({"Set-Cookie: ; path=/", "Set-Cookie: y=2"}), "; y=2");
  EXPECT_EQ(CookieName(" name =v=w"), "name");
  EXPECT_EQ(CookieName("flag"), "flag");
}

TEST(CookieJarTest, MergePutsFreshCookiesFirstAndDropsDeleted) {
  EXPECT_EQ(Merge("a=1; b=2", "b=3; c=4"), "b=3; c=4; a=1");
  EXPECT_EQ(Merge("a=1; b=2", "a=deleted"), "b=2");
  EXPECT_EQ(Merge("", "a=deleted"), "");
  // Entries of one reply that share a name are kept; the next merge keeps the first.
  EXPECT_EQ(Merge("", "a=1;a=2"), "a=1; a=2");
  EXPECT_EQ(Merge("a=1; a=2", ""), "a=1");
  // "=deleted" is compared with case significant, at the end of the entry only.
  EXPECT_EQ(Merge("a=1", "b=DELETED; c=deleted2"), "b=DELETED; c=deleted2; a=1");
  // Empty entries survive (they all share the empty name).
  EXPECT_EQ(Merge("a=1", ";y=2"), "; y=2; a=1");
  EXPECT_EQ(Merge("; y=2; a=1", ""), "; y=2; a=1");
}

TEST(CookieJarTest, MergeRemovesSpacesFromBothArguments) {
  Text jar = "a = 1 2;  b=\xA1\xA1x";
  Text fresh = " c = 3 ; d=4 ";
  EXPECT_EQ(MergeCookies(&jar, &fresh), "c=3; d=4; a=12; b=x");
  EXPECT_EQ(jar, "c=3; d=4; a=12; b=x");
  EXPECT_EQ(fresh, "c=3;d=4");
}

}  // namespace
}  // namespace weibo
