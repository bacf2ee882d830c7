#include "web/encoding.h"

#include <gtest/gtest.h>

namespace weibo {
namespace {

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

}  // namespace
}  // namespace weibo
