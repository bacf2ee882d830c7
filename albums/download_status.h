// The download texts of the status bar: the saved count while downloads
// run, the finishing text once every queued task is done. Workers ask for an
// update; the user-interface thread shows it, at most about ten times a
// second, and never makes a worker wait.
#pragma once

#include <cstdint>

#include "flow/flow_hooks.h"
#include "support/text_rules.h"

namespace weibo {

// The finishing text: the specified one when nothing failed, else one that
// says how many pictures failed and where their addresses are listed.
Text FinishingText(std::int32_t failed);

// Any thread: asks the user-interface thread to show the progress, unless
// an update is already on its way; no sooner than 100 ms after the last one
// (a timer posts it later). Never waits.
void RequestProgressUpdate(const FlowContext& context);

// Any thread: posts a progress update to the user-interface thread at once
// (the finishing text must not wait for the interval). Never waits.
void PostProgress(const FlowContext& context);

// Waits until a progress update that the timer holds back for `state` has
// been handed to the window layer. A throttled update keeps the state alive
// while it posts, so whoever destroys the window layer after a download must
// call this first, once the download's workers have stopped.
void WaitForHeldBackProgress(const ProgramState& state);

}  // namespace weibo
