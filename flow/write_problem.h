// Why files could not be written in a folder, as far as the tool tells the
// operator. Plain values; any thread.
#pragma once

namespace weibo {

enum class WriteProblem {
  kNone,          // the folder takes files (a single write may still fail)
  kDiskFull,      // no space left on the disk (or the quota is used up)
  kNoPermission,  // the folder or the disk refuses writes
  kFolderGone,    // the folder no longer exists
  kOther,         // the folder takes no files for another reason
};

// True when every further write into the folder will fail as well, so that
// fetching more pictures for it is wasted.
inline bool IsLasting(WriteProblem problem) { return problem != WriteProblem::kNone; }

}  // namespace weibo
