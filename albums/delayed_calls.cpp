#include "albums/delayed_calls.h"

#include <condition_variable>
#include <future>
#include <memory>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

namespace weibo {
namespace {

using Clock = std::chrono::steady_clock;

class TimerThread {
 public:
  TimerThread() { std::thread([this] { Loop(); }).detach(); }

  void Add(Clock::time_point when, std::function<void()> call) {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      calls_.emplace(when, std::move(call));
    }
    wake_.notify_one();
  }

 private:
  void Loop() {
    std::unique_lock<std::mutex> hold(mutex_);
    for (;;) {
      if (calls_.empty()) {
        wake_.wait(hold);
        continue;
      }
      const auto first = calls_.begin();
      if (first->first > Clock::now()) {
        wake_.wait_until(hold, first->first);
        continue;
      }
      std::function<void()> call = std::move(first->second);
      calls_.erase(first);
      hold.unlock();
      call();
      hold.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable wake_;
  std::multimap<Clock::time_point, std::function<void()>> calls_;  // guarded by mutex_
};

}  // namespace

void RunLater(Clock::time_point when, std::function<void()> call) {
  // Never destroyed: its thread runs until the process ends.
  static TimerThread* timer = new TimerThread();
  timer->Add(when, std::move(call));
}

void WaitForCallsDueBy(Clock::time_point when) {
  // Calls of the same time run in the order they were queued, so this one
  // runs after every call due by `when`.
  auto ran = std::make_shared<std::promise<void>>();
  std::future<void> done = ran->get_future();
  RunLater(when, [ran] { ran->set_value(); });
  done.wait();
}

}  // namespace weibo
