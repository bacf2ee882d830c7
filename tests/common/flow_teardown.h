// Ending the flows of a test's program state before its windows go.
#pragma once

#include "flow/program_state.h"

namespace weibo {

// Ends the download and lookup workers of `state` and waits (up to ten
// seconds) until they have returned and until a progress update the timer
// held back has been handed to the windows. Afterwards nothing of the flows
// uses the windows any more, so they may be destroyed.
void StopWorkers(ProgramState& state);

}  // namespace weibo
