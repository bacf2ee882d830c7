// The kept session encrypted with the user's data-protection key: the file
// holds no readable text, does not decrypt with other entropy, and a blob
// that does not decrypt is removed.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>

#include "support/session_store_dpapi.h"

namespace weibo {
namespace {

namespace fs = std::filesystem;

ByteArray Read(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return ByteArray(std::istreambuf_iterator<char>(file), {});
}

TEST(DpapiSessionStoreTest, KeepsTheJarEncryptedForThisProgramOnly) {
  const fs::path folder =
      fs::temp_directory_path() / ("session-test-" + std::to_string(GetCurrentProcessId()));
  fs::remove_all(folder);
  DpapiSessionStore store(folder.wstring(), ProgramSessionEntropy());
  EXPECT_FALSE(store.Load().has_value());
  const Text jar = "SUB=secret-session-value; SUBP=partner-value";
  ASSERT_TRUE(store.Save(jar));
  ASSERT_TRUE(fs::exists(store.Path()));

  // Nothing of the jar or the record can be read in the file.
  const ByteArray sealed = Read(store.Path());
  EXPECT_GT(sealed.size(), jar.size());
  for (const char* plain : {"secret-session-value", "partner-value", "SUB=", "weibo-session"}) {
    EXPECT_EQ(sealed.find(plain), ByteArray::npos) << plain;
  }
  EXPECT_EQ(store.Load(), jar);
  int files = 0;
  for (const auto& entry : fs::directory_iterator(folder)) files += entry.exists() ? 1 : 0;
  EXPECT_EQ(files, 1);  // the temporary file was renamed

  // The same file with other entropy does not decrypt, and is removed.
  DpapiSessionStore other(folder.wstring(), ByteArray("another program's entropy"));
  EXPECT_FALSE(other.Load().has_value());
  EXPECT_FALSE(fs::exists(store.Path()));

  // A damaged blob is removed.
  ASSERT_TRUE(store.Save(jar));
  ByteArray damaged = Read(store.Path());
  damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x55);
  std::ofstream(fs::path(store.Path()), std::ios::binary | std::ios::trunc) << damaged;
  EXPECT_FALSE(store.Load().has_value());
  EXPECT_FALSE(fs::exists(store.Path()));

  store.Remove();
  fs::remove_all(folder);
}

TEST(DpapiSessionStoreTest, TheDefaultFolderIsInLocalApplicationData) {
  const std::wstring folder = DefaultSessionFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.find(L"\\weibo-album-downloader"), std::wstring::npos);
}

}  // namespace
}  // namespace weibo
