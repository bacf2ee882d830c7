// Systems without files that are named once complete: replacements always
// use a named temporary file.
#include "albums/unnamed_file.h"

namespace weibo {

UnnamedFiles::UnnamedFiles() = default;

std::unique_ptr<FileReplacement> UnnamedFiles::Begin(const std::filesystem::path&,
                                                     std::mutex&) const {
  return nullptr;
}

}  // namespace weibo
