#include "albums/download_status.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "albums/album_texts.h"
#include "albums/download_ending.h"
#include "albums/delayed_calls.h"
#include "albums/download_run_texts.h"

namespace weibo {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStatusInterval = std::chrono::milliseconds(100);

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
      .count();
}

// The text of a round still running: the sign-in has ended, stopped, asked
// to slow down, or the count (with the album count of a whole-account
// download).
Text RunningText(const ProgramState& state, std::int32_t saved, std::int64_t now_ms) {
  if (state.sign_in_ended.load()) return kSignInEndedText;
  if (state.stopped.load()) {
    return kStoppedPrefix + std::to_string(saved - state.round_saved_base.load()) +
           kStoppedSuffix;
  }
  const std::int64_t wait_ms = state.slow_down_until_ms.load() - now_ms;
  if (wait_ms > 0) {
    return kSlowDownPrefix + std::to_string((wait_ms + 999) / 1000) + kSlowDownSuffix;
  }
  const std::int32_t albums = state.round_albums.load();
  if (albums > 0) {
    return kAlbumsCountPrefix + std::to_string(albums) + kAlbumsCountMiddle +
           std::to_string(saved) + kSavedCountSuffix;
  }
  return kSavedCountPrefix + std::to_string(saved) + kSavedCountSuffix;
}

// The taskbar button: the share of the round's pictures handled, paused
// while the service asked us to wait, error once a round ended with
// failures, nothing otherwise.
void ShowTaskbar(const ProgramState& state, WindowOps& windows, bool running,
                 std::int32_t saved, std::int64_t now_ms) {
  const std::int32_t failed = state.failed_count.load();
  if (!running || state.stopped.load()) {
    windows.SetTaskbarProgress(failed > 0 && !state.stopped.load() ? TaskbarProgress::kError
                                                                   : TaskbarProgress::kNone,
                               1, 1);
    return;
  }
  const std::int32_t total = state.round_pictures.load();
  const std::int32_t done = saved - state.round_saved_base.load() + failed;
  const bool waiting = state.slow_down_until_ms.load() > now_ms;
  windows.SetTaskbarProgress(waiting ? TaskbarProgress::kPaused : TaskbarProgress::kNormal,
                             std::min(done, total), total);
}

// On the user-interface thread: shows the count, or the finishing text once
// every queued task is done. A text equal to the one shown last is not set
// again (an update and the final one may both be on their way).
void ShowProgress(ProgramState& state, WindowOps& windows) {
  state.status_update_queued.store(false);
  const std::int64_t now_ms = NowMs();
  state.status_shown_at_ms.store(now_ms);
  const std::int32_t saved = std::atomic_ref<std::int32_t>(state.saved_count).load();
  const bool running = state.tasks_pending.load() != 0;
  ShowTaskbar(state, windows, running, saved, now_ms);
  if (!running) windows.SetDisabled(Control::kStopCommand, true);
  const Text text = running || state.stopped.load() ? RunningText(state, saved, now_ms)
                                                   : FinishingText(EndingOf(state));
  if (text == state.status_shown) return;
  state.status_shown = text;
  windows.SetStatusText(0, text);
}

}  // namespace

Text FinishingText(std::int32_t failed) { return FinishingText(DownloadEnding{failed}); }

void PostProgress(const FlowContext& context) {
  std::weak_ptr<ProgramState> weak = context.state;
  WindowOps* windows = context.windows;
  windows->PostToUiThread([weak, windows] {
    if (std::shared_ptr<ProgramState> state = weak.lock()) ShowProgress(*state, *windows);
  });
}

void RequestProgressUpdate(const FlowContext& context) {
  ProgramState& state = *context.state;
  if (state.status_update_queued.exchange(true)) return;
  const std::int64_t wait_ms =
      state.status_shown_at_ms.load() + kStatusInterval.count() - NowMs();
  if (wait_ms <= 0) {
    PostProgress(context);
    return;
  }
  // The timer holds no reference that keeps the state alive.
  FlowContext without_state = context;
  without_state.state.reset();
  RunLater(Clock::now() + std::chrono::milliseconds(wait_ms),
           [without_state, weak = std::weak_ptr<ProgramState>(context.state)] {
             FlowContext own = without_state;
             own.state = weak.lock();
             if (own.state != nullptr) PostProgress(own);
           });
}

void WaitForHeldBackProgress(const ProgramState& state) {
  if (!state.status_update_queued.load()) return;
  WaitForCallsDueBy(Clock::now() + kStatusInterval);
}

}  // namespace weibo
