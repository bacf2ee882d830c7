// The album and download flows against the in-process simulated service:
// the signed-in user's own page, the album list, and whole albums
// downloaded by the worker pool, every file compared with what the service
// serves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>

#include "albums/album_download.h"
#include "albums/album_list.h"
#include "albums/path_names.h"
#include "flow/recording_window_ops.h"
#include "tests/albums/download_workers.h"
#include "tests/common/flow_teardown.h"
#include "tests/common/test_support.h"
#include "tools/weibo-sim/weibo_sim.h"

namespace weibo {
namespace {

const Text kDone =
    Gbk("状态:貌似都已经下载完了,请点击上方的'查看下载',如数量不一致为某些图片重复或被权限;");

class AlbumEndToEndTest : public ::testing::Test {
 protected:
  AlbumEndToEndTest() : shell_(temp_.text()) {}
  ~AlbumEndToEndTest() override {
    StopWorkers(*state_);
  }

  void SetUp() override {
    ASSERT_TRUE(sim_.Start()) << sim_.error();
    endpoints_ = sim_.endpoints();
    state_ = std::make_shared<ProgramState>();
    state_->cookie_jar = sim::WeiboSim::CookieHeader(sim_.SignedInCookies());
    ASSERT_TRUE(StartDownloadWorkers(Context()));
  }

  FlowContext Context() { return FlowContext{state_, &windows_, &shell_, &endpoints_}; }

  // Downloads the album at 0-based `index` in `segment` and waits for the
  // finishing text.
  void DownloadAndWait(int index, const Text& segment) {
    windows_.SetStatusText(0, "");
    windows_.SelectItem(index);
    DownloadAlbum(Context(), segment);
    for (int i = 0; i < 6000 && windows_.StatusText() != kDone; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      windows_.RunPostedCalls();
    }
    ASSERT_EQ(windows_.StatusText(), kDone);
  }

  // Checks that the album's folder holds exactly the pictures the service
  // serves for it, byte for byte, and returns how many it holds.
  int ExpectAlbumOnDisk(const sim::Album& album, const std::string& folder_utf8,
                        const char* segment) {
    const std::filesystem::path folder = Below(temp_.path(), {root_utf8_, folder_utf8});
    std::map<std::string, ByteArray> expected;
    for (const sim::Photo& photo : album.photos) {
      if (photo.host_field != sim::Field::kPresent) continue;  // no address to fetch
      const std::string updated =
          photo.updated_field == sim::Field::kPresent ? std::to_string(photo.updated_at) : "0";
      expected[updated + "_" + photo.pic_name] = sim_.PictureBytes(segment, photo.pic_name);
    }
    std::vector<std::string> expected_names{".saved-pictures"};
    for (const auto& [name, bytes] : expected) expected_names.push_back(name);
    EXPECT_EQ(FolderEntries(folder), expected_names) << folder_utf8;
    for (const auto& [name, bytes] : expected) {
      EXPECT_FALSE(bytes.empty()) << name;
      EXPECT_TRUE(ReadWholeFile(folder / name) == bytes) << folder_utf8 << "/" << name;
    }
    return static_cast<int>(expected.size());
  }

  const sim::User& User(const char* uid) { return *sim_.data().FindUser(uid); }

