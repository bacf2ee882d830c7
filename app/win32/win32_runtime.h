// Prepares the process for the Win32 windows: DPI awareness (so that the
// layout is scaled rather than blurred at 150 %), the common controls, and
// COM for the shell calls (the calling thread becomes a single-threaded
// apartment, never left).
// Call once on the user-interface thread before the first window.
#pragma once

namespace weibo {

void StartWin32Ui();

}  // namespace weibo
