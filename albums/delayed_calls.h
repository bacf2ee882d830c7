// Calls run at a later time on one timer thread of the process, so that no
// pool worker has to sleep while it waits (a retry's back-off, a throttled
// status update).
//
// Threading: RunLater may be called from any thread. The calls run one after
// another on the timer thread, in the order of their times; a call must be
// short and must not wait for the user-interface thread.
#pragma once

#include <chrono>
#include <functional>

namespace weibo {

// Runs `call` on the timer thread at `when` or soon after; at once (on the
// timer thread) when `when` has passed. The thread starts with the first
// call and lives until the process ends; calls still waiting then never run.
void RunLater(std::chrono::steady_clock::time_point when, std::function<void()> call);

// Waits until every call due at or before `when` has run. For an owner that
// is about to destroy what such calls use, after the last one was queued.
void WaitForCallsDueBy(std::chrono::steady_clock::time_point when);

}  // namespace weibo
