#include "albums/download_ending.h"

#include <string>

#include "albums/album_texts.h"

namespace weibo {
namespace {

const char* ReasonText(WriteProblem problem) {
  switch (problem) {
    case WriteProblem::kDiskFull: return kDiskFullReason;
    case WriteProblem::kNoPermission: return kNoPermissionReason;
    case WriteProblem::kFolderGone: return kFolderGoneReason;
    case WriteProblem::kNone:
    case WriteProblem::kOther: break;
  }
  return kUnknownReason;
}

}  // namespace

Text FinishingText(const DownloadEnding& ending) {
  const bool write_failed =
      ending.write_problem != WriteProblem::kNone || ending.failure_list_unwritten;
  if (ending.failed == 0 && !ending.sign_in_ended && !write_failed) return kAllPagesDoneText;
  Text text = ending.sign_in_ended ? Text(kSignInEndedText) : Text();
  if (ending.failed == 0 && ending.sign_in_ended && !write_failed) return text;
  text += ending.sign_in_ended ? kSignInEndedCountPrefix : kFailedCountPrefix;
  text += std::to_string(ending.failed) + kFailedCountWords;
  if (ending.write_problem != WriteProblem::kNone) {
    text += Text(kFolderUnwritable) + ReasonText(ending.write_problem);
  }
  text += ending.failure_list_unwritten ? kFailedListUnwritten : kFailedListNamed;
  return text + kFinishingEnd;
}

DownloadEnding EndingOf(const ProgramState& state) {
  return DownloadEnding{state.failed_count.load(), state.sign_in_ended.load(),
                        state.write_problem.load(), state.failure_list_unwritten.load()};
}

void ClearEnding(ProgramState& state) {
  state.failed_count.store(0);
  state.sign_in_ended.store(false);
  state.write_problem.store(WriteProblem::kNone);
  state.failure_list_unwritten.store(false);
}

}  // namespace weibo
