#include "albums/download_run.h"

#include "albums/download_ending.h"
#include "albums/download_status.h"

namespace weibo {

bool JobStopped(const ProgramState& state, const AlbumJob& job) {
  return state.stop_serial.load() != job.stop_serial;
}

void BeginRound(const FlowContext& context) {
  ProgramState& state = *context.state;
  // A new round counts its own failures and shows its own texts, even
  // when they equal the last round's.
  if (state.tasks_pending.load() == 0) {
    ClearEnding(state);
    state.round_saved_base.store(std::atomic_ref<std::int32_t>(state.saved_count).load());
    state.round_albums.store(0);
    state.round_pictures.store(0);
    state.slow_down_until_ms.store(0);
  }
  state.stopped.store(false);
  state.status_shown.clear();
  context.windows->SetDisabled(Control::kStopCommand, false);
}

void StopDownloads(const FlowContext& context) {
  ProgramState& state = *context.state;
  if (state.tasks_pending.load() == 0 || state.stopped.load()) return;
  state.stop_serial.fetch_add(1);
  state.stopped.store(true);
  context.windows->SetDisabled(Control::kStopCommand, true);
  PostProgress(context);
}

}  // namespace weibo
