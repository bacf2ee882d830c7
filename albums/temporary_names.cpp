#include "albums/temporary_names.h"

#include <atomic>
#include <string_view>

namespace weibo {

std::filesystem::path TemporaryPathFor(const std::filesystem::path& target) {
  static std::atomic<unsigned long long> next_number{1};
  const unsigned long long number = next_number.fetch_add(1);
  std::filesystem::path temporary = target;
  temporary.replace_filename(std::filesystem::path(u8".") += target.filename());
  std::string suffix = ".";  // built step by step: GCC 12 -O3 warns on a + chain here
  suffix += std::to_string(number);
  suffix += ".part";
  temporary += suffix;
  return temporary;
}

bool IsTemporaryName(const std::string& name) {
  static constexpr std::string_view kPart = ".part";
  if (name.size() < 2 + 1 + 1 + kPart.size() || name[0] != '.' || !name.ends_with(kPart)) {
    return false;
  }
  const std::string rest = name.substr(1, name.size() - 1 - kPart.size());
  const std::size_t dot = rest.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == rest.size()) return false;
  return rest.find_first_not_of("0123456789", dot + 1) == std::string::npos;
}

}  // namespace weibo
