// Replacements whose file has no name until it is complete: the system makes
// the file without a name in the target's folder, the bytes go to it, and it
// gets the target's name only when whole. The target is at every moment its
// old content, complete new content or absent, as with a named temporary
// file, and a process that ends mid-write leaves nothing behind at all; the
// folder also changes once per file instead of twice (create, then rename).
// Where the system or the file system cannot make such files, Begin gives
// null and the caller uses a named temporary file instead.
#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "albums/file_system.h"

namespace weibo {

class UnnamedFiles {
 public:
  // Finds out whether this system can give such files a name, through the
  // folder of the process's open files `own_files` (tests name another).
  explicit UnnamedFiles(const char* own_files = "/proc/self/fd");

  // Starts replacing `target` with a file without a name; null when that
  // cannot be done here. This object must outlive the replacement.
  // `directory_changes` (not owned; must outlive the
  // replacement) is held while the file is made and while it gets its name.
  // When a file cannot be given its name for another reason than the name
  // being taken, its bytes go to a named temporary file that is renamed over
  // the target, and no later replacement uses a file without a name.
  //
  // Threading: may be called from any thread at once.
  std::unique_ptr<FileReplacement> Begin(const std::filesystem::path& target,
                                         std::mutex& directory_changes);

 private:
  std::string own_files_;
  std::atomic<bool> usable_{false};
};

}  // namespace weibo
