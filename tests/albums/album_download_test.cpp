// Queueing an album's pages and downloading them, against a stub service on
// the loopback interface.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <set>
#include <string>
#include <thread>

#include "albums/album_download.h"
#include "albums/path_names.h"
#include "app/recording_window_ops.h"
#include "tests/common/test_support.h"
#include "tests/albums/stub_service.h"
#include "albums/shared_cookie_jar.h"

namespace weibo {
namespace {

using ::testing::ElementsAre;

// A picture the stub serves: a status and a body.
struct StubPicture {
  int status = 200;
  ByteArray body;
};

// A photo element of the photo-list reply whose picture lives on the stub.
std::string PhotoJson(const std::string& name, const std::string& updated) {
  return R"({"photo_id":"1","pic_host":"http://{HOST}/pic","pic_name":")" + name +
         R"(","updated_at":)" + updated + "}";
}

std::string PhotoListJson(const std::vector<std::string>& photos) {
  std::string list;
  for (const std::string& photo : photos) list += (list.empty() ? "" : ",") + photo;
  return R"({"result":true,"data":{"photo_list":[)" + list + "]}}";
}

class AlbumDownloadTest : public ::testing::Test {
 protected:
  AlbumDownloadTest() : shell_(temp_.text()) {
    state_ = std::make_shared<ProgramState>();
    state_->download_root = JoinPath(temp_.text(), "root");
    std::filesystem::create_directories(temp_.path() / "root");
  }
  ~AlbumDownloadTest() override { StopPool(); }

  // Serves the photo lists of `pages_` (each page's reply sets the cookie
  // "p<page>=<album>") and the pictures of `pictures_`, then starts.
  void Start() {
    service_.server().Get("/photos/get_all", [this](const httplib::Request& q, httplib::Response& r) {
      const std::string key = q.get_param_value("album_id") + "/" + q.get_param_value("page");
      auto found = pages_.find(key);
      std::string json = found == pages_.end() ? std::string("not json") : found->second;
      for (std::size_t at; (at = json.find("{HOST}")) != std::string::npos;) {
        json.replace(at, 6, service_.Host());
      }
      r.set_header("Set-Cookie",
                   "p" + q.get_param_value("page") + "=" + q.get_param_value("album_id") + "; path=/");
      SetJsonBody(r, json);
    });
    service_.server().Get(R"(/pic(/[a-z0-9]+/)(.+))", [this](const httplib::Request& q,
                                                              httplib::Response& r) {
      auto found = pictures_.find(q.matches[1].str() + q.matches[2].str());
      if (found == pictures_.end()) {
        r.status = 404;
        r.set_content("<html>404 Not Found</html>", "text/html");
        return;
      }
      r.status = found->second.status;
      r.set_content(found->second.body, "image/jpeg");
    });
    ASSERT_TRUE(service_.Start());
    endpoints_.photo_host = service_.Host();
  }

  FlowContext Context() { return FlowContext{state_, &windows_, &shell_, &endpoints_}; }

  // Runs DownloadPage for `page` of `album_id` on this thread.
  void RunPage(const std::string& album_id, int page, const std::string& folder,
               const std::string& segment = "/mw690/") {
    auto* task = new PageTask{1, page, 3, "42", album_id, folder, segment};
    DownloadPage(Context(), reinterpret_cast<TaskValue>(task));
  }

