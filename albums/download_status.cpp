#include "albums/download_status.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "albums/album_texts.h"
#include "albums/download_ending.h"
#include "albums/delayed_calls.h"

namespace weibo {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStatusInterval = std::chrono::milliseconds(100);

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
      .count();
}

// The text while downloads run: the count, or, once the sign-in has ended,
// that it has (the count would hide it).
Text RunningText(ProgramState& state) {
  if (state.sign_in_ended.load()) return kSignInEndedText;
  const std::int32_t saved = std::atomic_ref<std::int32_t>(state.saved_count).load();
  return kSavedCountPrefix + std::to_string(saved) + kSavedCountSuffix;
}

// On the user-interface thread: shows the count, or the finishing text once
// every queued task is done. A text equal to the one shown last is not set
// again (an update and the final one may both be on their way).
void ShowProgress(ProgramState& state, WindowOps& windows) {
  state.status_update_queued.store(false);
  state.status_shown_at_ms.store(NowMs());
  Text text =
      state.tasks_pending.load() == 0 ? FinishingText(EndingOf(state)) : RunningText(state);
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

}  // namespace weibo
