// Queueing an album's pages and downloading them, against a loopback server.
#include "albums/album_download.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <map>
#include <memory>
#include <regex>
#include <thread>

#include "albums/path_names.h"
#include "albums/shared_cookie_jar.h"
#include "flow/recording_window_ops.h"
#include "tests/common/loopback_server.h"
#include "tests/common/test_support.h"

namespace weibo {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const Text kDone =
    Gbk("状态:貌似都已经下载完了,请点击上方的'查看下载',如数量不一致为某些图片重复或被权限;");

Text SavedText(int count) { return Gbk("状态:当前已下载 ") + std::to_string(count) + Gbk("张!"); }

class AlbumDownloadTest : public ::testing::Test {
 protected:
  AlbumDownloadTest() : shell_(temp_.text()) {
    state_->download_root = JoinPath(temp_.text(), "root");
    std::filesystem::create_directories(temp_.path() / "root");
    endpoints_.photo_host = server_.HostPort();
    server_.SetHandler([this](const ByteArray& request) { return Serve(RequestTarget(request)); });
  }
  ~AlbumDownloadTest() override {
    OpenGate();
    state_->pool.Destroy();
    for (int i = 0; i < 5000 && state_->pool.LiveWorkers() > 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }

  // The photo lists of `pages_` (each reply sets the cookie "p<page>=<album>")
  // and the pictures of `pictures_` below "/pic".
  ByteArray Serve(const Text& target) {
    if (target.starts_with("/photos/get_all?")) {
      const Text album = QueryValue(target, "album_id");
      const Text page = QueryValue(target, "page");
      auto found = pages_.find(album + "/" + page);
      return MakeReply("200 OK", {"Set-Cookie: p" + page + "=" + album + "; path=/"},
                       found == pages_.end() ? "not json" : found->second);
    }
    auto found = pictures_.find(target.substr(4));
    if (!target.starts_with("/pic/") || found == pictures_.end()) {
      return MakeReply("404 Not Found", {}, "<html>404 Not Found</html>");
    }
    return found->second;
  }
  // A photo list whose pictures `names` live below "/pic".
  Text PhotoList(const std::vector<std::pair<Text, Text>>& names_and_times) {
    Text list;
    for (const auto& [name, updated] : names_and_times) {
      list += Text(list.empty() ? "" : ",") + R"({"photo_id":"1","pic_host":"http://)" +
              server_.HostPort() + R"(/pic","pic_name":")" + name + R"(","updated_at":)" + updated +
              "}";
    }
    return R"({"result":true,"data":{"photo_list":[)" + list + "]}}";
  }
  static ByteArray Picture(const ByteArray& body) { return MakeReply("200 OK", {}, body); }
  std::vector<Text> PhotoListTargets() const {
    std::vector<Text> targets;
    for (const ByteArray& request : server_.Requests()) {
      if (RequestTarget(request).starts_with("/photos/")) targets.push_back(RequestTarget(request));
    }
    return targets;
  }

  FlowContext Context() { return FlowContext{state_, &windows_, &shell_, &endpoints_}; }

  // Runs DownloadPage for `page` of `album_id` on this thread.
  void RunPage(const Text& album_id, int page, const Text& folder, const Text& segment) {
    auto* task = new PageTask{1, page, 3, "42", album_id, folder, segment};
    DownloadPage(Context(), reinterpret_cast<TaskValue>(task));
  }

  // A pool of five workers running DownloadPage, each call waiting until the
  // gate opens.
  void StartPool() {
    std::weak_ptr<ProgramState> weak = state_;
    ASSERT_TRUE(state_->pool.Create(5, [weak, base = Context(), gate = gate_](TaskValue task) {
      gate.wait();
      FlowContext context = base;
      context.state = weak.lock();
      if (context.state != nullptr) DownloadPage(context, task);
    }));
  }
  void OpenGate() {
    if (!gate_open_) opening_.set_value();
    gate_open_ = true;
  }

