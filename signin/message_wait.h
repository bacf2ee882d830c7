// A wait that keeps the windows alive.
#pragma once

namespace weibo {

class WindowOps;

// Waits `duration_ms` milliseconds on the user-interface thread, handling the
// pending window events first and then again every 10 ms or so, and once more
// after the time has passed. Sleeps in between, so the wait costs no CPU.
// Returns at once, handling nothing, when `duration_ms` is 0 or less.
//
// The handled events may run any handler of the windows, including one that
// ends the program; callers must not rely on anything those handlers may
// change staying as it was.
void WaitProcessingMessages(WindowOps& windows, int duration_ms);

}  // namespace weibo
