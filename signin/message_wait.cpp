#include "signin/message_wait.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "flow/window_ops.h"

namespace weibo {
namespace {

constexpr std::chrono::milliseconds kSleepStep{10};

}  // namespace

void WaitProcessingMessages(WindowOps& windows, int duration_ms) {
  if (duration_ms <= 0) return;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(duration_ms);
  for (;;) {
    windows.ProcessPendingMessages();
    const Clock::time_point now = Clock::now();
    if (now > deadline) return;
    const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now) +
                           std::chrono::milliseconds(1);
    std::this_thread::sleep_for(std::min(kSleepStep, remaining));
  }
}

}  // namespace weibo
