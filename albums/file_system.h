// The file operations of the download flows. Paths are the tool's own: code
// page 936 texts whose parts are joined by "\" (path_names.h); only the
// implementation turns them into native paths.
//
// Threading: every operation may be called from any thread at once.
#pragma once

#include "support/text_rules.h"

namespace weibo {

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Creates the folder `path` (its parent must exist). True when the folder
  // exists afterwards, also when it existed before.
  virtual bool CreateFolder(const Text& path) = 0;

  // Stores `bytes` as the file `path`, creating it or replacing a file of
  // that name. The bytes go to a temporary file in the same folder that is
  // then renamed over `path`, so `path` is at every moment either its old
  // content, complete new content or absent, also when several threads
  // write the same path at once. Returns false, leaving `path` as it was
  // and no temporary file behind, when the bytes cannot be stored.
  virtual bool ReplaceFile(const Text& path, const ByteArray& bytes) = 0;
};

// The process's file system (std_file_system.h). Lives until the process
// ends.
FileSystem& DefaultFileSystem();

}  // namespace weibo
