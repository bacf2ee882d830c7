// The parts of the program that every build shares: the service's addresses
// chosen at configure time, the imaging start-up and the flows. Each
// platform's entry adds its windows, shell and message loop.
#pragma once

#include "app/program.h"

namespace weibo {

// The shared parts; windows, shell and run_message_loop are left empty.
ProgramParts StandardParts();

}  // namespace weibo
