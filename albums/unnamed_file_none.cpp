// Systems without files that are named once complete: replacements always
// use a named temporary file.
#include "albums/unnamed_file.h"

namespace weibo {

UnnamedFiles::UnnamedFiles(const char* own_files) : own_files_(own_files) {}

std::unique_ptr<FileReplacement> UnnamedFiles::Begin(const std::filesystem::path&, std::mutex&) {
  return nullptr;
}

}  // namespace weibo
