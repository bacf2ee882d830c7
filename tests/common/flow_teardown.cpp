#include "tests/common/flow_teardown.h"

#include <chrono>
#include <thread>

#include "albums/download_status.h"

namespace weibo {

void StopWorkers(ProgramState& state) {
  state.pool.Destroy();
  state.lookup_pool.Destroy();
  for (int i = 0; i < 5000 && state.pool.LiveWorkers() + state.lookup_pool.LiveWorkers() > 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  WaitForHeldBackProgress(state);
}

}  // namespace weibo
