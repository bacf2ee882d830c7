// Rounds of downloads the user steers, against the in-process simulated
// service: a whole account over many albums (one already complete, empty
// ones, one whose pictures partly fail), a stop in the middle followed by a
// download that resumes, and the pacing of a rate-limited service.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "albums/album_download.h"
#include "albums/download_run.h"
#include "albums/download_status.h"
#include "web/host_pacing.h"
#include "albums/path_names.h"
#include "albums/whole_account.h"
#include "flow/recording_window_ops.h"
#include "tests/albums/download_workers.h"
#include "tests/common/flow_teardown.h"
#include "tests/common/test_support.h"
#include "tools/weibo-sim/data_set.h"
#include "tools/weibo-sim/weibo_sim.h"

namespace weibo {
namespace {

const Text kDone =
    Gbk("状态:貌似都已经下载完了,请点击上方的'查看下载',如数量不一致为某些图片重复或被权限;");

// The recording windows, keeping every status text and taskbar state shown.
class HistoryWindowOps : public RecordingWindowOps {
 public:
  void SetStatusText(int part, const Text& text) override {
    RecordingWindowOps::SetStatusText(part, text);
    std::lock_guard<std::mutex> hold(mutex_);
    texts_.push_back(text);
  }
  void SetTaskbarProgress(TaskbarProgress state, int, int) override {
    std::lock_guard<std::mutex> hold(mutex_);
    taskbar_.insert(state);
  }
  bool Showed(const Text& text) {
    std::lock_guard<std::mutex> hold(mutex_);
    return std::find(texts_.begin(), texts_.end(), text) != texts_.end();
  }
  bool ShowedStart(const Text& start) {
    std::lock_guard<std::mutex> hold(mutex_);
    return std::any_of(texts_.begin(), texts_.end(),
                       [&](const Text& text) { return text.rfind(start, 0) == 0; });
  }
  std::set<TaskbarProgress> Taskbar() {
    std::lock_guard<std::mutex> hold(mutex_);
    return taskbar_;
  }

 private:
  std::mutex mutex_;
  std::vector<Text> texts_;
  std::set<TaskbarProgress> taskbar_;
};

// A picture-fetch request of the log: its file name, else empty.
Text PictureName(const sim::RequestRecord& record) {
  for (const char* size : {"/mw690/", "/mw1024/", "/large/"}) {
    if (record.path.rfind(size, 0) == 0) return record.path.substr(std::string(size).size());
  }
  return Text();
}

class DownloadRunTest : public ::testing::Test {
 protected:
  DownloadRunTest() : shell_(temp_.text()) {}
  ~DownloadRunTest() override {
    StopWorkers(*state_);
  }

  void Start(sim::SimOptions options, const char* uid) {
    options.signin_uid = uid;
    sim_ = std::make_unique<sim::WeiboSim>(options);
    ASSERT_TRUE(sim_->Start()) << sim_->error();
    endpoints_ = sim_->endpoints();
    state_ = std::make_shared<ProgramState>();
    state_->cookie_jar = sim::WeiboSim::CookieHeader(sim_->SignedInCookies());
    state_->user_id = uid;
    state_->download_root = JoinPath(temp_.text(), "root");
    std::filesystem::create_directories(temp_.path() / "root");
    // Short pauses keep the retries of the tests quick.
    state_->retry_pauses = {std::chrono::milliseconds(200), std::chrono::milliseconds(300),
                            std::chrono::milliseconds(400), std::chrono::milliseconds(500)};
    ASSERT_TRUE(StartDownloadWorkers(Context()));
  }

  FlowContext Context() { return FlowContext{state_, &windows_, &shell_, &endpoints_}; }

  // Handles the calls posted to the window's thread until the round has
  // ended (every task done and the last text shown) or `until` holds.
  void RunUntil(const std::function<bool()>& until) {
    for (int i = 0; i < 12000 && !until(); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      windows_.RunPostedCalls();
    }
    windows_.RunPostedCalls();
    ASSERT_TRUE(until());
  }
  void RunToEnd() {
    RunUntil([this] { return state_->tasks_pending.load() == 0; });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    windows_.RunPostedCalls();
  }

  const sim::Album& Album(const char* uid, int index) {
    return sim_->data().FindUser(uid)->albums[static_cast<std::size_t>(index)];
  }
  std::filesystem::path Folder(const sim::Album& album) {
    return Below(temp_.path(), {"root", album.caption});
  }
  // The pictures in an album folder (not the record or the failure list).
  int PicturesIn(const std::filesystem::path& folder) {
    int count = 0;
    for (const std::string& name : FolderEntries(folder)) {
      EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;  // nothing half-written
      if (name[0] != '.' && name != kFailedListFileName) ++count;
    }
    return count;
  }
  AlbumRecord RecordOf(const sim::Album& album) {
    AlbumRecord record;
    record.caption = Gbk(album.caption);
    record.album_id = album.album_id;
    record.photo_count = std::to_string(album.photos.size());
    record.type = std::to_string(album.type);
    return record;
  }

