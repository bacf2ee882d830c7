// The kept session in a private file: its modes, the rename that replaces
// it, and files that are not used (readable by others, damaged, another
// user's or machine's) being removed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/session_record.h"
#include "support/session_store_file_posix.h"

namespace weibo {
namespace {

namespace fs = std::filesystem;

class FileSessionStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Text pattern = (fs::temp_directory_path() / "session-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    folder_ = root_ + "/state/weibo-album-downloader";
  }
  void TearDown() override { fs::remove_all(root_); }

  static unsigned Mode(const Text& path) {
    struct stat info {};
    EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 0777;
  }
  static void Write(const Text& path, const ByteArray& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  static ByteArray Read(const Text& path) {
    std::ifstream file(path, std::ios::binary);
    return ByteArray(std::istreambuf_iterator<char>(file), {});
  }

  Text root_;
  Text folder_;
};

TEST_F(FileSessionStoreTest, KeepsTheJarPrivatelyAndReplacesItWhole) {
  FileSessionStore store(folder_);
  EXPECT_FALSE(store.Load().has_value());
  ASSERT_TRUE(store.Save("SUB=a; SUBP=b"));
  EXPECT_EQ(Mode(folder_), 0700u);
  EXPECT_EQ(Mode(store.Path()), 0600u);
  EXPECT_EQ(store.Load(), "SUB=a; SUBP=b");

  // A second save replaces the file by a rename: no temporary file stays.
  ASSERT_TRUE(store.Save("SUB=c"));
  EXPECT_EQ(FileSessionStore(folder_).Load(), "SUB=c");
  int files = 0;
  for (const auto& entry : fs::directory_iterator(folder_)) files += entry.exists() ? 1 : 0;
  EXPECT_EQ(files, 1);

  store.Remove();
  EXPECT_FALSE(fs::exists(store.Path()));
  store.Remove();  // nothing kept: nothing happens
}

TEST_F(FileSessionStoreTest, AFileOthersCanReadOrInAnOpenFolderIsRemovedUnread) {
  FileSessionStore store(folder_);
  ASSERT_TRUE(store.Save("SUB=a"));
  ASSERT_EQ(chmod(store.Path().c_str(), 0644), 0);
  EXPECT_FALSE(store.Load().has_value());
  EXPECT_FALSE(fs::exists(store.Path()));

  ASSERT_TRUE(store.Save("SUB=a"));
  ASSERT_EQ(chmod(store.Path().c_str(), 0620), 0);  // group may write
  EXPECT_FALSE(store.Load().has_value());
  EXPECT_FALSE(fs::exists(store.Path()));

  ASSERT_TRUE(store.Save("SUB=a"));
  ASSERT_EQ(chmod(folder_.c_str(), 0755), 0);
  EXPECT_FALSE(store.Load().has_value());
  EXPECT_FALSE(fs::exists(store.Path()));
  // The next save narrows the folder again.
  ASSERT_TRUE(store.Save("SUB=a"));
  EXPECT_EQ(Mode(folder_), 0700u);

  // A link in the file's place is not followed.
  const Text target = root_ + "/elsewhere";
  Write(target, Read(store.Path()));
  ASSERT_EQ(chmod(target.c_str(), 0600), 0);
  fs::remove(store.Path());
  fs::create_symlink(target, store.Path());
  EXPECT_FALSE(store.Load().has_value());
  EXPECT_FALSE(fs::is_symlink(store.Path()));
  EXPECT_TRUE(fs::exists(target));
}

TEST_F(FileSessionStoreTest, DamagedOlderAndForeignFilesAreRemoved) {
  FileSessionStore store(folder_);
  ASSERT_TRUE(store.Save("SUB=a; SUBP=b"));
  const ByteArray good = Read(store.Path());

  // Loads `bytes` written as the file; true when the file is gone after.
  auto load_after_writing = [&](const ByteArray& bytes) {
    Write(store.Path(), bytes);
    chmod(store.Path().c_str(), 0600);
    std::optional<Text> jar = store.Load();
    EXPECT_EQ(jar.has_value(), fs::exists(store.Path()));
    return jar;
  };
  EXPECT_FALSE(load_after_writing(good.substr(0, good.size() - 3)).has_value());
  EXPECT_FALSE(load_after_writing("\x01\x02garbage").has_value());
  EXPECT_FALSE(load_after_writing(ByteArray()).has_value());
  // Another user's or another machine's record, copied here.
  EXPECT_FALSE(load_after_writing(EncodeSessionRecord("uid 4242 machine x", "SUB=z")).has_value());
  ByteArray other_machine = good;
  other_machine.replace(other_machine.find(" machine ") + 9, 1, "#");
  EXPECT_FALSE(load_after_writing(other_machine).has_value());
  // An older format.
  ByteArray older = good;
  older.replace(older.find(" 1\n"), 3, " 0\n");
  EXPECT_FALSE(load_after_writing(older).has_value());
  // The good bytes still read.
  EXPECT_EQ(load_after_writing(good).value_or(""), "SUB=a; SUBP=b");
}

TEST(DefaultStateFolderTest, FollowsXdgStateHomeElseTheHomeFolder) {
  const char* old_state = std::getenv("XDG_STATE_HOME");
  const Text saved_state = old_state != nullptr ? old_state : "";
  setenv("XDG_STATE_HOME", "/x/state", 1);
  EXPECT_EQ(DefaultStateFolder(), "/x/state/weibo-album-downloader");
  setenv("XDG_STATE_HOME", "relative", 1);  // not absolute: ignored
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(DefaultStateFolder(), "/home/u/.local/state/weibo-album-downloader");
  if (old_state != nullptr) {
    setenv("XDG_STATE_HOME", saved_state.c_str(), 1);
  } else {
    unsetenv("XDG_STATE_HOME");
  }
}

}  // namespace
}  // namespace weibo
