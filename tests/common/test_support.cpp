#include "tests/common/test_support.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "web/encoding.h"

namespace weibo {

Text Gbk(std::string_view utf8) { return Utf8ToGbk(ByteArray(utf8)); }

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  std::random_device random;
  path_ = std::filesystem::temp_directory_path() /
          ("weibo-test-" + std::to_string(random()) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code error;
  std::filesystem::remove_all(path_, error);
}

std::filesystem::path Below(const std::filesystem::path& root,
                            const std::vector<std::string>& parts) {
  std::filesystem::path path = root;
  for (const std::string& part : parts) path /= std::u8string(part.begin(), part.end());
  return path;
}

ByteArray ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream stream(path, std::ios::binary);
  if (!stream) return ByteArray();
  return ByteArray(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
}

std::int64_t ModifiedSeconds(const std::filesystem::path& path) {
#ifdef _WIN32
  struct _stat64 status;
  if (_wstat64(path.c_str(), &status) != 0) return -1;
#else
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return -1;
#endif
  return static_cast<std::int64_t>(status.st_mtime);
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::u8string name = entry.path().filename().u8string();
    names.emplace_back(name.begin(), name.end());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace weibo
