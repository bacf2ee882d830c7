#include "web/encoding.h"

#include <gtest/gtest.h>

namespace weibo {
namespace {

const ByteArray kChineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
const Text kChineseGbk = "\xD6\xD0\xCE\xC4";                 // 中文

TEST(Encodings, ChineseAsciiAndEmptyTexts) {
  ByteArray utf16 = Utf8ToUtf16(kChineseUtf8);
  EXPECT_EQ(utf16, ByteArray("\x2D\x4E\x87\x65", 4));
  EXPECT_EQ(Utf16ToGbk(utf16), kChineseGbk);
  EXPECT_EQ(Utf8ToGbk(kChineseUtf8), kChineseGbk);
  EXPECT_EQ(Utf8ToGbk("{\"retcode\":20000000,\"msg\":\"" + kChineseUtf8 + "\"}"),
            "{\"retcode\":20000000,\"msg\":\"" + kChineseGbk + "\"}");

  const ByteArray ascii = "GET /path?a=1&b=2 \t\r\n~";
  EXPECT_EQ(Utf8ToUtf16(ascii).size(), ascii.size() * 2);
  EXPECT_EQ(Utf8ToGbk(ascii), ascii);

  EXPECT_EQ(Utf8ToUtf16(ByteArray()), ByteArray());
  EXPECT_EQ(Utf16ToGbk(ByteArray()), Text());
  EXPECT_EQ(Utf8ToGbk(ByteArray()), Text());
  // An odd last byte is no unit.
  EXPECT_EQ(Utf16ToGbk(ByteArray("A\0B", 3)), "A");
}

TEST(Encodings, ZeroByteEndsTheText) {
  const ByteArray utf8("ab\0" "cd", 5);
  EXPECT_EQ(Utf8ToUtf16(utf8), ByteArray("a\0b\0\0\0c\0d\0", 10));
  EXPECT_EQ(Utf8ToGbk(utf8), "ab");
  EXPECT_EQ(Utf8ToGbk(ByteArray("\0" "ab", 3)), "");
}

TEST(Encodings, CharactersTheCodePageLacksBecomeQuestionMarks) {
  // The euro sign is the single byte 0x80 in code page 936.
  EXPECT_EQ(Utf8ToGbk("5\xE2\x82\xAC"), "5\x80");
  // A Thai letter and an emoji (a surrogate pair) become one "?" each.
  EXPECT_EQ(Utf8ToGbk(kChineseUtf8 + "\xE0\xB8\x81" + "x" + "\xF0\x9F\x98\x80" + kChineseUtf8),
            kChineseGbk + "?x?" + kChineseGbk);
  // Characters with a best-fit match take it: superscript two, the yen sign.
  EXPECT_EQ(Utf8ToGbk("x\xC2\xB2 \xC2\xA5"), "x2 \xA3\xA4");
  // A lone surrogate unit.
  EXPECT_EQ(Utf16ToGbk(ByteArray("a\0\x00\xD8" "b\0", 6)), "a?b");
}

TEST(Encodings, CombiningMarksComposeWhereTheCodePageHasTheResult) {
  EXPECT_EQ(Utf8ToGbk("caf" "e\xCC\x81"), "caf\xA8\xA6");       // é
  EXPECT_EQ(Utf8ToGbk("a\xCC\x80" "b"), "\xA8\xA4" "b");        // à
  EXPECT_EQ(Utf8ToGbk("u\xCC\x88\xCC\x81"), "\xA8\xB6");        // ǘ from two marks
  // No precomposed character: the letter stays and the mark becomes "?".
  EXPECT_EQ(Utf8ToGbk("q\xCC\x81"), "q?");
  // A compatibility ideograph that the code page has keeps its own bytes.
  EXPECT_EQ(Utf8ToGbk("\xEF\xA8\x8C"), "\xFE\x40");
  EXPECT_EQ(Utf8ToGbk("\xE5\x85\x80"), "\xD8\xA3");
}

TEST(Encodings, MalformedUtf8BecomesReplacementThenQuestionMark) {
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), ByteArray("a\0\xFD\xFF" "b\0", 6));
  EXPECT_EQ(Utf8ToGbk("a\xFF" "b"), "a?b");
  // A truncated three-byte character is one malformed sequence.
  EXPECT_EQ(Utf8ToGbk("\xE4\xB8" "x"), "?x");
  EXPECT_EQ(Utf8ToGbk(kChineseUtf8 + "\xE4\xB8"), kChineseGbk + "?");
  // Bytes that can never begin a character count one by one.
  EXPECT_EQ(Utf8ToGbk("\xC0\xAF"), "??");
  EXPECT_EQ(Utf8ToGbk("\xED\xA0\x80" "z"), "???z");
  // A picture is converted anyway, up to its first zero byte.
  EXPECT_EQ(Utf8ToGbk(ByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16)), "?PNG\r\n\x1A\n");
}

}  // namespace
}  // namespace weibo
