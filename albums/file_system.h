// The file operations of the download flows. Paths are the tool's own: code
// page 936 texts whose parts are joined by "\" (path_names.h); only the
// implementation turns them into native paths.
//
// Threading: every operation may be called from any thread at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "flow/write_problem.h"
#include "support/text_rules.h"

namespace weibo {

// One file being replaced piece by piece (a picture as it arrives). The
// pieces go to a temporary file (one without a name where the system has
// them, else a hidden one beside the target); Commit puts it in the target's
// place, so the target is at every moment its old content, complete new
// content or absent. Destroying the object without a successful Commit
// removes the temporary file.
//
// Threading: one thread uses an object at a time.
class FileReplacement {
 public:
  virtual ~FileReplacement() = default;
  // Appends `size` bytes; false when they cannot be written.
  virtual bool Write(const char* data, std::size_t size) = 0;
  // Gives the temporary file the modification time `modified_seconds`
  // (seconds since 1970) when set, closes it and puts it in the target's
  // place. False, leaving the target as it was, when any step fails.
  virtual bool Commit(std::optional<std::int64_t> modified_seconds) = 0;
};

// A file that bytes are appended to, kept open between appends. Each Append
// reaches the file before it returns, so a process that ends at any moment
// leaves whole appends, or a last one cut short. Closed when destroyed.
//
// Threading: one thread uses an object at a time.
class FileAppender {
 public:
  virtual ~FileAppender() = default;
  // Appends `bytes`; false when they cannot be written.
  virtual bool Append(const ByteArray& bytes) = 0;
};

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

  // Starts replacing the file `path` (see FileReplacement). Null when the
  // temporary file cannot be created.
  virtual std::unique_ptr<FileReplacement> BeginReplace(const Text& path) = 0;

  // The size of the regular file `path`; empty when there is none.
  virtual std::optional<std::uint64_t> FileSize(const Text& path) = 0;
  // The whole content of the file `path`; empty when it cannot be read.
  virtual std::optional<ByteArray> ReadFile(const Text& path) = 0;
  // Opens the file `path` for appending, creating it when missing. Null when
  // it cannot be opened.
  virtual std::unique_ptr<FileAppender> OpenForAppend(const Text& path) = 0;
  // Removes the file `path`; true when it is absent afterwards.
  virtual bool RemoveFile(const Text& path) = 0;
  // Removes the temporary files that replacements left in `folder` when the
  // process writing them ended before it could remove them. Must not run
  // while this process replaces files in `folder`. Returns how many it
  // removed.
  virtual int RemoveLeftoverTemporaryFiles(const Text& folder) = 0;
  // Finds out whether files can be written in `folder` now, by writing a
  // small temporary file there and removing it; called after a write failed,
  // to tell a folder that takes no more files (and why) from a single file
  // that could not be written. kNone when the probe was written.
  virtual WriteProblem ProbeFolder(const Text& folder) = 0;
};

// The process's file system (std_file_system.h). Lives until the process
// ends.
FileSystem& DefaultFileSystem();

// Makes `file_system` (not owned, must outlive its use; null: the standard
// one) what DefaultFileSystem returns, and returns the one before. For tests
// that need writes to fail in a given way; call it while no download runs.
FileSystem* ReplaceDefaultFileSystem(FileSystem* file_system);

}  // namespace weibo
