#include "albums/std_file_system.h"

#include <atomic>
#include <fstream>
#include <string>
#include <system_error>

#include "albums/path_names.h"
#include "support/icu_codepage.h"

namespace weibo {
namespace {

// A name for the temporary file of `target` that no other writer of this
// process uses at the same time. A leading dot hides it where files
// starting with a dot are hidden.
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

bool WriteWholeFile(const std::filesystem::path& path, const ByteArray& bytes) {
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  if (!stream) return false;
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  stream.close();
  return !stream.fail();
}

}  // namespace

std::filesystem::path StdFileSystem::NativePath(const Text& path) {
  const std::string separator(1, static_cast<char>(std::filesystem::path::preferred_separator));
  const std::string utf8 = CodePage936ToUtf8(ReplacePathSeparators(path, separator));
  if (utf8.empty()) return std::filesystem::path();
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

bool StdFileSystem::CreateFolder(const Text& path) {
  const std::filesystem::path native = NativePath(path);
  if (native.empty()) return false;
  std::error_code error;
  std::filesystem::create_directory(native, error);
  return std::filesystem::is_directory(native, error);
}

bool StdFileSystem::ReplaceFile(const Text& path, const ByteArray& bytes) {
  const std::filesystem::path native = NativePath(path);
  if (native.empty() || !native.has_filename()) return false;
  const std::filesystem::path temporary = TemporaryPathFor(native);
  std::error_code error;
  if (!WriteWholeFile(temporary, bytes)) {
    std::filesystem::remove(temporary, error);
    return false;
  }
  std::filesystem::rename(temporary, native, error);
  if (error) {
    std::filesystem::remove(temporary, error);
    return false;
  }
  return true;
}

FileSystem& DefaultFileSystem() {
  static StdFileSystem* file_system = new StdFileSystem();  // never destroyed: workers may run
  return *file_system;
}

}  // namespace weibo