  sim::WeiboSim sim_;
  TempFolder temp_;
  RecordingWindowOps windows_;
  FakeShell shell_;
  Endpoints endpoints_;
  std::shared_ptr<ProgramState> state_;
  std::string root_utf8_;
};

TEST_F(AlbumEndToEndTest, OwnAlbumsDownloadCompletely) {
  const sim::User& user = User(sim::kDefaultUid);
  state_->profile_address = "http://" + endpoints_.main_host + "/";
  ASSERT_TRUE(ResolveProfile(Context()));
  EXPECT_EQ(state_->user_id, user.uid);
  EXPECT_EQ(windows_.Title(WindowId::kMain), Gbk(user.nick + " - 微相册"));
  root_utf8_ = user.nick + " - 微相册";

  // Every album listed with one icon.
  ASSERT_EQ(windows_.Items().size(), user.albums.size());
  ASSERT_EQ(windows_.LargeIconList().pictures.size(), user.albums.size());

  // 淺 ends in 0x5C: 32 pictures, one page, in the middle size.
  int saved = 0;
  DownloadAndWait(3, "/mw690/");
  saved += ExpectAlbumOnDisk(user.albums[3], "淺草寺與雷門", "mw690");
  // Forbidden characters, two pages, in the largest size.
  DownloadAndWait(4, "/large/");
  saved += ExpectAlbumOnDisk(user.albums[4], "日记_ 夏天____", "large");
  // A caption of "..": its own folder, never the parent.
  DownloadAndWait(5, "/mw1024/");
  saved += ExpectAlbumOnDisk(user.albums[5], "__", "mw1024");
  // Null and missing keys: the picture without a host is not saved.
  DownloadAndWait(2, "/mw690/");
  saved += ExpectAlbumOnDisk(user.albums[2], "旅行 2013", "mw690");
  // Three pages of 65 pictures; spaces kept, the trailing one replaced.
  DownloadAndWait(6, "/mw690/");
  saved += ExpectAlbumOnDisk(user.albums[6], "  前后空格　", "mw690");
  EXPECT_EQ(state_->saved_count, saved);

  // The same album again: files replaced, the count goes on.
  DownloadAndWait(3, "/mw690/");
  ExpectAlbumOnDisk(user.albums[3], "淺草寺與雷門", "mw690");
  EXPECT_EQ(state_->saved_count, saved + 32);

  // Nothing was written outside the user's root.
  EXPECT_EQ(FolderEntries(temp_.path()), std::vector<std::string>{root_utf8_});
}

TEST_F(AlbumEndToEndTest, OtherUsersByProfileAddress) {
  // More than 64 albums: the first 64.
  state_->profile_address = "http://" + endpoints_.main_host + "/u/" + sim::kManyAlbumsUid;
  ASSERT_TRUE(ResolveProfile(Context()));
  EXPECT_EQ(windows_.Items().size(), 64u);
  EXPECT_EQ(windows_.Items()[63].label, Gbk(User(sim::kManyAlbumsUid).albums[63].caption + "_" +
                                            std::to_string((63 * 7) % 9) + "张"));

  // A nickname with forbidden characters names a safe root folder.
  const sim::User& odd = User(sim::kOddNickUid);
  state_->profile_address = "http://" + endpoints_.main_host + "/u/" + sim::kOddNickUid;
  ASSERT_TRUE(ResolveProfile(Context()));
  EXPECT_EQ(windows_.Title(WindowId::kMain), Gbk(odd.nick + " - 微相册"));
  ASSERT_EQ(windows_.Items().size(), 2u);
  root_utf8_ = "夜_雨_窗___ - 微相册";
  DownloadAndWait(1, "/mw690/");
  ExpectAlbumOnDisk(odd.albums[1], "a_b", "mw690");
  DownloadAndWait(0, "/mw690/");
  ExpectAlbumOnDisk(odd.albums[0], "繁體相簿", "mw690");

  // An unknown user's page lacks the values.
  state_->profile_address = "http://" + endpoints_.main_host + "/u/1999999999";
  EXPECT_FALSE(ResolveProfile(Context()));
  ASSERT_EQ(windows_.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows_.MessageBoxes()[0].text, "onick or oid");
  EXPECT_EQ(windows_.Items().size(), 2u);
}

// Transient faults on one in five requests, photo lists included: every
// picture still arrives whole, and no temporary file stays behind.
TEST(AlbumFaultsTest, EveryPictureArrivesDespiteTransientFaults) {
  sim::SimOptions options;
  options.bench_albums = 1;
  options.bench_photos = 300;
  options.seed = 7;
  for (const char* rule : {"reset:0.05", "short:0.05", "status:0.05:503", "status:0.05:418"}) {
    sim::FaultRule fault;
    Text error;
    ASSERT_TRUE(sim::ParseFaultRule(rule, &fault, &error)) << error;
    options.faults.push_back(fault);
  }
  sim::WeiboSim sim(options);
  ASSERT_TRUE(sim.Start()) << sim.error();
  const Endpoints endpoints = sim.endpoints();
  TempFolder temp;
  RecordingWindowOps windows;
  FakeShell shell(temp.text());
  auto state = std::make_shared<ProgramState>();
  state->cookie_jar = sim::WeiboSim::CookieHeader(sim.SignedInCookies(sim::kBenchUid));
  state->retry_pauses = {std::chrono::milliseconds(5), std::chrono::milliseconds(10),
                         std::chrono::milliseconds(20), std::chrono::milliseconds(40)};
  state->user_id = sim::kBenchUid;
  state->download_root = JoinPath(temp.text(), "root");
  std::filesystem::create_directories(temp.path() / "root");
  const sim::Album& album = sim.data().FindUser(sim::kBenchUid)->albums.at(0);
  state->album_table = {AlbumRecord{"bench", album.album_id, "", "", "300",
                                    std::to_string(album.type)}};
  const FlowContext context{state, &windows, &shell, &endpoints};
  ASSERT_TRUE(StartDownloadWorkers(context));

  windows.SelectItem(0);
  DownloadAlbum(context, "/large/");
  for (int i = 0; i < 12000 && windows.StatusText() != kDone; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    windows.RunPostedCalls();
  }
  EXPECT_EQ(windows.StatusText(), kDone);
  int faults = 0;
  for (const sim::RequestRecord& request : sim.Requests()) faults += !request.fault.empty();
  EXPECT_GT(faults, 60);  // the faults did happen

  const std::filesystem::path folder = temp.path() / "root" / "bench";
  std::vector<std::string> expected{".saved-pictures"};
  for (const sim::Photo& photo : album.photos) {
    const std::string name = std::to_string(photo.updated_at) + "_" + photo.pic_name;
    expected.push_back(name);
    EXPECT_TRUE(ReadWholeFile(folder / name) == sim.PictureBytes("large", photo.pic_name)) << name;
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FolderEntries(folder), expected);
  EXPECT_EQ(state->saved_count, 300);

  StopWorkers(*state);
}

}  // namespace
}  // namespace weibo