  TempFolder temp_;
  std::unique_ptr<sim::WeiboSim> sim_;
  HistoryWindowOps windows_;
  FakeShell shell_;
  Endpoints endpoints_;
  std::shared_ptr<ProgramState> state_;
};

TEST_F(DownloadRunTest, WholeAccountTakesEveryAlbumOnce) {
  // The user of 70 albums (0 to 8 pictures each, some empty); two pictures
  // of album 3 are refused for good.
  const sim::DataSet data(0, 0);
  const sim::Album& failing = data.FindUser(sim::kManyAlbumsUid)->albums[3];
  ASSERT_GE(failing.photos.size(), 3u);
  sim::SimOptions options;
  for (int i = 0; i < 2; ++i) {
    sim::FaultRule rule;
    rule.kind = sim::FaultKind::kStatus;
    rule.status = 404;
    rule.path_prefix = "/mw690/" + failing.photos[static_cast<std::size_t>(i)].pic_name;
    options.faults.push_back(rule);
  }
  Start(options, sim::kManyAlbumsUid);
  const std::vector<sim::Album>& albums = sim_->data().FindUser(sim::kManyAlbumsUid)->albums;
  ASSERT_GT(albums.size(), 64u);

  // Album 1 complete already, in the same size.
  state_->album_table = {RecordOf(albums[1])};
  windows_.SelectItem(0);
  DownloadAlbum(Context(), "/mw690/");
  RunToEnd();
  ASSERT_EQ(windows_.StatusText(), kDone);
  ASSERT_GT(PicturesIn(Folder(albums[1])), 0);
  sim_->ClearRequests();

  DownloadWholeAccount(Context(), "/mw690/");
  RunToEnd();
  EXPECT_EQ(windows_.StatusText(), FinishingText(2));
  EXPECT_TRUE(windows_.ShowedStart(Gbk("状态:共 70 个相册,当前已下载 ")));
  EXPECT_TRUE(windows_.IsDisabled(Control::kStopCommand));

  // Every album in its own folder, the failed pictures listed in theirs;
  // the complete album cost no picture request.
  std::set<Text> asked;
  for (const sim::RequestRecord& record : sim_->Requests()) asked.insert(PictureName(record));
  for (std::size_t i = 0; i < albums.size(); ++i) {
    const int expected = static_cast<int>(albums[i].photos.size()) - (i == 3 ? 2 : 0);
    EXPECT_TRUE(std::filesystem::is_directory(Folder(albums[i]))) << i;
    EXPECT_EQ(PicturesIn(Folder(albums[i])), expected) << albums[i].caption;
    EXPECT_EQ(std::filesystem::exists(Folder(albums[i]) / kFailedListFileName), i == 3) << i;
  }
  for (const sim::Photo& photo : albums[1].photos) EXPECT_EQ(asked.count(photo.pic_name), 0u);
  const ByteArray list = ReadWholeFile(Folder(albums[3]) / kFailedListFileName);
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 2);
  EXPECT_TRUE(windows_.Taskbar().count(TaskbarProgress::kError) > 0);
}

TEST_F(DownloadRunTest, StopKeepsWhatWasSavedAndTheNextDownloadResumes) {
  sim::SimOptions options;
  sim::FaultRule slow;
  slow.kind = sim::FaultKind::kLatency;
  slow.milliseconds = 40;
  slow.path_prefix = "/mw690/";
  options.faults.push_back(slow);
  Start(options, sim::kDefaultUid);
  const sim::Album& album = Album(sim::kDefaultUid, 0);  // 300 pictures
  state_->album_table = {RecordOf(album)};
  windows_.SelectItem(0);

  // Nothing to stop yet: the command does nothing.
  StopDownloads(Context());
  EXPECT_FALSE(state_->stopped.load());

  DownloadAlbum(Context(), "/mw690/");
  EXPECT_FALSE(windows_.IsDisabled(Control::kStopCommand));
  RunUntil([this] { return std::atomic_ref<std::int32_t>(state_->saved_count).load() >= 40; });
  StopDownloads(Context());
  EXPECT_TRUE(windows_.IsDisabled(Control::kStopCommand));
  const std::size_t asked_at_stop = sim_->Requests().size();
  RunToEnd();
  const int saved = state_->saved_count;
  ASSERT_LT(saved, 300);
  // At most the transfers that were running went on.
  EXPECT_LE(sim_->Requests().size(), asked_at_stop + 5);
  EXPECT_EQ(windows_.StatusText(), Gbk("状态:下载已停止,已保存 ") + std::to_string(saved) +
                                       Gbk(" 张"));
  EXPECT_EQ(PicturesIn(Folder(album)), saved);
  EXPECT_FALSE(std::filesystem::exists(Folder(album) / kFailedListFileName));

  // The next download asks only for the pictures still missing.
  sim_->ClearRequests();
  DownloadAlbum(Context(), "/mw690/");
  RunToEnd();
  EXPECT_EQ(windows_.StatusText(), kDone);
  int pictures_asked = 0;
  for (const sim::RequestRecord& record : sim_->Requests()) {
    if (!PictureName(record).empty()) ++pictures_asked;
  }
  EXPECT_EQ(pictures_asked, 300 - saved);
  EXPECT_EQ(PicturesIn(Folder(album)), 300);
}

TEST_F(DownloadRunTest, PacingKeepsARateLimitedServiceMostlyAnswering) {
  sim::SimOptions options;
  options.rate_limit = 20;
  options.rate_burst = 5;
  Start(options, sim::kDefaultUid);
  const sim::Album& album = Album(sim::kDefaultUid, 6);  // 65 pictures, 3 pages
  state_->album_table = {RecordOf(album)};
  windows_.SelectItem(0);
  DownloadAlbum(Context(), "/mw690/");
  RunToEnd();

  // Every picture arrives; after the first limits the requests keep to the
  // host's pace, so few of them meet the limit (each worker on its own
  // meets it again and again).
  EXPECT_EQ(windows_.StatusText(), kDone);
  EXPECT_EQ(PicturesIn(Folder(album)), 65);
  const int requests = state_->requests_sent.load();
  const int rejected = state_->rate_limited_replies.load();
  EXPECT_GT(rejected, 0);
  EXPECT_LE(rejected * 5, requests) << rejected << " of " << requests;
  EXPECT_TRUE(windows_.ShowedStart(Gbk("状态:服务器要求放慢,")));
  EXPECT_TRUE(windows_.Taskbar().count(TaskbarProgress::kPaused) > 0);
  // The rejected ones are in the service's log as its rate limit.
  int logged = 0;
  for (const sim::RequestRecord& record : sim_->Requests()) logged += record.status == 418;
  EXPECT_EQ(logged, rejected);
}

// The decisions of the pacing, at given times: a limit pauses the host and
// halves its workers, a second limit learns the spacing from the replies
// accepted in between, and successes bring the workers back.
TEST(HostPacingTest, LimitsPauseHalveAndLearnTheRate) {
  using namespace std::chrono_literals;
  HostPacing pacing;
  const auto t0 = HostPacing::Clock::now();
  const Text host = "127.0.0.1:1";
  EXPECT_EQ(pacing.EarliestStart(host, t0), t0);
  std::uint64_t tickets[5];
  for (std::uint64_t& ticket : tickets) ticket = pacing.Started(host, t0);
  EXPECT_TRUE(pacing.Finished(host, tickets[0], true, 1000ms, t0));
  // A request that started before the limit: the same event.
  EXPECT_FALSE(pacing.Finished(host, tickets[1], true, 3000ms, t0 + 10ms));
  EXPECT_EQ(pacing.EarliestStart(host, t0 + 10ms), t0 + 1000ms);
  EXPECT_EQ(pacing.View(host).allowed, 2);
  EXPECT_EQ(pacing.View(host).spacing.count(), 0);
  // Ten replies accepted over the next two seconds: 5 a second.
  for (int i = 0; i < 10; ++i) {
    pacing.Finished(host, pacing.Started(host, t0 + 1000ms), false, 0ms, t0 + 1000ms);
  }
  EXPECT_TRUE(pacing.Finished(host, pacing.Started(host, t0 + 2000ms), true, 500ms, t0 + 2000ms));
  EXPECT_EQ(pacing.View(host).allowed, 1);
  EXPECT_EQ(std::chrono::duration_cast<std::chrono::milliseconds>(pacing.View(host).spacing).count(),
            200);
  // Starts keep the spacing after the cool-down.
  const std::uint64_t ticket = pacing.Started(host, t0 + 2500ms);
  EXPECT_EQ(pacing.EarliestStart(host, t0 + 2500ms), t0 + 2700ms);
  pacing.Finished(host, ticket, false, 0ms, t0 + 2500ms);
  for (int i = 0; i < 40; ++i) pacing.Finished(host, pacing.Started(host, t0 + 3s), false, 0ms, t0 + 3s);
  EXPECT_EQ(pacing.View(host).allowed, HostPacing::kMostWorkers);
  EXPECT_LT(pacing.View(host).spacing, std::chrono::microseconds(200000));
  // Another host is not touched.
  EXPECT_EQ(pacing.View("127.0.0.1:2").allowed, HostPacing::kMostWorkers);
}

}  // namespace
}  // namespace weibo
