#include "web/cookie_jar.h"

#include <gtest/gtest.h>

#include "web/header_text.h"

namespace weibo {
namespace {

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
  EXPECT_EQ(ExtractSetCookies({"Set-Cookie: z=3"}), "z=3");
  EXPECT_EQ(ExtractSetCookies({"Set-Cookie: z=3", "Set-Cookie: y=2; path=/"}), "z=3; y=2");
  EXPECT_EQ(ExtractSetCookies({"Set-Cookie:  sp = a b ;Path=/"}), "sp = a b");
  // The header name must be written "Set-Cookie" to count.
  EXPECT_EQ(ExtractSetCookies({"set-cookie: a=1; path=/", "SET-COOKIE: b=2"}), "");
  EXPECT_EQ(ExtractSetCookies({}), "");
  // A counted line without a value gives an empty entry.
  EXPECT_EQ(ExtractSetCookies({"Set-Cookie: ; path=/", "Set-Cookie: y=2"}), "; y=2");
}

TEST(CookieJarTest, CookieNameIsTrimmedTextBeforeFirstEquals) {
  EXPECT_EQ(CookieName("SUB=a=b"), "SUB");
  EXPECT_EQ(CookieName(" name =v"), "name");
  EXPECT_EQ(CookieName("flag"), "flag");
  EXPECT_EQ(CookieName(""), "");
  EXPECT_EQ(CookieName("=v"), "");
}

TEST(CookieJarTest, MergePutsFreshCookiesFirstAndDropsDeleted) {
  EXPECT_EQ(Merge("a=1; b=2", "b=3; c=4"), "b=3; c=4; a=1");
  EXPECT_EQ(Merge("a=1; b=2", "a=deleted"), "b=2");
  EXPECT_EQ(Merge("a=1; a=2", ""), "a=1");
  EXPECT_EQ(Merge("", ""), "");
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

TEST(CookieJarTest, CookiesAfterHighByteLineReachTheJar) {
  Text block =
      "HTTP/1.1 200 OK\r\nX-Title: \xC4\xE3\xBA\xC3\xB0\r\nSet-Cookie: s=1; path=/\r\n\r\n";
  Text fresh = ExtractSetCookies(SplitBytes(block, "\r\n"));
  Text jar = "a=1";
  MergeCookies(&jar, &fresh);
  EXPECT_EQ(jar, "s=1; a=1");
}

}  // namespace
}  // namespace weibo
