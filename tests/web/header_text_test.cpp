// The text rules of the web layer: header text, the cookie jar, the
// conversions between UTF-8, UTF-16 and code page 936, and what both
// transports make of a request.
#include "web/header_text.h"

#include <gtest/gtest.h>

#include "web/cookie_jar.h"
#include "web/encoding.h"
#include "web/http_transport.h"

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
  // Character by character: B0 40 is one character, its "@" is no separator.
  EXPECT_EQ(SplitText("x\xB0@y@z", "@"), (Pieces{"x\xB0@y", "z"}));
}

TEST(HeaderTextTest, SplitBytesSeesSeparatorAfterHighByte) {
  const Text block = "HTTP/1.1 200 OK\r\nX-Name: \xD6\xD0\xB0\r\nSet-Cookie: k=v\r\n\r\n";
  EXPECT_EQ(SplitBytes(block, "\r\n"),
            (Pieces{"HTTP/1.1 200 OK", "X-Name: \xD6\xD0\xB0", "Set-Cookie: k=v", ""}));
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
  // An empty entry at the end would vanish at the next merge (nothing
  // follows the last ";"): it goes at once, and the jar stays as it is.
  EXPECT_EQ(Merge("q=1; ; q=2", ""), "q=1");
  EXPECT_EQ(Merge("a=1", "b=2;"), "b=2; a=1");
  EXPECT_EQ(Merge("", "b=2;;"), "b=2");
  EXPECT_EQ(Merge("", ";"), "");
}

TEST(CookieJarTest, ValuesEndingInHighBytesKeepTheirEntriesApart) {
  // A value ending in a byte of 0x81 or more before ";" or "=" stays one
  // entry: merged twice into b=1 it must not swallow the next cookie.
  const Text fresh = ExtractSetCookies({"Set-Cookie: a=\xF4", "Set-Cookie: c=\x80; path=/"});
  EXPECT_EQ(fresh, "a=\xF4; c=\x80");
  const Text once = Merge("b=1", fresh);
  EXPECT_EQ(once, "a=\xF4; c=\x80; b=1");
  EXPECT_EQ(Merge(once, "a=\xF4"), "a=\xF4; c=\x80; b=1");
  EXPECT_EQ(Merge("n\xB0=1; n\xB0=2; x=\xFE; y=deleted", "x=2"), "x=2; n\xB0=1");
  EXPECT_EQ(CookieName("n\xF4=v"), "n\xF4");
}

TEST(CookieJarTest, MergeRemovesSpacesFromBothArguments) {
  Text jar = "a = 1 2;  b=\xA1\xA1x";
  Text fresh = " c = 3 ; d=4 ";
  EXPECT_EQ(MergeCookies(&jar, &fresh), "c=3; d=4; a=12; b=x");
  EXPECT_EQ(jar, "c=3; d=4; a=12; b=x");
  EXPECT_EQ(fresh, "c=3;d=4");
}

const ByteArray kChineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
const Text kChineseGbk = "\xD6\xD0\xCE\xC4";                 // 中文

TEST(Encodings, ChineseAsciiEmptyAndZeroBytes) {
  ByteArray utf16 = Utf8ToUtf16(kChineseUtf8);
  EXPECT_EQ(utf16, ByteArray("\x2D\x4E\x87\x65", 4));
  EXPECT_EQ(Utf16ToGbk(utf16), kChineseGbk);
  EXPECT_EQ(Utf8ToGbk("{\"msg\":\"" + kChineseUtf8 + "\"}"), "{\"msg\":\"" + kChineseGbk + "\"}");
  const ByteArray ascii = "GET /path?a=1&b=2 \t\r\n~";
  EXPECT_EQ(Utf8ToUtf16(ascii).size(), ascii.size() * 2);
  EXPECT_EQ(Utf8ToGbk(ascii), ascii);
  EXPECT_EQ(Utf8ToGbk(ByteArray()), Text());
  EXPECT_EQ(Utf16ToGbk(ByteArray("A\0B", 3)), "A");  // an odd last byte is no unit
  // A zero byte ends the text.
  EXPECT_EQ(Utf8ToUtf16(ByteArray("ab\0c", 4)), ByteArray("a\0b\0\0\0c\0", 8));
  EXPECT_EQ(Utf8ToGbk(ByteArray("ab\0cd", 5)), "ab");
}

