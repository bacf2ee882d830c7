// A WorkerPool whose tasks are calls: each posted value is a function the
// pool's routine runs once and then frees.
//
// Threading: as WorkerPool: StartCallPool and PostCall on the thread that
// owns the pool; the calls run on its workers.
#pragma once

#include <functional>

#include "pool/worker_pool.h"

namespace weibo {

// Starts `pool` with `thread_count` workers running posted calls, unless it
// is running already. True when the pool runs afterwards.
bool StartCallPool(WorkerPool& pool, int thread_count);

// Queues `call` on `pool` (started by StartCallPool). False when the pool is
// not running; `call` is then dropped without running. Calls still queued
// when the pool is destroyed never run and are not freed: destroy such a
// pool only when the process ends.
bool PostCall(WorkerPool& pool, std::function<void()> call);

}  // namespace weibo
