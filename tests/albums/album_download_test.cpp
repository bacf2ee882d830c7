// Queueing an album's pages and downloading them, against a loopback server.
#include "albums/album_download.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <fstream>
#include <mutex>
#include <future>
#include <map>
#include <memory>
#include <regex>
#include <thread>

#include "albums/album_texts.h"
#include "albums/path_names.h"
#include "albums/saved_pictures.h"
#include "albums/std_file_system.h"
#include "albums/shared_cookie_jar.h"
#include "flow/recording_window_ops.h"
#include "tests/common/flow_teardown.h"
#include "tests/common/loopback_server.h"
#include "tests/common/test_support.h"
#include "web/header_text.h"

namespace weibo {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::chrono_literals;

// `body` after the leading bytes of a JPEG picture.
ByteArray Jpeg(const ByteArray& body) { return ByteArray("\xFF\xD8\xFF") + body; }

const Text kDone =
    Gbk("状态:貌似都已经下载完了,请点击上方的'查看下载',如数量不一致为某些图片重复或被权限;");


// Keeps every status text in the order it was shown.
class StatusRecordingWindowOps : public RecordingWindowOps {
 public:
  void SetStatusText(int part, const Text& text) override {
    RecordingWindowOps::SetStatusText(part, text);
    std::lock_guard<std::mutex> hold(history_lock_);
    history_.push_back(text);
  }
  std::vector<Text> History() const {
    std::lock_guard<std::mutex> hold(history_lock_);
    return history_;
  }

 private:
  mutable std::mutex history_lock_;
  std::vector<Text> history_;
};

class AlbumDownloadTest : public ::testing::Test {
 protected:
  AlbumDownloadTest() : shell_(temp_.text()) {
    state_->download_root = JoinPath(temp_.text(), "root");
    state_->user_id = "42";
    state_->retry_pauses = {1ms, 2ms, 4ms, 8ms};
    std::filesystem::create_directories(temp_.path() / "root");
    endpoints_.photo_host = server_.HostPort();
    server_.SetHandler([this](const ByteArray& request) { return Serve(RequestTarget(request)); });
  }
  ~AlbumDownloadTest() override {
    OpenGate();
    StopWorkers(*state_);
  }

