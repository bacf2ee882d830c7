#include "albums/call_pool.h"

#include <memory>
#include <utility>

namespace weibo {
namespace {

using Call = std::function<void()>;

void RunCall(TaskValue value) {
  std::unique_ptr<Call> call(reinterpret_cast<Call*>(value));
  if (call != nullptr && *call) (*call)();
}

}  // namespace

bool StartCallPool(WorkerPool& pool, int thread_count) {
  if (pool.IsRunning() != 0) return true;
  return pool.Create(thread_count, RunCall);
}

bool PostCall(WorkerPool& pool, std::function<void()> call) {
  auto owned = std::make_unique<Call>(std::move(call));
  if (!pool.Post(reinterpret_cast<TaskValue>(owned.get()))) return false;
  owned.release();  // the queue's now; RunCall frees it
  return true;
}

}  // namespace weibo
