#include "pool/worker_pool.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace weibo {

namespace {
// How long an idle worker waits before it looks at the running flag again.
constexpr auto kIdleWait = std::chrono::milliseconds(100);
}  // namespace

// The state of one run of the pool, from Create to Destroy. Workers keep it
// alive through their own reference, so Destroy never waits for them.
struct WorkerPool::Shared {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<TaskValue> queue;  // guarded by mutex
  bool running = false;         // guarded by mutex
  TaskRoutine routine;          // set before the workers start, then read-only
  std::shared_ptr<std::atomic<int>> live_workers;
};

WorkerPool::WorkerPool() : live_workers_(std::make_shared<std::atomic<int>>(0)) {}

WorkerPool::~WorkerPool() { Destroy(); }

bool WorkerPool::Create(int thread_count, TaskRoutine routine, int time_limit_ms, int /*unused*/) {
  if (IsRunning() || time_limit_ms > 0) return false;
  auto shared = std::make_shared<Shared>();
  shared->running = true;
  shared->routine = std::move(routine);
  shared->live_workers = live_workers_;
  shared_ = shared;
  for (int i = 0; i < thread_count; ++i) {
    live_workers_->fetch_add(1);
    std::thread(WorkerLoop, shared).detach();
  }
  return true;
}

bool WorkerPool::Post(TaskValue value) {
  if (!shared_) return false;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (!shared_->running) return false;
    shared_->queue.push_back(value);
  }
  shared_->wake.notify_one();
  return true;
}

void WorkerPool::Destroy() {
  if (!shared_) return;
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->running = false;
    shared_->queue.clear();
  }
  shared_->wake.notify_all();
  shared_.reset();
}

std::int32_t WorkerPool::IsRunning() const {
  if (!shared_) return 0;
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->running ? 1 : 0;
}

int WorkerPool::LiveWorkers() const { return live_workers_->load(); }

void WorkerPool::WorkerLoop(std::shared_ptr<Shared> shared) {
  std::unique_lock<std::mutex> lock(shared->mutex);
  while (shared->running) {
    if (!shared->wake.wait_for(lock, kIdleWait,
                               [&] { return !shared->running || !shared->queue.empty(); })) {
      continue;
    }
    if (!shared->running) break;
    TaskValue value = shared->queue.front();
    shared->queue.pop_front();
    lock.unlock();
    shared->routine(value);
    lock.lock();
  }
  lock.unlock();
  shared->live_workers->fetch_sub(1);
}

}  // namespace weibo