TEST(Encodings, CharactersTheCodePageLacksBecomeQuestionMarks) {
  // The euro sign is the single byte 0x80 in code page 936.
  EXPECT_EQ(Utf8ToGbk("5\xE2\x82\xAC"), "5\x80");
  // A Thai letter and an emoji (a surrogate pair) become one "?" each.
  EXPECT_EQ(Utf8ToGbk(kChineseUtf8 + "\xE0\xB8\x81" + "x" + "\xF0\x9F\x98\x80" + kChineseUtf8),
            kChineseGbk + "?x?" + kChineseGbk);
  // Characters with a best-fit match take it: superscript two, the yen sign.
  EXPECT_EQ(Utf8ToGbk("x\xC2\xB2 \xC2\xA5"), "x2 \xA3\xA4");
  EXPECT_EQ(Utf16ToGbk(ByteArray("a\0\x00\xD8" "b\0", 6)), "a?b");  // a lone surrogate
}

TEST(Encodings, NoPrintableCharacterBecomesAControlByte) {
  // The half-width arrows, square and circle (U+FFE9 to U+FFEE) have
  // best-fit matches among the control bytes; they must not be used.
  const Text text = Utf8ToGbk("a\xEF\xBF\xA9\xEF\xBF\xAA\xEF\xBF\xAB\xEF\xBF\xAC"
                              "\xEF\xBF\xAD\xEF\xBF\xAE" "b");
  for (char byte : text) {
    EXPECT_FALSE(static_cast<unsigned char>(byte) < 0x20 || byte == 0x7F) << int(byte);
  }
  EXPECT_EQ(text.substr(0, 5), "a????");
  EXPECT_EQ(text.back(), 'b');
  // Control characters themselves and best-fit matches that are no control
  // bytes are kept, also in a text that needs the replacement.
  EXPECT_EQ(Utf8ToGbk("\t\xC2\xB2\xEF\xBF\xA9\r\n\x1B" + kChineseUtf8),
            "\t2?\r\n\x1B" + kChineseGbk);
}

TEST(Encodings, CombiningMarksComposeWhereTheCodePageHasTheResult) {
  EXPECT_EQ(Utf8ToGbk("caf" "e\xCC\x81"), "caf\xA8\xA6");  // é
  EXPECT_EQ(Utf8ToGbk("u\xCC\x88\xCC\x81"), "\xA8\xB6");   // ǘ from two marks
  // No precomposed character: the letter stays and the mark becomes "?".
  EXPECT_EQ(Utf8ToGbk("q\xCC\x81"), "q?");
  // A compatibility ideograph that the code page has keeps its own bytes.
  EXPECT_EQ(Utf8ToGbk("\xEF\xA8\x8C"), "\xFE\x40");
}

TEST(Encodings, MalformedUtf8BecomesReplacementThenQuestionMark) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), ByteArray("a\0\xFD\xFF" "b\0", 6));
  EXPECT_EQ(Utf8ToGbk("a\xFF" "b"), "a?b");
  // A truncated three-byte character is one malformed sequence.
  EXPECT_EQ(Utf8ToGbk(kChineseUtf8 + "\xE4\xB8" "x"), kChineseGbk + "?x");
  // Bytes that can never begin a character count one by one.
  EXPECT_EQ(Utf8ToGbk("\xED\xA0\x80" "z"), "???z");
}

TEST(TransportRulesTest, TargetsAddressesAndHeaderLinesBothTransportsSend) {
  EXPECT_EQ(EscapeTarget("/a b?q=\xD5\xC5&x=%41\x7F\x01"), "/a%20b?q=%D5%C5&x=%41%7F%01");
  TransportRequest request;
  request.secure = true;
  request.host = "photo.example";
  request.port = 8443;
  request.path = "/p q";
  EXPECT_EQ(RequestAddress(request), "https://photo.example:8443/p%20q");
  // A line with a line break of its own could add a header of its choosing.
  EXPECT_EQ(SendableHeaderLines({"A: 1", "", "B: 2\r\nEvil: 1", "C: 3\n", "D: 4"}),
            (Pieces{"A: 1", "D: 4"}));
  EXPECT_EQ(SendableAgent("Agent/1\r\nEvil: 1"), "Agent/1");
}

}  // namespace
}  // namespace weibo
