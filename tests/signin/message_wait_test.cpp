#include "signin/message_wait.h"

#include <gtest/gtest.h>

#include <chrono>

#include "app/recording_window_ops.h"

namespace weibo {
namespace {

TEST(WaitProcessingMessages, HandlesEventsUntilTheTimeHasPassed) {
  RecordingWindowOps windows;
  int handled = 0;
  windows.SetPendingMessages([&handled] { ++handled; });
  WaitProcessingMessages(windows, -5);
  EXPECT_EQ(handled, 0);

  const auto start = std::chrono::steady_clock::now();
  WaitProcessingMessages(windows, 30);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
  // Events are handled at once and again after the time has passed; in
  // between the wait sleeps about 10 ms at a time instead of spinning.
  EXPECT_GE(handled, 2);
  EXPECT_LE(handled, 5);
}

}  // namespace
}  // namespace weibo
