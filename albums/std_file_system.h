// FileSystem on std::filesystem and file streams.
#pragma once

#include <filesystem>
#include <mutex>

#include "albums/file_system.h"
#include "albums/unnamed_file.h"

namespace weibo {

class StdFileSystem : public FileSystem {
 public:
  bool CreateFolder(const Text& path) override;
  bool ReplaceFile(const Text& path, const ByteArray& bytes) override;
  std::unique_ptr<FileReplacement> BeginReplace(const Text& path) override;
  std::optional<std::uint64_t> FileSize(const Text& path) override;
  std::optional<ByteArray> ReadFile(const Text& path) override;
  std::unique_ptr<FileAppender> OpenForAppend(const Text& path) override;
  bool RemoveFile(const Text& path) override;
  int RemoveLeftoverTemporaryFiles(const Text& folder) override;
  WriteProblem ProbeFolder(const Text& folder) override;

  // The native form of the tool's path `path`: "\" becomes the native
  // separator, then the text is decoded from code page 936. Empty for an
  // empty path or one that cannot be decoded.
  static std::filesystem::path NativePath(const Text& path);

 private:
  // Held while a replacement creates, names, renames or removes its file.
  // Five workers saving into one folder otherwise meet on the folder's lock
  // in the kernel, which spins while another worker makes a file: measured
  // on ext4, that doubled the processor time of each saved picture. Waiting
  // here sleeps instead. Only the directory change is under the lock, not
  // the writing of the bytes.
  std::mutex directory_changes_;
  UnnamedFiles unnamed_files_;
};

}  // namespace weibo
