#include "support/text_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace weibo {
namespace {

// "浅" in code page 936 is C7 B3; "淺" is 9C 5C, whose second byte is "\".
const Text kQian = "\xC7\xB3";
const Text kTradQian = "\x9C\x5C";
const Text kFullSpace = "\xA1\xA1";

TEST(TextFind, StepsOverTwoByteCharacters) {
  EXPECT_EQ(TextFind("abcabc", "bc"), 2);
  EXPECT_EQ(TextFind("abcabc", "bc", 3), 5);
  EXPECT_EQ(TextFind("abc", "x"), -1);
  EXPECT_EQ(TextFind("abc", ""), -1);
  EXPECT_EQ(TextFind("abc", "a", 4), -1);
  EXPECT_EQ(TextFind("abc", "a", 0), -1);
  // The "\" inside 淺 is the trail byte of a character, never a match.
  EXPECT_EQ(TextFind(kTradQian + "\\", "\\"), 3);
  EXPECT_EQ(TextFind(kTradQian, "\\"), -1);
  // A trail byte that looks like a lead byte followed by ASCII: B3 ( must
  // not be found inside C7 B3 followed by "(".
  EXPECT_EQ(TextFind(kQian + "(", "\xB3("), -1);
  EXPECT_EQ(TextFind(kQian + "(", "("), 3);
}

TEST(TextFind, FoldsAsciiLettersOnlyWhenAsked) {
  EXPECT_EQ(TextFind("Set-Cookie: a", "set-cookie:"), -1);
  EXPECT_EQ(TextFind("Set-Cookie: a", "set-cookie:", 1, true), 1);
  // A full-width capital (A3 C1) is not folded to its small form (A3 E1).
  EXPECT_EQ(TextFind("\xA3\xC1", "\xA3\xE1", 1, true), -1);
  EXPECT_TRUE(TextContains("User-Agent: x", "USER-AGENT:", true));
  EXPECT_FALSE(TextContains("User-Agent: x", "USER-AGENT:"));
  EXPECT_EQ(AsciiLower("HTTPS://A" + kQian), "https://a" + kQian);
  EXPECT_EQ(AsciiUpper("abc" + kQian), "ABC" + kQian);
}

TEST(TrimSpaces, RemovesAsciiAndFullWidthSpacesOnly) {
  EXPECT_EQ(TrimSpaces("  a b  "), "a b");
  EXPECT_EQ(TrimSpaces(kFullSpace + " a" + kFullSpace), "a");
  EXPECT_EQ(TrimSpaces("\ta\r\n"), "\ta\r\n");
  EXPECT_EQ(TrimSpaces("   "), "");
  EXPECT_EQ(TrimSpaces(""), "");
  // B0 A1 is one character and the last A1 stands alone: it must not pair
  // with the trail byte before it to form a full-width space.
  EXPECT_EQ(TrimSpaces("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
  EXPECT_EQ(RemoveSpaces(" a =" + kFullSpace + "b; c"), "a=b;c");
  EXPECT_EQ(RemoveSpaces("\xB0\xA1\xA1\xA1\xA1"), "\xB0\xA1\xA1");
}

TEST(TextParts, CountBytesAndStopAtTheEnd) {
  EXPECT_EQ(TextLeft("https://x", 5), "https");
  EXPECT_EQ(TextLeft("ab", 5), "ab");
  EXPECT_EQ(TextLeft("ab", 0), "");
  EXPECT_EQ(TextRight("a=deleted", 8), "=deleted");
  EXPECT_EQ(TextRight("ab", 9), "ab");
  EXPECT_EQ(TextRight("ab", -1), "");
  EXPECT_EQ(TextMid("abcdef", 2, 3), "bcd");
  EXPECT_EQ(TextMid("abcdef", 5), "ef");
  EXPECT_EQ(TextMid("abcdef", 5, 9), "ef");
  EXPECT_EQ(TextMid("abcdef", 7, 1), "");
  EXPECT_EQ(TextMid("abcdef", 0, 1), "");
}

TEST(TextToInteger, ReadsSignAndLeadingDigits) {
  EXPECT_EQ(TextToInteger("8443"), 8443);
  EXPECT_EQ(TextToInteger("-12ab"), -12);
  EXPECT_EQ(TextToInteger("+7"), 7);
  EXPECT_EQ(TextToInteger("x12"), 0);
  EXPECT_EQ(TextToInteger(""), 0);
  EXPECT_EQ(TextToInteger("-"), 0);
  // Full-width digits count: "８０" is A3 B8 A3 B0.
  EXPECT_EQ(TextToInteger("\xA3\xB8\xA3\xB0"), 80);
  EXPECT_EQ(TextToInteger("1\xA3\xB2" "3/"), 123);
  EXPECT_EQ(TextToInteger("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(TextToInteger("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(TextToInteger("99999999999999999999"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(TextToInteger("-99999999999999999999"), std::numeric_limits<std::int64_t>::min());
}

}  // namespace
}  // namespace weibo
