// A small pool of worker threads that hands task values, in the order they
// are posted, to one task routine fixed when the pool is created.
//
// The process creates one pool (five workers, the page-download routine) when
// the main window opens and destroys it when the main window closes. A task
// value is opaque to the pool; in this tool it is the address of a page task
// that the routine takes over and frees.
//
// Threading: Create, Post, Destroy and IsRunning may be called from any
// thread, but the tool calls them from the user-interface thread only. The
// routine runs on the workers, several values at once on different workers,
// each worker handling one value at a time. The pool takes no lock around the
// routine: the routine protects what it shares.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

namespace weibo {

// One queued unit of work; the pool never looks into it.
using TaskValue = std::uintptr_t;
using TaskRoutine = std::function<void(TaskValue)>;

class WorkerPool {
 public:
  WorkerPool();
  // Destroys a running pool, as Destroy does.
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  // Starts `thread_count` workers that hand every posted value to `routine`.
  // `time_limit_ms` of 0 or less runs each task on its worker without a
  // limit, which is the only mode offered: a thread cannot be ended safely
  // from outside, so a positive limit is refused. `unused` is ignored.
  // Returns false, changing nothing, when the pool is already running or a
  // positive time limit is given. A thread count of 0 or less starts no
  // workers (posted values then wait for ever).
  bool Create(int thread_count, TaskRoutine routine, int time_limit_ms = 0, int unused = 0);

  // Queues `value` behind the values already posted. Returns false, queuing
  // nothing, while the pool is not running: the caller still owns the value.
  bool Post(TaskValue value);

  // Stops the pool without waiting for it: values still queued are dropped
  // and never reach the routine, idle workers end within 100 ms, and a
  // routine already running finishes its value and then ends its worker.
  // After Destroy the pool can be created again.
  void Destroy();

  // 1 from Create until Destroy, else 0.
  std::int32_t IsRunning() const;

  // The number of worker threads of this pool that have not yet ended,
  // including workers of an earlier, destroyed run still finishing a task.
  int LiveWorkers() const;

 private:
  struct Shared;
  static void WorkerLoop(std::shared_ptr<Shared> shared);

  std::shared_ptr<Shared> shared_;  // the current run; workers hold it too
  std::shared_ptr<std::atomic<int>> live_workers_;
};

}  // namespace weibo
