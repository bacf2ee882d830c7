// File names from the service's texts: whatever the text, the native path of
// root + name stays inside the root, one level below it, and its last
// component is neither "." nor "..", fits the file system's 255-byte limit
// and leaves room for the temporary name made from it.
#include <filesystem>
#include <iterator>

#include "albums/path_names.h"
#include "albums/std_file_system.h"
#include "fuzz/fuzz_check.h"

namespace {

constexpr std::size_t kNameMax = 255;
// The temporary file of a name: "." + name + "." + a number + ".part".
constexpr std::size_t kTemporaryExtra = 1 + 1 + 20 + 5;

void Check(const weibo::Text& root, const weibo::Text& name) {
  const weibo::Text safe = weibo::SafePathComponent(name);
  FUZZ_CHECK(!safe.empty());
  FUZZ_CHECK(safe.size() <= weibo::kMaxComponentBytes);
  const std::filesystem::path native_root = weibo::StdFileSystem::NativePath(root);
  const std::filesystem::path native =
      weibo::StdFileSystem::NativePath(weibo::JoinPath(root, safe));
  FUZZ_CHECK(native.parent_path() == native_root);
  FUZZ_CHECK(std::distance(native.begin(), native.end()) ==
             std::distance(native_root.begin(), native_root.end()) + 1);
  const std::string last = native.filename().string();
  FUZZ_CHECK(!last.empty() && last != "." && last != "..");
  FUZZ_CHECK(last.find('/') == std::string::npos);
  FUZZ_CHECK(last.find('\0') == std::string::npos);
  FUZZ_CHECK(last.size() + kTemporaryExtra <= kNameMax);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const weibo::Text name(reinterpret_cast<const char*>(data), size);
  Check("\\downloads\\root", name);
  Check("\\downloads\\root\\" + weibo::SafePathComponent("album"), name);
  // The album folder itself, as a name below the root.
  Check("\\downloads\\root\\" + weibo::SafePathComponent(name), "1_a.jpg");
  return 0;
}
