// The download workers of a test: five, as in the program, each task run by
// DownloadPage with the flow context of the test. Like the program's, they
// hold the state weakly, so that the state can end while the pool winds down.
#pragma once

#include <memory>

#include "albums/album_download.h"
#include "flow/flow_hooks.h"

namespace weibo {

inline bool StartDownloadWorkers(const FlowContext& context) {
  std::weak_ptr<ProgramState> weak = context.state;
  return context.state->pool.Create(5, [weak, context](TaskValue task) {
    FlowContext own = context;
    own.state = weak.lock();
    if (own.state != nullptr) DownloadPage(own, task);
  });
}

}  // namespace weibo