  TempFolder temp_;
  LoopbackServer server_;
  RecordingWindowOps windows_;
  FakeShell shell_;
  Endpoints endpoints_;
  std::shared_ptr<ProgramState> state_ = std::make_shared<ProgramState>();
  std::map<Text, Text> pages_;          // "album/page" -> photo list
  std::map<Text, ByteArray> pictures_;  // "/segment/name" -> reply
  std::promise<void> opening_;
  std::shared_future<void> gate_ = opening_.get_future().share();
  bool gate_open_ = false;
};

TEST_F(AlbumDownloadTest, SavesGoodPicturesAndNothingElse) {
  const ByteArray good("\xFF\xD8good\0picture", 14);
  pictures_["/mw690/good.jpg"] = Picture(good);
  pictures_["/mw690/empty.jpg"] = Picture("");
  pictures_["/mw690/refused.jpg"] = MakeReply("403 Forbidden", {}, "forbidden but not empty");
  pictures_["/mw690/a/b:c.jpg"] = Picture("escaped");
  pages_["A/2"] = PhotoList({{"good.jpg", "1367640000"},
                             {"missing.jpg", "1367640001"},
                             {"empty.jpg", "1367640002"},
                             {"refused.jpg", "1367640003"},
                             {"a/b:c.jpg", R"("..")"}});
  const std::filesystem::path album = temp_.path() / "root" / "album";
  std::filesystem::create_directories(album);
  // A good file from an earlier download must survive a failed one.
  { std::ofstream(album / "1367640001_missing.jpg") << "earlier"; }
  state_->saved_count = 5;
  state_->pages_total = 1;
  state_->cookie_jar = "SUB=s";

  RunPage("A", 2, JoinPath(state_->download_root, "album"), "/mw690/");

  EXPECT_EQ(FolderEntries(album), (std::vector<std::string>{".._a_b_c.jpg", "1367640000_good.jpg",
                                                            "1367640001_missing.jpg"}));
  EXPECT_EQ(ReadWholeFile(album / "1367640000_good.jpg"), good);
  EXPECT_EQ(ReadWholeFile(album / "1367640001_missing.jpg"), "earlier");
  EXPECT_EQ(ReadWholeFile(album / ".._a_b_c.jpg"), "escaped");
  EXPECT_EQ(state_->saved_count, 7);  // only the two pictures that were written
  EXPECT_EQ(state_->pages_done, 1);
  EXPECT_EQ(windows_.StatusText(), kDone);

  const std::vector<Text> lists = PhotoListTargets();
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_TRUE(std::regex_match(
      lists[0],
      std::regex(R"(/photos/get_all\?uid=42&album_id=A&count=32&page=2&type=3&__rnd=\d{13})")))
      << lists[0];
  EXPECT_EQ(state_->cookie_jar, "p2=A; SUB=s");
}

TEST_F(AlbumDownloadTest, CountsPicturesAndPages) {
  pictures_["/large/a.jpg"] = Picture("a");
  pictures_["/large/b.jpg"] = Picture("b");
  pages_["A/1"] = PhotoList({{"a.jpg", "1"}, {"b.jpg", "2"}});
  pages_["A/2"] = PhotoList({});
  const Text folder = JoinPath(state_->download_root, "A");
  std::filesystem::create_directories(temp_.path() / "root" / "A");
  state_->pages_total = 2;

  RunPage("A", 1, folder, "/large/");
  EXPECT_EQ(windows_.StatusText(), SavedText(2));
  EXPECT_EQ(ReadWholeFile(temp_.path() / "root" / "A" / "1_a.jpg"), "a");
  // A page with a broken reply or without pictures still counts; the
  // finishing text shows once, at the total.
  RunPage("A", 9, folder, "/large/");  // not JSON
  EXPECT_EQ(windows_.StatusText(), kDone);
  windows_.SetStatusText(0, "");
  RunPage("A", 2, folder, "/large/");
  EXPECT_EQ(state_->pages_done, 3);
  EXPECT_EQ(windows_.StatusText(), "");
}

TEST_F(AlbumDownloadTest, QueuedTasksCarryTheirOwnValuesAndShareTheJar) {
  state_->user_id = "42";
  state_->album_table = {
      AlbumRecord{"x", "X", "", "", "10", "3"},
      AlbumRecord{Gbk("日记: 夏天?*/\\"), "B", "", "", Gbk("６５"), "5"},
  };
  for (int page = 1; page <= 3; ++page) {
    const Text name = "p" + std::to_string(page) + ".jpg";
    pages_["B/" + std::to_string(page)] = PhotoList({{name, std::to_string(page)}});
    pictures_["/mw1024/" + name] = Picture("big" + std::to_string(page));
  }
  StartPool();
  windows_.SelectItem(1);

  DownloadAlbum(Context(), "/mw1024/");

  std::vector<std::string> disabling;
  for (const std::string& call : windows_.Calls()) {
    if (call.rfind("SetDisabled", 0) == 0) disabling.push_back(call);
  }
  EXPECT_THAT(disabling, ElementsAre("SetDisabled album-menu 1", "SetDisabled album-view 1",
                                     "SetDisabled album-menu 0", "SetDisabled album-view 0"));
  EXPECT_EQ(state_->pages_total, 3);  // a full-width 65

  // Another user and another size while the pages wait: they keep theirs.
  state_->user_id = "other";
  state_->download_root = JoinPath(temp_.text(), "elsewhere");
  state_->album_folder = "elsewhere";
  state_->size_segment = "/large/";
  state_->album_table.clear();
  OpenGate();
  for (int i = 0; i < 3000 && windows_.StatusText() != kDone; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_EQ(windows_.StatusText(), kDone);

  const std::filesystem::path album = Below(temp_.path(), {"root", "日记_ 夏天____"});
  EXPECT_EQ(FolderEntries(album), (std::vector<std::string>{"1_p1.jpg", "2_p2.jpg", "3_p3.jpg"}));
  EXPECT_EQ(ReadWholeFile(album / "3_p3.jpg"), "big3");
  for (const Text& target : PhotoListTargets()) {
    EXPECT_TRUE(std::regex_match(
        target, std::regex(R"(/photos/get_all\?uid=42&album_id=B&count=32&page=[123]&type=5&.*)")))
        << target;
  }
  EXPECT_EQ(state_->saved_count, 3);
  // Every worker's cookies end up in the one jar.
  for (const char* cookie : {"p1=B", "p2=B", "p3=B"}) {
    EXPECT_THAT(state_->cookie_jar, HasSubstr(cookie));
  }
}

TEST_F(AlbumDownloadTest, NothingSelectedOrPoolStoppedQueuesNothing) {
  state_->album_table = {AlbumRecord{"x", "X", "", "", "0", "3"}};
  state_->album_folder = "before";
  windows_.SelectItem(-1);
  DownloadAlbum(Context(), "/mw690/");
  EXPECT_EQ(state_->album_folder, "before");

  // The pool is not running: the command still makes the folder and sets
  // the total; the task the pool refuses is freed again.
  windows_.SelectItem(0);
  state_->pages_done = 4;
  DownloadAlbum(Context(), "/mw690/");
  EXPECT_EQ(state_->pages_done, 0);
  EXPECT_EQ(state_->pages_total, 1);  // a count of 0 still makes one page
  EXPECT_TRUE(std::filesystem::is_directory(temp_.path() / "root" / "x"));
  EXPECT_TRUE(server_.Requests().empty());
}

TEST(FreshCookiesTest, LaterReplyWinsAndOthersStay) {
  Text jar = "a=1; b=1; c=1";
  MergeFreshCookies(&jar, "a=2;d=1;a=3;b=deleted");
  EXPECT_EQ(jar, "d=1; a=3; c=1");
}

}  // namespace
}  // namespace weibo