  // A pool of five workers running DownloadPage, each call waiting until
  // `gate_open_` is set.
  void StartPool() {
    std::weak_ptr<ProgramState> weak = state_;
    FlowContext base = Context();
    ASSERT_TRUE(state_->pool.Create(5, [this, weak, base](TaskValue task) {
      {
        std::unique_lock<std::mutex> lock(gate_mutex_);
        gate_.wait(lock, [this] { return gate_open_; });
      }
      std::shared_ptr<ProgramState> state = weak.lock();
      if (state == nullptr) return;
      FlowContext context = base;
      context.state = state;
      DownloadPage(context, task);
    }));
  }
  void OpenGate() {
    std::lock_guard<std::mutex> lock(gate_mutex_);
    gate_open_ = true;
    gate_.notify_all();
  }
  void StopPool() {
    OpenGate();
    state_->pool.Destroy();
    for (int i = 0; i < 5000 && state_->pool.LiveWorkers() > 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  // Waits (up to a generous limit) for the status bar to show `text`.
  bool WaitForStatus(const Text& text) {
    for (int i = 0; i < 3000; ++i) {
      if (windows_.StatusText() == text) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
  }

  TempFolder temp_;
  StubService service_;
  RecordingWindowOps windows_;
  FakeShell shell_;
  Endpoints endpoints_;
  std::shared_ptr<ProgramState> state_;
  std::map<std::string, std::string> pages_;         // "album/page" -> reply
  std::map<std::string, StubPicture> pictures_;      // "/segment/name" -> picture
  std::mutex gate_mutex_;
  std::condition_variable gate_;
  bool gate_open_ = false;
};

const Text kDone = Gbk("状态:貌似都已经下载完了,请点击上方的'查看下载',如数量不一致为某些图片重复或被权限;");

Text SavedText(int count) { return Gbk("状态:当前已下载 ") + std::to_string(count) + Gbk("张!"); }

TEST(PageCountTest, PagesOf32) {
  EXPECT_EQ(PageCount(0, 32), 1);
  EXPECT_EQ(PageCount(-5, 32), 1);
  EXPECT_EQ(PageCount(1, 32), 1);
  EXPECT_EQ(PageCount(31, 32), 1);
  EXPECT_EQ(PageCount(32, 32), 1);
  EXPECT_EQ(PageCount(33, 32), 2);
  EXPECT_EQ(PageCount(64, 32), 2);
  EXPECT_EQ(PageCount(65, 32), 3);
  EXPECT_EQ(PageCount(300, 32), 10);
}

TEST_F(AlbumDownloadTest, SavesGoodPicturesAndNothingElse) {
  const ByteArray good("\xFF\xD8good\0picture", 14);
  pictures_["/mw690/good.jpg"] = {200, good};
  pictures_["/mw690/empty.jpg"] = {200, ""};
  pictures_["/mw690/refused.jpg"] = {403, "forbidden but not empty"};
  pictures_["/mw690/a/b:c.jpg"] = {200, "escaped"};
  pages_["A/2"] = PhotoListJson({PhotoJson("good.jpg", "1367640000"),
                                 PhotoJson("missing.jpg", "1367640001"),
                                 PhotoJson("empty.jpg", "1367640002"),
                                 PhotoJson("refused.jpg", "1367640003"),
                                 PhotoJson("a/b:c.jpg", R"("..")")});
  Start();
  const Text folder = JoinPath(state_->download_root, "album");
  std::filesystem::create_directories(temp_.path() / "root" / "album");
  // A good file from an earlier download must survive a failed one.
  { std::ofstream(temp_.path() / "root" / "album" / "1367640001_missing.jpg") << "earlier"; }
  state_->saved_count = 5;
  state_->pages_total = 1;
  state_->cookie_jar = "SUB=s";

  RunPage("A", 2, folder);

  const std::filesystem::path album = temp_.path() / "root" / "album";
  EXPECT_EQ(FolderEntries(album),
            (std::vector<std::string>{".._a_b_c.jpg", "1367640000_good.jpg",
                                      "1367640001_missing.jpg"}));
  EXPECT_EQ(ReadWholeFile(album / "1367640000_good.jpg"), good);
  EXPECT_EQ(ReadWholeFile(album / "1367640001_missing.jpg"), "earlier");
  EXPECT_EQ(ReadWholeFile(album / ".._a_b_c.jpg"), "escaped");
  EXPECT_EQ(state_->saved_count, 7);  // only the two pictures that were written
  EXPECT_EQ(state_->pages_done, 1);
  EXPECT_EQ(windows_.StatusText(), kDone);

  const std::vector<Text> lists = service_.TargetsStartingWith("/photos/");
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_TRUE(std::regex_match(
      lists[0], std::regex(R"(/photos/get_all\?uid=42&album_id=A&count=32&page=2&type=3&__rnd=\d{13})")))
      << lists[0];
  EXPECT_EQ(state_->cookie_jar, "p2=A; SUB=s");
}

TEST_F(AlbumDownloadTest, CountsPicturesAndPagesAcrossDownloads) {
  pictures_["/large/a.jpg"] = {200, "a"};
  pictures_["/large/b.jpg"] = {200, "b"};
  pages_["A/1"] = PhotoListJson({PhotoJson("a.jpg", "1"), PhotoJson("b.jpg", "2")});
  pages_["A/2"] = PhotoListJson({});
  Start();
  const Text folder = JoinPath(state_->download_root, "A");
  std::filesystem::create_directories(temp_.path() / "root" / "A");
  state_->pages_total = 2;

  RunPage("A", 1, folder, "/large/");
  EXPECT_EQ(windows_.StatusText(), SavedText(2));
  EXPECT_EQ(state_->pages_done, 1);
  // A page without pictures (or with a broken reply) still counts.
  RunPage("A", 2, folder, "/large/");
  EXPECT_EQ(windows_.StatusText(), kDone);
  // A second download of the same album replaces the files and keeps
  // counting; the finishing text needs the new total exactly.
  pictures_["/large/a.jpg"] = {200, "a2"};
  state_->pages_done = 0;
  state_->pages_total = 2;
  RunPage("A", 1, folder, "/large/");
  EXPECT_EQ(windows_.StatusText(), SavedText(4));
  EXPECT_EQ(ReadWholeFile(temp_.path() / "root" / "A" / "1_a.jpg"), "a2");
  RunPage("A", 9, folder, "/large/");  // not JSON
  EXPECT_EQ(windows_.StatusText(), kDone);
  RunPage("A", 9, folder, "/large/");
  EXPECT_EQ(state_->pages_done, 3);
  EXPECT_EQ(windows_.StatusText(), kDone);  // shown once, at the total
}

TEST_F(AlbumDownloadTest, QueuedTasksCarryTheirOwnValues) {
  state_->user_id = "42";
  state_->album_table = {
      AlbumRecord{"x", "X", "", "", "10", "3"},
      AlbumRecord{Gbk("日记: 夏天?*/\\"), "B", "", "", Gbk("６５"), "5"},
  };
  for (int page = 1; page <= 3; ++page) {
    pages_["B/" + std::to_string(page)] = PhotoListJson(
        {PhotoJson("p" + std::to_string(page) + ".jpg", std::to_string(page))});
    pictures_["/mw1024/p" + std::to_string(page) + ".jpg"] = {200, "big" + std::to_string(page)};
  }
  Start();
  StartPool();
  windows_.SelectItem(1);

  DownloadAlbum(Context(), "/mw1024/");

  std::vector<std::string> disabling;
  for (const std::string& call : windows_.Calls()) {
    if (call.rfind("SetDisabled", 0) == 0) disabling.push_back(call);
  }
  EXPECT_THAT(disabling, ElementsAre("SetDisabled album-menu 1", "SetDisabled album-view 1",
                                     "SetDisabled album-menu 0", "SetDisabled album-view 0"));
  EXPECT_FALSE(windows_.IsDisabled(Control::kAlbumMenu));
  EXPECT_FALSE(windows_.IsDisabled(Control::kAlbumView));
  EXPECT_EQ(state_->album_folder, state_->download_root + "\\" + Gbk("日记_ 夏天____"));
  EXPECT_EQ(state_->pages_total, 3);  // a full-width 65
  EXPECT_TRUE(std::filesystem::is_directory(Below(temp_.path(), {"root", "日记_ 夏天____"})));

  // Another user and another size while the pages wait: they keep theirs.
  state_->user_id = "other";
  state_->download_root = JoinPath(temp_.text(), "elsewhere");
  state_->album_folder = "elsewhere";
  state_->size_segment = "/large/";
  state_->album_table.clear();
  OpenGate();
  ASSERT_TRUE(WaitForStatus(kDone));

  const std::filesystem::path album = Below(temp_.path(), {"root", "日记_ 夏天____"});
  EXPECT_EQ(FolderEntries(album), (std::vector<std::string>{"1_p1.jpg", "2_p2.jpg", "3_p3.jpg"}));
  EXPECT_EQ(ReadWholeFile(album / "3_p3.jpg"), "big3");
  std::set<Text> pages;
  for (const Text& target : service_.TargetsStartingWith("/photos/")) {
    EXPECT_THAT(target, ::testing::StartsWith("/photos/get_all?uid=42&album_id=B&count=32&page="));
    EXPECT_THAT(target, ::testing::HasSubstr("&type=5&__rnd="));
    pages.insert(target.substr(0, target.find("&type")));
  }
  EXPECT_EQ(pages.size(), 3u);
  EXPECT_EQ(state_->saved_count, 3);
  // Every worker's cookies end up in the one jar.
  Text jar = state_->cookie_jar;
  for (const char* cookie : {"p1=B", "p2=B", "p3=B"}) EXPECT_THAT(jar, ::testing::HasSubstr(cookie));
}

TEST_F(AlbumDownloadTest, NothingSelectedOrPoolStoppedQueuesNothing) {
  state_->album_table = {AlbumRecord{"x", "X", "", "", "0", "3"}};
  Start();
  state_->album_folder = "before";
  windows_.SelectItem(-1);
  DownloadAlbum(Context(), "/mw690/");
  EXPECT_EQ(state_->album_folder, "before");
  EXPECT_FALSE(windows_.IsDisabled(Control::kAlbumView));

  // The pool is not running: the command still makes the folder and sets
  // the total; the task the pool refuses is freed again.
  windows_.SelectItem(0);
  state_->pages_done = 4;
  DownloadAlbum(Context(), "/mw690/");
  EXPECT_EQ(state_->pages_done, 0);
  EXPECT_EQ(state_->pages_total, 1);  // a count of 0 still makes one page
  EXPECT_EQ(state_->size_segment, "/mw690/");
  EXPECT_TRUE(std::filesystem::is_directory(temp_.path() / "root" / "x"));
  EXPECT_TRUE(service_.TargetsStartingWith("/photos/").empty());
}

TEST(FreshCookiesTest, LaterReplyWinsAndOthersStay) {
  Text jar = "a=1; b=1; c=1";
  MergeFreshCookies(&jar, "a=2;d=1;a=3;b=deleted");
  EXPECT_EQ(jar, "d=1; a=3; c=1");
  MergeFreshCookies(&jar, "");
  EXPECT_EQ(jar, "d=1; a=3; c=1");
}

}  // namespace
}  // namespace weibo
