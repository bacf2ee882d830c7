// The folder downloads go to: the order the known folders are tried in, what
// makes one usable, and what the flows do when none is.
#include "albums/download_root_choice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>

#include "albums/album_download.h"
#include "albums/album_list.h"
#include "albums/album_texts.h"
#include "albums/file_system.h"
#include "albums/path_names.h"
#include "flow/recording_window_ops.h"
#include "tests/common/test_support.h"

namespace weibo {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A shell that spells each known folder as the test says.
class ScriptedShell : public FakeShell {
 public:
  FolderSpelling LocateFolder(KnownFolder folder) override {
    ++asked[folder];
    const auto found = folders.find(folder);
    return found == folders.end() ? FolderSpelling{} : found->second;
  }
  std::map<KnownFolder, FolderSpelling> folders;
  std::map<KnownFolder, int> asked;
};

FolderSpelling Spelled(const Text& path) { return FolderSpelling{path, path}; }

TEST(DownloadRootTest, OnlyPathsIndependentOfTheWorkingFolderAreAbsolute) {
  for (const char* path : {"/home/a", "\\x", "\\\\server\\share", "C:\\Users", "d:/pictures"}) {
    EXPECT_TRUE(IsAbsolutePath(path)) << path;
  }
  for (const char* path : {"", ".", "pictures", "C:", "C:pictures", "1:\\x", "..\\x"}) {
    EXPECT_FALSE(IsAbsolutePath(path)) << path;
  }
}

TEST(DownloadRootTest, TheFirstUsableFolderInOrderIsChosen) {
  TempFolder temp;
  FileSystem& files = DefaultFileSystem();
  const Text plain_file = JoinPath(temp.text(), "plain-file");
  ASSERT_TRUE(files.ReplaceFile(plain_file, "x"));
  const Text home = JoinPath(temp.text(), "home");

  ScriptedShell shell;
  // The program folder cannot be spelled, the pictures folder is relative,
  // the home folder is usable (and made).
  shell.folders[KnownFolder::kProgram] = FolderSpelling{Text(), "C:\\Users\\?\\Downloads"};
  shell.folders[KnownFolder::kPictures] = Spelled("relative-pictures");
  shell.folders[KnownFolder::kHome] = Spelled(home);
  RunFolderChoice choice = ChooseRunFolder(shell, files);
  EXPECT_EQ(choice.folder, home);
  EXPECT_THAT(choice.refused, ElementsAre("C:\\Users\\?\\Downloads", "relative-pictures"));
  EXPECT_TRUE(std::filesystem::is_directory(temp.path() / "home"));
  EXPECT_TRUE(std::filesystem::is_empty(temp.path() / "home"));  // the probe is gone
  EXPECT_FALSE(std::filesystem::exists("relative-pictures"));

  // A usable program folder wins; the others are not even looked up.
  shell.folders[KnownFolder::kProgram] = Spelled(home);
  shell.asked.clear();
  EXPECT_EQ(ChooseRunFolder(shell, files).folder, home);
  EXPECT_EQ(shell.asked[KnownFolder::kPictures], 0);

  // A file is no folder, and nothing can be made below it.
  shell.folders[KnownFolder::kProgram] = Spelled(plain_file);
  shell.folders[KnownFolder::kPictures] = Spelled(JoinPath(plain_file, "below"));
  shell.folders[KnownFolder::kHome] = FolderSpelling{};
  choice = ChooseRunFolder(shell, files);
  EXPECT_EQ(choice.folder, "");
  EXPECT_EQ(choice.refused.size(), 2u);
}

TEST(DownloadRootTest, WithoutAUsableFolderTheOperatorIsToldAndNothingIsWritten) {
  const std::filesystem::path working = std::filesystem::current_path();
  TempFolder temp;
  std::filesystem::current_path(temp.path());
  ScriptedShell shell;
  shell.folders[KnownFolder::kProgram] = FolderSpelling{Text(), "/home/\xA1\xA1?"};
  shell.folders[KnownFolder::kPictures] = Spelled("pictures");
  RecordingWindowOps windows;
  Endpoints endpoints;
  auto state = std::make_shared<ProgramState>();
  const FlowContext context{state, &windows, &shell, &endpoints};

  AlbumListing listing;
  listing.user = ProfileValues{"12345", "abc"};
  listing.albums.resize(1);
  listing.albums[0].caption = "trip";
  listing.albums[0].photo_count = "3";
  EXPECT_EQ(LoadAlbums(context, listing), 1);
  EXPECT_EQ(state->download_root, "");
  ASSERT_EQ(windows.MessageBoxes().size(), 1u);
  const RecordingWindowOps::MessageBoxCall box = windows.MessageBoxes()[0];
  EXPECT_EQ(box.title, kNoRunFolderTitle);
  EXPECT_THAT(box.text, HasSubstr("\n/home/\xA1\xA1?\npictures\n"));
  EXPECT_EQ(box.flags, kMbOk | kMbIconWarning);

  // Downloading asks again, is told again, and writes nothing.
  windows.SelectItem(0);
  DownloadAlbum(context, "/large/");
  EXPECT_EQ(windows.MessageBoxes().size(), 2u);
  EXPECT_EQ(state->tasks_pending.load(), 0);
  ShowDownloads(context);
  EXPECT_TRUE(shell.shown.empty());
  std::filesystem::current_path(working);
  EXPECT_TRUE(std::filesystem::is_empty(temp.path()));

  // Once a folder can be used, the same user's root is made in it.
  shell.folders[KnownFolder::kHome] = Spelled(temp.text());
  EXPECT_TRUE(HaveDownloadRoot(context));
  EXPECT_EQ(state->download_root, temp.text() + "\\abc - " + Gbk("微相册"));
  EXPECT_TRUE(std::filesystem::is_directory(Below(temp.path(), {"abc - 微相册"})));
}

}  // namespace
}  // namespace weibo
