#include "support/timestamp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace weibo {
namespace {

std::int64_t ClockMilliseconds() {
  using std::chrono::duration_cast;
  using std::chrono::milliseconds;
  return duration_cast<milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// True when `text` is a plain decimal number within [low, high].
bool IsStampBetween(const Text& text, std::int64_t low, std::int64_t high) {
  if (text.empty() || text.size() > 18) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  std::int64_t value = std::stoll(text);
  return value >= low && value <= high;
}

TEST(MillisecondTimestamp, DigitsOfTheClockOnEveryThread) {
  std::int64_t before = ClockMilliseconds();
  Text stamp = MillisecondTimestamp();
  std::int64_t after = ClockMilliseconds();
  EXPECT_TRUE(IsStampBetween(stamp, before, after)) << stamp;
  EXPECT_EQ(stamp.size(), 13U);

  constexpr int kThreads = 8;
  std::vector<int> bad(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&bad, t] {
      for (int i = 0; i < 200; ++i) {
        std::int64_t low = ClockMilliseconds();
        Text text = MillisecondTimestamp();
        if (!IsStampBetween(text, low, ClockMilliseconds())) ++bad[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int count : bad) EXPECT_EQ(count, 0);
}

}  // namespace
}  // namespace weibo
