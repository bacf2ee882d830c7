// The finishing text of a round of downloads, from what went wrong in it.
// It names the list of failed downloads only when that list was written,
// and says why an album folder took no more files.
//
// Pure; any thread.
#pragma once

#include <cstdint>

#include "flow/program_state.h"
#include "flow/write_problem.h"
#include "support/text_rules.h"

namespace weibo {

struct DownloadEnding {
  std::int32_t failed = 0;        // pictures not saved (pages not listed count their pictures)
  bool sign_in_ended = false;     // a photo list said the sign-in is gone
  WriteProblem write_problem = WriteProblem::kNone;  // why a folder took no more files
  bool failure_list_unwritten = false;                // a list of failed downloads is missing
};

// The specified text when nothing went wrong; else what failed, and where
// the failed addresses are listed or why they could not be.
Text FinishingText(const DownloadEnding& ending);

// The round's ending as the state records it now.
DownloadEnding EndingOf(const ProgramState& state);

// Forgets what went wrong in the last round, for a new one; called when a
// round starts (no task pending).
void ClearEnding(ProgramState& state);

}  // namespace weibo
