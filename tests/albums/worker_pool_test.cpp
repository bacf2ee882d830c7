#include "pool/worker_pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace weibo {
namespace {

using namespace std::chrono_literals;

// Polls `done` for up to five seconds.
template <typename Pred>
bool WaitFor(Pred done) {
  for (int i = 0; i < 5000 && !done(); ++i) std::this_thread::sleep_for(1ms);
  return done();
}

TEST(WorkerPool, RefusesPostWhenStoppedSecondCreateAndTimeLimits) {
  WorkerPool pool;
  EXPECT_FALSE(pool.Post(1));
  std::atomic<int> calls{0};
  EXPECT_FALSE(pool.Create(
      1, [](TaskValue) {}, 50));  // no time-limited mode
  ASSERT_TRUE(pool.Create(2, [&](TaskValue) { ++calls; }));
  EXPECT_EQ(pool.IsRunning(), 1);
  EXPECT_FALSE(pool.Create(3, [&](TaskValue) { calls += 100; }));
  EXPECT_EQ(pool.LiveWorkers(), 2);
  ASSERT_TRUE(pool.Post(7));
  ASSERT_TRUE(WaitFor([&] { return calls == 1; }));  // the first routine ran
  pool.Destroy();
  EXPECT_EQ(pool.IsRunning(), 0);
  EXPECT_FALSE(pool.Post(8));
}

TEST(WorkerPool, RunsEveryValueInOrderWithAtMostThreadCountAtOnce) {
  WorkerPool pool;
  std::mutex mutex;
  std::vector<TaskValue> started;
  std::atomic<int> running{0}, peak{0}, finished{0};
  std::promise<void> opened;
  std::shared_future<void> gate = opened.get_future().share();
  ASSERT_TRUE(pool.Create(5, [&](TaskValue v) {
    int now = ++running;
    int seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
    {
      std::lock_guard<std::mutex> lock(mutex);
      started.push_back(v);
    }
    gate.wait();
    --running;
    ++finished;
  }));
  for (TaskValue v = 1; v <= 10; ++v) ASSERT_TRUE(pool.Post(v));
  ASSERT_TRUE(WaitFor([&] { return running == 5; }));
  std::this_thread::sleep_for(50ms);  // give a sixth routine the chance to start wrongly
  EXPECT_EQ(running, 5);
  opened.set_value();
  ASSERT_TRUE(WaitFor([&] { return finished == 10; }));
  EXPECT_EQ(peak, 5);
  // The first five values were handed out before any later one.
  std::lock_guard<std::mutex> lock(mutex);
  ASSERT_EQ(started.size(), 10u);
  for (int i = 0; i < 5; ++i) EXPECT_LE(started[i], 5u);
}

TEST(WorkerPool, DestroyDropsQueuedValuesAndEndsWorkers) {
  WorkerPool pool;
  std::atomic<int> calls{0};
  std::promise<void> opened;
  std::shared_future<void> gate = opened.get_future().share();
  ASSERT_TRUE(pool.Create(2, [&](TaskValue) {
    ++calls;
    gate.wait();
  }));
  for (TaskValue v = 1; v <= 6; ++v) ASSERT_TRUE(pool.Post(v));
  ASSERT_TRUE(WaitFor([&] { return calls == 2; }));
  pool.Destroy();  // returns although two routines are still running
  opened.set_value();
  ASSERT_TRUE(WaitFor([&] { return pool.LiveWorkers() == 0; }));
  EXPECT_EQ(calls, 2);  // the four queued values never ran

  // Idle workers end after Destroy too, and the pool can run again.
  ASSERT_TRUE(pool.Create(3, [&](TaskValue) { ++calls; }));
  ASSERT_TRUE(pool.Post(9));
  ASSERT_TRUE(WaitFor([&] { return calls == 3; }));
  pool.Destroy();
  EXPECT_TRUE(WaitFor([&] { return pool.LiveWorkers() == 0; }));
}

}  // namespace
}  // namespace weibo