  // The photo lists of `pages_` (each reply sets the cookie "p<page>=<album>")
  // and the pictures of `pictures_` below "/pic". A picture with replies
  // queued in `script_` gets them first, one per request.
  ByteArray Serve(const Text& target) {
    std::lock_guard<std::mutex> hold(serve_lock_);
    ++asked_[target.starts_with("/photos/") ? QueryValue(target, "album_id") + "/" +
                                                  QueryValue(target, "page")
                                            : target];
    auto scripted = script_.find(target);
    if (scripted != script_.end() && !scripted->second.empty()) {
      ByteArray reply = scripted->second.front();
      scripted->second.pop_front();
      return reply;
    }
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
  int Asked(const Text& key) {
    std::lock_guard<std::mutex> hold(serve_lock_);
    return asked_[key];
  }
  void ForgetAsked() {
    std::lock_guard<std::mutex> hold(serve_lock_);
    asked_.clear();
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
  // A reply with `body` after the leading bytes of a JPEG picture.
  static ByteArray Picture(const ByteArray& body) { return MakeReply("200 OK", {}, Jpeg(body)); }
  std::vector<Text> PhotoListTargets() const {
    std::vector<Text> targets;
    for (const ByteArray& request : server_.Requests()) {
      if (RequestTarget(request).starts_with("/photos/")) targets.push_back(RequestTarget(request));
    }
    return targets;
  }

  FlowContext Context() { return FlowContext{state_, &windows_, &shell_, &endpoints_, &hooks_}; }

  // A pool of `workers` workers (five, as in the program) running
  // DownloadPage, each call waiting until the gate opens.
  void StartPool(int workers = 5) {
    std::weak_ptr<ProgramState> weak = state_;
    ASSERT_TRUE(state_->pool.Create(workers, [weak, base = Context(), gate = gate_](TaskValue task) {
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
  // Runs the posted status updates, as the user-interface thread would,
  // until every queued task is done and its final text is shown.
  void WaitUntilDone() {
    for (int i = 0; i < 5000; ++i) {
      windows_.RunPostedCalls();
      if (state_->tasks_pending.load() == 0 && !state_->status_update_queued.load()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    windows_.RunPostedCalls();
    ASSERT_EQ(state_->tasks_pending.load(), 0);
  }
  void Download(int index, const Text& segment) {
    windows_.SelectItem(index);
    DownloadAlbum(Context(), segment);
  }
  std::filesystem::path AlbumPath(const char* caption) const {
    return temp_.path() / "root" / caption;
  }

  TempFolder temp_;
  LoopbackServer server_;
  StatusRecordingWindowOps windows_;
  FakeShell shell_;
  Endpoints endpoints_;
  FlowHooks hooks_;
  std::shared_ptr<ProgramState> state_ = std::make_shared<ProgramState>();
  std::mutex serve_lock_;
  std::map<Text, Text> pages_;                      // "album/page" -> photo list
  std::map<Text, ByteArray> pictures_;              // "/segment/name" -> reply
  std::map<Text, std::deque<ByteArray>> script_;    // target -> replies first
  std::map<Text, int> asked_;                       // target or "album/page" -> requests
  std::promise<void> opening_;
  std::shared_future<void> gate_ = opening_.get_future().share();
  bool gate_open_ = false;
};

TEST_F(AlbumDownloadTest, SavesGoodPicturesAndListsTheOthers) {
  const ByteArray good("\xFF\xD8good\0picture", 14);
  pictures_["/mw690/good.jpg"] = Picture(good);
  pictures_["/mw690/empty.jpg"] = MakeReply("200 OK", {}, "");
  pictures_["/mw690/refused.jpg"] = MakeReply("403 Forbidden", {}, "forbidden but not empty");
  pictures_["/mw690/a/b:c.jpg"] = Picture("escaped");
  pages_["A/1"] = PhotoList({{"good.jpg", "1367640000"},
                             {"missing.jpg", "1367640001"},
                             {"empty.jpg", "1367640002"},
                             {"refused.jpg", "1367640003"},
                             {"a/b:c.jpg", R"("..")"}});
  state_->album_table = {AlbumRecord{"album", "A", "", "", "5", "3"}};
  const std::filesystem::path album = AlbumPath("album");
  std::filesystem::create_directories(album);
  // A good file from an earlier download must survive a failed one.
  { std::ofstream(album / "1367640001_missing.jpg") << "earlier"; }
  state_->saved_count = 5;
  state_->cookie_jar = "SUB=s";
  StartPool();
  OpenGate();

  Download(0, "/mw690/");
  WaitUntilDone();

  EXPECT_EQ(FolderEntries(album),
            (std::vector<std::string>{".._a_b_c.jpg", ".saved-pictures", "1367640000_good.jpg",
                                      "1367640001_missing.jpg", "failed-downloads.txt"}));
  EXPECT_EQ(ReadWholeFile(album / "1367640000_good.jpg"), Jpeg(good));
  EXPECT_EQ(ReadWholeFile(album / "1367640001_missing.jpg"), "earlier");
  EXPECT_EQ(ReadWholeFile(album / ".._a_b_c.jpg"), Jpeg("escaped"));
  // The picture takes its time from "updated_at"; an implausible one is not used.
  EXPECT_EQ(ModifiedSeconds(album / "1367640000_good.jpg"), 1367640000);
  EXPECT_GT(ModifiedSeconds(album / ".._a_b_c.jpg"), 1600000000);
  // Final refusals are asked once; an empty picture is no picture.
  EXPECT_EQ(Asked("/pic/mw690/refused.jpg"), 1);
  EXPECT_EQ(Asked("/pic/mw690/missing.jpg"), 1);
  const Text base = "http://" + server_.HostPort() + "/pic/mw690/";
  EXPECT_EQ(ReadWholeFile(album / "failed-downloads.txt"),
            base + "missing.jpg\r\n" + base + "empty.jpg\r\n" + base + "refused.jpg\r\n");
  EXPECT_EQ(state_->saved_count, 7);  // only the two pictures that were written
  EXPECT_EQ(windows_.StatusText(),
            Gbk("状态:下载结束,有 3 张图片没能下载,它们的地址记在相册文件夹的 "
                "failed-downloads.txt 里;"));

  const std::vector<Text> lists = PhotoListTargets();
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_TRUE(std::regex_match(
      lists[0],
      std::regex(R"(/photos/get_all\?uid=42&album_id=A&count=32&page=1&type=3&__rnd=\d{13})")))
      << lists[0];
  EXPECT_EQ(state_->cookie_jar, "p1=A; SUB=s");

  // Once the pictures are there, the list of failures goes.
  pictures_["/mw690/missing.jpg"] = Picture("found");
  pictures_["/mw690/empty.jpg"] = Picture("full");
  pictures_["/mw690/refused.jpg"] = Picture("allowed");
  Download(0, "/mw690/");
  WaitUntilDone();
  EXPECT_EQ(windows_.StatusText(), kDone);
  EXPECT_FALSE(std::filesystem::exists(album / "failed-downloads.txt"));
  EXPECT_EQ(ReadWholeFile(album / "1367640001_missing.jpg"), Jpeg("found"));
}

TEST_F(AlbumDownloadTest, RetriesPassingFailuresUpToFourTimes) {
  const Text pic = "/pic/large/";
  for (const char* name : {"flaky.jpg", "teapot.jpg", "busy.jpg", "gone.jpg", "slow.jpg"}) {
    pictures_[Text("/large/") + name] = Picture(Text("bytes of ") + name);
  }
  // Passing failures: each is retried until the picture comes.
  script_[pic + "flaky.jpg"] = {MakeReply("503 Service Unavailable", {}, "x"),
                                MakeReply("500 Internal Server Error", {}, "x"),
                                MakeReply("408 Request Timeout", {}, "x"),
                                MakeReply("502 Bad Gateway", {}, "x")};
  script_[pic + "teapot.jpg"] = {MakeReply("418 I'm a teapot", {}, "x")};
  // Always failing: one try and four retries, then it is given up.
  script_[pic + "busy.jpg"] = std::deque<ByteArray>(9, MakeReply("503 Busy", {}, "x"));
  // Final at once.
  script_[pic + "gone.jpg"] = {MakeReply("404 Not Found", {}, "x")};
  // A Retry-After within the limit is waited for.
  script_[pic + "slow.jpg"] = {MakeReply("429 Too Many Requests", {"Retry-After: 1"}, "x")};
  // The photo list fails twice on the way too: once with a status, once cut.
  const Text list = PhotoList({{"flaky.jpg", "1"}, {"teapot.jpg", "2"}, {"busy.jpg", "3"},
                               {"gone.jpg", "4"}, {"slow.jpg", "5"}});
  pages_["R/1"] = list;
  state_->album_table = {AlbumRecord{"retry", "R", "", "", "5", "0"}};
  StartPool();
  OpenGate();
  {
    // The list's first two answers: a 429 and a cut JSON reply.
    server_.Enqueue(MakeReply("429 Too Many Requests", {}, "wait"));
    server_.Enqueue(MakeReply("200 OK", {}, list.substr(0, list.size() / 2)));
  }

  const auto started = std::chrono::steady_clock::now();
  Download(0, "/large/");
  WaitUntilDone();
  const auto took = std::chrono::steady_clock::now() - started;

  EXPECT_EQ(Asked("R/1"), 1);  // the two scripted answers are not counted by the handler
  EXPECT_EQ(Asked(pic + "flaky.jpg"), 5);
  EXPECT_EQ(Asked(pic + "teapot.jpg"), 2);
  EXPECT_EQ(Asked(pic + "busy.jpg"), 5);
  EXPECT_EQ(Asked(pic + "gone.jpg"), 1);
  EXPECT_EQ(Asked(pic + "slow.jpg"), 2);
  EXPECT_GE(took, std::chrono::milliseconds(900));  // slow.jpg waited for its Retry-After
  const std::filesystem::path album = AlbumPath("retry");
  EXPECT_EQ(FolderEntries(album),
            (std::vector<std::string>{".saved-pictures", "1_flaky.jpg", "2_teapot.jpg",
                                      "5_slow.jpg", "failed-downloads.txt"}));
  EXPECT_EQ(ReadWholeFile(album / "1_flaky.jpg"), Jpeg("bytes of flaky.jpg"));
  EXPECT_EQ(state_->saved_count, 3);
  EXPECT_EQ(state_->failed_count.load(), 2);
}

TEST_F(AlbumDownloadTest, ASecondDownloadFetchesOnlyWhatIsMissing) {
  std::vector<std::pair<Text, Text>> names;
  for (int i = 1; i <= 40; ++i) {
    const Text name = "p" + std::to_string(i) + ".jpg";
    names.emplace_back(name, "1367640000");
    pictures_["/large/" + name] = Picture("large " + name);
    pictures_["/mw690/" + name] = Picture("middle " + name);
  }
  pages_["S/1"] = PhotoList({names.begin(), names.begin() + 32});
  pages_["S/2"] = PhotoList({names.begin() + 32, names.end()});
  state_->album_table = {AlbumRecord{"same", "S", "", "", "40", "0"}};
  const std::filesystem::path album = AlbumPath("same");
  std::filesystem::create_directories(album);
  // Saved before the record existed: not known, so fetched again.
  { std::ofstream(album / "1367640000_p1.jpg") << "large p1.jpg"; }
  // Left by an ended process, and a hidden file that is not such a leftover.
  { std::ofstream(album / ".1367640000_p2.jpg.17.part") << "half"; }
  { std::ofstream(album / ".keep.part") << "mine"; }
  StartPool();
  OpenGate();

  Download(0, "/large/");
  WaitUntilDone();
  EXPECT_EQ(Asked("/pic/large/p1.jpg"), 1);
  EXPECT_FALSE(std::filesystem::exists(album / ".1367640000_p2.jpg.17.part"));
  EXPECT_TRUE(std::filesystem::exists(album / ".keep.part"));
  EXPECT_EQ(state_->saved_count, 40);

  // The same size again: only the damaged picture is fetched; the rest count.
  { std::ofstream(album / "1367640000_p7.jpg") << "cut"; }
  ForgetAsked();
  Download(0, "/large/");
  WaitUntilDone();
  EXPECT_EQ(windows_.StatusText(), kDone);
  EXPECT_EQ(state_->saved_count, 80);
  int fetched = 0;
  for (int i = 1; i <= 40; ++i) fetched += Asked("/pic/large/p" + std::to_string(i) + ".jpg");
  EXPECT_EQ(fetched, 1);
  EXPECT_EQ(Asked("/pic/large/p7.jpg"), 1);
  EXPECT_EQ(ReadWholeFile(album / "1367640000_p7.jpg"), Jpeg("large p7.jpg"));

  // Another size replaces every picture.
  Download(0, "/mw690/");
  WaitUntilDone();
  for (int i = 1; i <= 40; ++i) {
    const std::string name = "p" + std::to_string(i) + ".jpg";
    EXPECT_EQ(ReadWholeFile(album / ("1367640000_" + name)), Jpeg("middle " + name));
  }
  // ... and is known in that size afterwards.
  ForgetAsked();
  Download(0, "/mw690/");
  WaitUntilDone();
  EXPECT_EQ(Asked("/pic/mw690/p40.jpg"), 0);
  EXPECT_EQ(FolderEntries(album).size(), 42u);  // 40 pictures, the record and .keep.part
}

TEST_F(AlbumDownloadTest, QueuedAlbumsShowOneFinishingTextAtTheirEnd) {
  state_->album_table = {AlbumRecord{"x", "X", "", "", "70", "3"},
                         AlbumRecord{Gbk("日记: 夏天?*/\\"), "B", "", "", Gbk("６５"), "5"}};
  for (const char* album : {"X", "B"}) {
    for (int page = 1; page <= 3; ++page) {
      std::vector<std::pair<Text, Text>> names;
      for (int i = 0; i < (page == 3 ? 1 : 32); ++i) {
        const Text name = Text(album) + std::to_string(page) + "_" + std::to_string(i) + ".jpg";
        names.emplace_back(name, std::to_string(page));
        pictures_["/mw1024/" + name] = Picture("big" + name);
      }
      pages_[Text(album) + "/" + std::to_string(page)] = PhotoList(names);
    }
  }
  StartPool();

  Download(0, "/mw1024/");
  Download(1, "/mw1024/");
  std::vector<std::string> disabling;
  for (const std::string& call : windows_.Calls()) {
    if (call.rfind("SetDisabled album", 0) == 0) disabling.push_back(call);
  }
  EXPECT_EQ(disabling.size(), 8u);
  EXPECT_THAT(std::vector<std::string>(disabling.begin(), disabling.begin() + 4),
              ElementsAre("SetDisabled album-menu 1", "SetDisabled album-view 1",
                          "SetDisabled album-menu 0", "SetDisabled album-view 0"));
  EXPECT_EQ(state_->pages_total, 3);  // a full-width 65

  // Another user and another size while the pages wait: they keep theirs.
  state_->user_id = "other";
  state_->download_root = JoinPath(temp_.text(), "elsewhere");
  state_->size_segment = "/large/";
  state_->album_table.clear();
  const auto opened = std::chrono::steady_clock::now();
  OpenGate();
  WaitUntilDone();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::steady_clock::now() - opened).count();

  const std::vector<Text> history = windows_.History();
  ASSERT_FALSE(history.empty());
  EXPECT_EQ(history.back(), kDone);
  EXPECT_EQ(std::count(history.begin(), history.end(), kDone), 1);
  for (std::size_t i = 0; i + 1 < history.size(); ++i) {
    EXPECT_TRUE(history[i].starts_with(Gbk("状态:当前已下载 "))) << i;
  }
  // Throttled to about ten texts a second, not one per picture, however
  // long a loaded machine takes for the 130 pictures.
  EXPECT_LT(history.size(), 100u);
  EXPECT_LE(history.size(), static_cast<std::size_t>(12 * seconds + 12));
  EXPECT_EQ(state_->saved_count, 130);

  const std::filesystem::path album = Below(temp_.path(), {"root", "日记_ 夏天____"});
  EXPECT_EQ(FolderEntries(album).size(), 66u);
  EXPECT_EQ(ReadWholeFile(album / "3_B3_0.jpg"), Jpeg("bigB3_0.jpg"));
  for (const Text& target : PhotoListTargets()) {
    EXPECT_TRUE(std::regex_match(
        target,
        std::regex(R"(/photos/get_all\?uid=42&album_id=(B&count=32&page=[123]&type=5|X&count=32&page=[123]&type=3)&.*)")))
        << target;
  }
  // Every worker's cookies end up in the one jar.
  for (const char* cookie : {"p1=", "p2=", "p3="}) {
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
  EXPECT_EQ(state_->tasks_pending.load(), 0);
  EXPECT_TRUE(std::filesystem::is_directory(temp_.path() / "root" / "x"));
  EXPECT_TRUE(server_.Requests().empty());
}

TEST_F(AlbumDownloadTest, OnlyPicturesAreSavedAsPictures) {
  const ByteArray page = "<!DOCTYPE html>\n<html><body>sign in</body></html>\n";
  const std::vector<Text> html = {"Content-Type: text/html; charset=utf-8"};
  pictures_["/mw690/page.jpg"] = MakeReply("200 OK", html, page);
  pictures_["/mw690/typed.jpg"] = MakeReply("200 OK", html, Jpeg("but called a page"));
  pictures_["/mw690/late.jpg"] = Picture("late");
  script_["/pic/mw690/late.jpg"] = {MakeReply("200 OK", html, page)};
  pictures_["/mw690/p.png"] =
      MakeReply("200 OK", {"Content-Type: image/png"}, ByteArray("\x89PNG\r\n\x1A\n", 8) + "png");
  pictures_["/mw690/w.webp"] = MakeReply("200 OK", {}, ByteArray("RIFF\x10\0\0\0WEBPVP8 ", 16));
  pictures_["/mw690/g.gif"] = MakeReply("200 OK", {}, "GIF89a-new");
  pictures_["/mw690/b.bmp"] = MakeReply("200 OK", {}, "BM-bitmap");
  pages_["H/1"] = PhotoList({{"page.jpg", "1"}, {"typed.jpg", "2"}, {"late.jpg", "3"},
                             {"p.png", "4"}, {"w.webp", "5"}, {"g.gif", "6"}, {"b.bmp", "7"}});
  state_->album_table = {AlbumRecord{"html", "H", "", "", "7", "0"}};
  const std::filesystem::path album = AlbumPath("html");
  std::filesystem::create_directories(album);
  // The record lists two pictures: one still of its recorded size, one not.
  { std::ofstream(album / "6_g.gif") << "GIF89a-old"; }
  { std::ofstream(album / "7_b.bmp") << "<html>"; }
  {
    std::ofstream(album / ".saved-pictures", std::ios::binary)
        << SavedPictures::Line("6_g.gif", "/mw690/", 10) << SavedPictures::Line("7_b.bmp", "/mw690/", 9);
  }
  StartPool();
  OpenGate();

  Download(0, "/mw690/");
  WaitUntilDone();
  EXPECT_EQ(FolderEntries(album),
            (std::vector<std::string>{".saved-pictures", "3_late.jpg", "4_p.png", "5_w.webp",
                                      "6_g.gif", "7_b.bmp", "failed-downloads.txt"}));
  // A page in place of a picture fails in passing: tried again, then listed.
  EXPECT_EQ(Asked("/pic/mw690/page.jpg"), 5);
  EXPECT_EQ(Asked("/pic/mw690/typed.jpg"), 5);
  EXPECT_EQ(Asked("/pic/mw690/late.jpg"), 2);
  EXPECT_EQ(Asked("/pic/mw690/g.gif"), 0);
  EXPECT_EQ(Asked("/pic/mw690/b.bmp"), 1);
  EXPECT_EQ(ReadWholeFile(album / "3_late.jpg"), Jpeg("late"));
  EXPECT_EQ(ReadWholeFile(album / "6_g.gif"), "GIF89a-old");
  EXPECT_EQ(ReadWholeFile(album / "7_b.bmp"), "BM-bitmap");
  const Text base = "http://" + server_.HostPort() + "/pic/mw690/";
  EXPECT_EQ(ReadWholeFile(album / "failed-downloads.txt"),
            base + "page.jpg\r\n" + base + "typed.jpg\r\n");
  const SavedPictures saved = SavedPictures::Parse(ReadWholeFile(album / ".saved-pictures"));
  EXPECT_FALSE(saved.Lists("1_page.jpg"));
  EXPECT_FALSE(saved.Lists("2_typed.jpg"));
  EXPECT_EQ(state_->saved_count, 5);
  EXPECT_EQ(windows_.StatusText(),
            Gbk("状态:下载结束,有 2 张图片没能下载,它们的地址记在相册文件夹的 "
                "failed-downloads.txt 里;"));

  // The service answers with pictures again: a repeat fetches only those.
  pictures_["/mw690/page.jpg"] = Picture("page");
  pictures_["/mw690/typed.jpg"] = MakeReply("200 OK", {"Content-Type: image/jpeg"}, Jpeg("typed"));
  ForgetAsked();
  Download(0, "/mw690/");
  WaitUntilDone();
  EXPECT_EQ(Asked("/pic/mw690/page.jpg") + Asked("/pic/mw690/typed.jpg"), 2);
  EXPECT_EQ(Asked("/pic/mw690/late.jpg"), 0);
  EXPECT_EQ(windows_.StatusText(), kDone);
  EXPECT_FALSE(std::filesystem::exists(album / "failed-downloads.txt"));
  EXPECT_EQ(state_->saved_count, 12);
}

TEST_F(AlbumDownloadTest, ASignedOutListStopsTheRoundAndKeepsWhatItDidNotTry) {
  int ended = 0;
  hooks_.sign_in_ended = [this, &ended](const FlowContext& context) {
    ++ended;
    EXPECT_EQ(context.state, state_);
    EXPECT_TRUE(windows_.StatusText().starts_with(kSignInEndedText));  // said before
  };
  const Text signed_out = R"({"result":false,"code":"A0001","msg":"请先登录","data":null})";
  for (const char* page : {"S/1", "S/2", "S/3"}) pages_[page] = signed_out;
  state_->album_table = {AlbumRecord{"signed", "S", "", "", "70", "0"}};
  const std::filesystem::path album = AlbumPath("signed");
  std::filesystem::create_directories(album);
  const Text base = "http://" + server_.HostPort() + "/pic/mw690/";
  {
    std::ofstream(album / "failed-downloads.txt", std::ios::binary)
        << base << "a.jpg\r\n" << base << "b.jpg\r\nhttp://old/photos/get_all?uid=42&page=9\r\n";
  }
  state_->saved_count = 3;
  StartPool(1);  // one page after another
  OpenGate();

  Download(0, "/mw690/");
  WaitUntilDone();
  // The first page said the sign-in is gone: no other page is asked for.
  EXPECT_EQ(Asked("S/1"), 1);
  EXPECT_EQ(Asked("S/2") + Asked("S/3"), 0);
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(windows_.StatusText(),
            Gbk("状态:登录已失效,请重新登录后再下载!有 70 张图片没能下载,它们的地址记在相册文件夹的 "
                "failed-downloads.txt 里;"));
  EXPECT_EQ(state_->saved_count, 3);
  // The old list's pictures stay listed after the pages of this round.
  std::vector<Text> lines = SplitBytes(ReadWholeFile(album / "failed-downloads.txt"), "\r\n");
  ASSERT_EQ(lines.size(), 5u);
  for (int page = 1; page <= 3; ++page) {
    EXPECT_THAT(lines[page - 1], HasSubstr("/photos/get_all?uid=42&album_id=S&count=32&page=" +
                                           std::to_string(page) + "&"));
  }
  EXPECT_EQ(lines[3], base + "a.jpg");
  EXPECT_EQ(lines[4], base + "b.jpg");

  // Signed in again: a page that is no list is tried again, then counted.
  pages_["S/1"] = PhotoList({{"a.jpg", "1"}});
  pictures_["/mw690/a.jpg"] = Picture("a");
  pages_["S/2"] = R"({"result":false,"code":"A0004","msg":"x","data":null})";
  pages_["S/3"] = R"({"result":true,"data":{"total":70}})";
  ForgetAsked();
  Download(0, "/mw690/");
  WaitUntilDone();
  EXPECT_EQ(Asked("S/2"), 5);
  EXPECT_EQ(Asked("S/3"), 5);
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(windows_.StatusText(),
            Gbk("状态:下载结束,有 38 张图片没能下载,它们的地址记在相册文件夹的 "
                "failed-downloads.txt 里;"));
  lines = SplitBytes(ReadWholeFile(album / "failed-downloads.txt"), "\r\n");
  ASSERT_EQ(lines.size(), 3u);  // pages 2 and 3, and b.jpg, which was not tried
  EXPECT_THAT(lines[0], HasSubstr("&page=2&"));
  EXPECT_THAT(lines[1], HasSubstr("&page=3&"));
  EXPECT_EQ(lines[2], base + "b.jpg");

  // Every page listed: the round tried every picture, and nothing failed.
  pages_["S/2"] = PhotoList({});
  pages_["S/3"] = PhotoList({});
  Download(0, "/mw690/");
  WaitUntilDone();
  EXPECT_EQ(windows_.StatusText(), kDone);
  EXPECT_FALSE(std::filesystem::exists(album / "failed-downloads.txt"));
  EXPECT_EQ(state_->saved_count, 5);  // never reset
}

// The standard file system, except that while `problem` is set every write
// fails and a probe of a folder says `problem`.
class FailingFileSystem : public StdFileSystem {
 public:
  std::atomic<WriteProblem> problem{WriteProblem::kNone};

  bool ReplaceFile(const Text& path, const ByteArray& bytes) override {
    return !Failing() && StdFileSystem::ReplaceFile(path, bytes);
  }
  std::unique_ptr<FileReplacement> BeginReplace(const Text& path) override {
    if (!Failing()) return StdFileSystem::BeginReplace(path);
    class Refusing : public FileReplacement {
      bool Write(const char*, std::size_t) override { return false; }
      bool Commit(std::optional<std::int64_t>) override { return false; }
    };
    return std::make_unique<Refusing>();
  }
  std::unique_ptr<FileAppender> OpenForAppend(const Text& path) override {
    return Failing() ? nullptr : StdFileSystem::OpenForAppend(path);
  }
  WriteProblem ProbeFolder(const Text& folder) override {
    return Failing() ? problem.load() : StdFileSystem::ProbeFolder(folder);
  }

 private:
  bool Failing() const { return problem.load() != WriteProblem::kNone; }
};

TEST_F(AlbumDownloadTest, AFolderThatTakesNoFilesCostsNoFurtherRequests) {
  const auto album_of = [this](const Text& id, int count) {
    std::vector<std::pair<Text, Text>> names;
    for (int i = 1; i <= count; ++i) {
      names.emplace_back(id + std::to_string(i) + ".jpg", "1");
      pictures_["/mw690/" + names.back().first] = Picture(names.back().first);
    }
    for (int page = 1; (page - 1) * 32 < count; ++page) {
      const auto first = names.begin() + (page - 1) * 32;
      pages_[id + "/" + std::to_string(page)] =
          PhotoList({first, names.end() - first > 32 ? first + 32 : names.end()});
    }
  };
  const auto pictures_asked = [this](const Text& id, int count) {
    int asked = 0;
    for (int i = 1; i <= count; ++i) asked += Asked("/pic/mw690/" + id + std::to_string(i) + ".jpg");
    return asked;
  };
  album_of("G", 3);
  album_of("D", 40);
  album_of("E", 3);
  state_->album_table = {AlbumRecord{"gone", "G", "", "", "3", "0"},
                         AlbumRecord{"full", "D", "", "", "40", "0"},
                         AlbumRecord{"locked", "E", "", "", "3", "0"}};
  StartPool(1);

  // The folder is removed after the download was queued.
  Download(0, "/mw690/");
  std::filesystem::remove_all(AlbumPath("gone"));
  OpenGate();
  WaitUntilDone();
  EXPECT_EQ(pictures_asked("G", 3), 1);
  EXPECT_EQ(windows_.StatusText(),
            Gbk("状态:下载结束,有 3 张图片没能下载,相册文件夹无法写入:文件夹已不存在,"
                "没能记下它们的地址;"));
  EXPECT_FALSE(std::filesystem::exists(AlbumPath("gone")));

  FailingFileSystem files;
  FileSystem* before = ReplaceDefaultFileSystem(&files);
  files.problem = WriteProblem::kDiskFull;
  Download(1, "/mw690/");
  WaitUntilDone();
  EXPECT_EQ(pictures_asked("D", 40), 1);
  EXPECT_EQ(state_->failed_count.load(), 40);
  EXPECT_EQ(state_->saved_count, 0);
  EXPECT_EQ(windows_.StatusText(),
            Gbk("状态:下载结束,有 40 张图片没能下载,相册文件夹无法写入:磁盘已满,"
                "没能记下它们的地址;"));
  EXPECT_FALSE(std::filesystem::exists(AlbumPath("full") / "failed-downloads.txt"));

  files.problem = WriteProblem::kNoPermission;
  Download(2, "/mw690/");
  WaitUntilDone();
  EXPECT_EQ(pictures_asked("E", 3), 1);
  EXPECT_EQ(windows_.StatusText(),
            Gbk("状态:下载结束,有 3 张图片没能下载,相册文件夹无法写入:没有写入权限,"
                "没能记下它们的地址;"));

  // Room again: a repeat fetches what was not.
  files.problem = WriteProblem::kNone;
  ForgetAsked();
  Download(1, "/mw690/");
  WaitUntilDone();
  EXPECT_EQ(pictures_asked("D", 40), 40);
  EXPECT_EQ(windows_.StatusText(), kDone);
  EXPECT_EQ(state_->saved_count, 40);
  ReplaceDefaultFileSystem(before);
}

TEST(FreshCookiesTest, LaterReplyWinsAndOthersStay) {
  Text jar = "a=1; b=1; c=1";
  MergeFreshCookies(&jar, "a=2;d=1;a=3;b=deleted");
  EXPECT_EQ(jar, "d=1; a=3; c=1");
}

}  // namespace
}  // namespace weibo
