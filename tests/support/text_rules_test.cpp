#include "support/text_rules.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

#include "support/timestamp.h"

namespace weibo {
namespace {

// "浅" in code page 936 is C7 B3; "淺" is 9C 5C, whose second byte is "\".
const Text kQian = "\xC7\xB3";
const Text kTradQian = "\x9C\x5C";
const Text kFullSpace = "\xA1\xA1";

TEST(TextFind, StepsOverTwoByteCharactersAndFoldsCaseWhenAsked) {
  EXPECT_EQ(TextFind("abcabc", "bc", 3), 5);
  EXPECT_EQ(TextFind("abc", ""), -1);
  EXPECT_EQ(TextFind("abc", "a", 0), -1);
  // The "\" inside 淺 is the trail byte of a character, never a match.
  EXPECT_EQ(TextFind(kTradQian + "\\", "\\"), 3);
  // B3 ( must not be found inside C7 B3 followed by "(".
  EXPECT_EQ(TextFind(kQian + "(", "\xB3("), -1);
  EXPECT_EQ(TextFind("Set-Cookie: a", "set-cookie:"), -1);
  EXPECT_EQ(TextFind("Set-Cookie: a", "set-cookie:", 1, true), 1);
  // A full-width capital (A3 C1) is not folded to its small form (A3 E1).
  EXPECT_EQ(TextFind("\xA3\xC1", "\xA3\xE1", 1, true), -1);
  EXPECT_EQ(AsciiUpper("abc" + kQian), "ABC" + kQian);
}

TEST(TrimSpaces, RemovesAsciiAndFullWidthSpacesOnly) {
  EXPECT_EQ(TrimSpaces(kFullSpace + " a b" + kFullSpace), "a b");
  EXPECT_EQ(TrimSpaces("\ta\r\n"), "\ta\r\n");
  // B0 A1 is one character and the last A1 stands alone: it must not pair
  // with the trail byte before it to form a full-width space.
  EXPECT_EQ(TrimSpaces("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
  EXPECT_EQ(RemoveSpaces(" a =" + kFullSpace + "b; c"), "a=b;c");
  EXPECT_EQ(RemoveSpaces("\xB0\xA1\xA1\xA1\xA1"), "\xB0\xA1\xA1");
}

TEST(TextParts, CountBytesAndStopAtTheEnd) {
  EXPECT_EQ(TextLeft("ab", 5), "ab");
  EXPECT_EQ(TextRight("a=deleted", 8), "=deleted");
  EXPECT_EQ(TextRight("ab", -1), "");
  EXPECT_EQ(TextMid("abcdef", 2, 3), "bcd");
  EXPECT_EQ(TextMid("abcdef", 5), "ef");
  EXPECT_EQ(TextMid("abcdef", 0, 1), "");
}

TEST(TextToInteger, ReadsSignAndLeadingDigits) {
  EXPECT_EQ(TextToInteger("-12ab"), -12);
  EXPECT_EQ(TextToInteger("+7"), 7);
  EXPECT_EQ(TextToInteger("x12"), 0);
  // Full-width digits count: "８０" is A3 B8 A3 B0.
  EXPECT_EQ(TextToInteger("1\xA3\xB8\xA3\xB0/"), 180);
  EXPECT_EQ(TextToInteger("99999999999999999999"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(TextToInteger("-99999999999999999999"), std::numeric_limits<std::int64_t>::min());
}

std::int64_t ClockMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// True when MillisecondTimestamp gives 13 digits of the clock.
bool StampMatchesTheClock() {
  const std::int64_t low = ClockMilliseconds();
  const Text stamp = MillisecondTimestamp();
  const std::int64_t high = ClockMilliseconds();
  if (stamp.size() != 13 || stamp.find_first_not_of("0123456789") != Text::npos) return false;
  return std::stoll(stamp) >= low && std::stoll(stamp) <= high;
}

TEST(MillisecondTimestamp, DigitsOfTheClockOnEveryThread) {
  EXPECT_TRUE(StampMatchesTheClock()) << MillisecondTimestamp();
  std::vector<int> bad(8, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&bad, t] {
      for (int i = 0; i < 200; ++i) bad[t] += StampMatchesTheClock() ? 0 : 1;
    });
  }
  for (auto& thread : threads) thread.join();
  for (int count : bad) EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace weibo
