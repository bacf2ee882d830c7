#include "support/timestamp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace weibo {
namespace {

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
