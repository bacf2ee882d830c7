// Profile resolution, the album list and the shell commands, against a
// loopback server.
#include "albums/album_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <regex>
#include <thread>

#include "albums/album_download.h"
#include "albums/path_names.h"
#include "albums/placeholder_cover.h"
#include "albums/profile_value.h"
#include "flow/recording_window_ops.h"
#include "support/reencode_image.h"
#include "tests/common/flow_teardown.h"
#include "tests/common/loopback_server.h"
#include "tests/common/test_support.h"

namespace weibo {
namespace {

using ::testing::ElementsAre;

const char kOid[] = "$CONFIG['oid']='";

Text ProfilePage(const Text& oid, const Text& onick) {
  return "<script>\nvar $CONFIG = {};\n$CONFIG['islogin']='1'; \n" + Text(kOid) + oid +
         "'; \n$CONFIG['onick']='" + onick + "'; \n</script>";
}

Text AlbumListJson(const std::vector<Text>& albums) {
  Text list;
  for (const Text& album : albums) list += (list.empty() ? "" : ",") + album;
  return R"({"result":true,"data":{"total":)" + std::to_string(albums.size()) +
         R"(,"album_list":[)" + list + "]}}";
}

// A 24-bit BMP `width` pixels wide and one pixel high: a distinct cover
// for every width.
ByteArray OneRowBmp(int width) {
  const int row = (width * 3 + 3) / 4 * 4;
  auto le = [](ByteArray& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  };
  ByteArray bmp = "BM";
  le(bmp, static_cast<std::uint32_t>(54 + row), 4);
  le(bmp, 0, 4);
  le(bmp, 54, 4);
  le(bmp, 40, 4);
  le(bmp, static_cast<std::uint32_t>(width), 4);
  le(bmp, 1, 4);
  le(bmp, 1, 2);
  le(bmp, 24, 2);
  for (int i = 0; i < 6; ++i) le(bmp, 0, 4);
  for (int x = 0; x < row; ++x) bmp.push_back(static_cast<char>(x * 37 + width));
  return bmp;
}

// A two-colour BMP of `width` x `height` pixels (1 bit per pixel, so even a
// very large picture is a small file), stripes of both colours.
ByteArray MonochromeBmp(int width, int height) {
  const std::uint32_t row = static_cast<std::uint32_t>((width + 31) / 32 * 4);
  auto le = [](ByteArray& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  };
  const std::uint32_t data = row * static_cast<std::uint32_t>(height);
  ByteArray bmp = "BM";
  for (std::uint32_t value : {62 + data, 0u, 62u, 40u}) le(bmp, value, 4);
  le(bmp, static_cast<std::uint32_t>(width), 4);
  le(bmp, static_cast<std::uint32_t>(height), 4);
  le(bmp, 1, 2);
  le(bmp, 1, 2);
  for (std::uint32_t value : {0u, data, 2835u, 2835u, 2u, 2u}) le(bmp, value, 4);
  le(bmp, 0x000000, 4);
  le(bmp, 0xFFFFFF, 4);
  bmp.append(data, '\x0F');
  return bmp;
}

// The width and height in a JPEG's frame header; 0 x 0 when there is none.
std::pair<int, int> JpegSize(const ByteArray& jpeg) {
  for (std::size_t i = 2; i + 9 < jpeg.size();) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(jpeg[k]); };
    if (byte(i) != 0xFF) return {0, 0};
    const unsigned marker = byte(i + 1);
    if (marker >= 0xC0 && marker <= 0xC3) {
      return {byte(i + 7) * 256 + byte(i + 8), byte(i + 5) * 256 + byte(i + 6)};
    }
    i += 2 + byte(i + 2) * 256u + byte(i + 3);
  }
  return {0, 0};
}

class AlbumListTest : public ::testing::Test {
 protected:
  AlbumListTest() : shell_(temp_.text()) {
    endpoints_.main_host = endpoints_.photo_host = endpoints_.static_host = server_.HostPort();
    // Any decodable picture will do as a cover.
    const ByteArray cover = MakeReply("200 OK", {"Content-Type: image/bmp"}, cover_bmp_);
    routes_["/cover.bmp"] = cover;
    routes_["/t4/appstyle/photo/images/common/status_0.png"] = cover;
    server_.SetHandler([this](const ByteArray& request) {
      const Text target = RequestTarget(request);
      const Text path = target.substr(0, target.find('?'));
      const bool list = path == "/albums/get_all";
      if (list && hold_lists_) lists_released_.wait_for(std::chrono::seconds(10));
      if (path.starts_with("/cover/")) {
        return MakeReply("200 OK", {"Content-Type: image/bmp"},
                         OneRowBmp(static_cast<int>(TextToInteger(path.substr(7)))));
      }
      const std::map<Text, ByteArray>& table = list ? albums_ : routes_;
      auto found = table.find(list ? QueryValue(target, "uid") : path);
      if (found != table.end()) return found->second;
      return list ? MakeReply("200 OK", {}, R"({"result":false,"data":null})")
                  : MakeReply("404 Not Found", {}, "");
    });
  }

  ~AlbumListTest() override {
    // No lookup task may outlive the windows and servers it uses.
    ReleaseLists();
    StopWorkers(*state_);
  }

  void ServeProfile(const Text& path, const Text& page, std::vector<Text> headers = {}) {
    headers.push_back("Content-Type: text/html; charset=utf-8");
    routes_[path] = MakeReply("200 OK", headers, page);
  }
  // The album list of `uid`; other users get an error reply.
  void ServeAlbums(const Text& uid, const std::vector<Text>& albums) {
    albums_[uid] = MakeReply("200 OK", {"Content-Type: application/json"}, AlbumListJson(albums));
  }
  // One album element of the album-list reply.
  Text Album(const Text& caption, int photos, Text cover = "cover") {
    if (cover == "cover") cover = "http://" + server_.HostPort() + "/cover.bmp";
    return R"({"album_id":"355)" + std::to_string(photos) + R"(","caption":")" + caption +
           R"(","type":3,"cover_pic":")" + cover + R"(","updated_at":1367640000,)" +
           R"("count":{"photos":)" + std::to_string(photos) + "}}";
  }
  bool Resolve(const Text& path) {
    state_->profile_address = "http://" + server_.HostPort() + path;
    return ResolveProfile(Context());
  }
  // Runs the calls posted to the user-interface thread until `done` holds;
  // false after ten seconds.
  bool PumpUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 10000; ++i) {
      windows_.RunPostedCalls();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }
  // The first request whose target begins with `prefix`.
  ByteArray RequestTo(const Text& prefix) const {
    for (const ByteArray& request : server_.Requests()) {
      if (RequestTarget(request).starts_with(prefix)) return request;
    }
    return ByteArray();
  }

  FlowContext Context() { return FlowContext{state_, &windows_, &shell_, &endpoints_}; }

  TempFolder temp_;
  LoopbackServer server_;
  RecordingWindowOps windows_;
  FakeShell shell_;
  Endpoints endpoints_;
  std::shared_ptr<ProgramState> state_ = std::make_shared<ProgramState>();
  ByteArray cover_bmp_ = PlaceholderCoverIcon();
  std::map<Text, ByteArray> routes_;  // path -> reply
  std::map<Text, ByteArray> albums_;  // uid -> album list reply
  // While hold_lists_ is set, album list requests wait for ReleaseLists().
  std::atomic<bool> hold_lists_ = false;
  std::promise<void> release_lists_;
  std::shared_future<void> lists_released_ = release_lists_.get_future().share();
  bool lists_release_sent_ = false;
  void ReleaseLists() {
    if (!lists_release_sent_) release_lists_.set_value();
    lists_release_sent_ = true;
  }
};

TEST(ValueBetweenMarkersTest, FirstValueWithOneReanchoring) {
  EXPECT_EQ(ValueBetweenMarkers(ProfilePage("12345", "abc"), kOid, "'; "), "12345");
  // The start marker twice before the end marker: the later one counts,
  // re-anchored once only.
  EXPECT_EQ(ValueBetweenMarkers("<s>a<s>b<s>c<e>", "<s>", "<e>"), "b<s>c");
  // Only the first value is taken.
  EXPECT_EQ(ValueBetweenMarkers("<s>a<e><s>b<e>", "<s>", "<e>"), "a");
  EXPECT_EQ(ValueBetweenMarkers("<e><s>a", "<s>", "<e>"), "");
  // The markers are compared with their letter case.
  EXPECT_EQ(ValueBetweenMarkers("$config['oid']='1'; ", kOid, "'; "), "");
}

TEST_F(AlbumListTest, ResolvesProfileListsAlbumsAndMergesCookies) {
  ServeProfile("/home", ProfilePage("12345", "abc"), {"Set-Cookie: SUB=fresh; path=/"});
  ServeAlbums("12345", {Album("abc", 100), Album("旅行", 0)});
  state_->cookie_jar = "SUB=old; other=1";
  state_->pages_done = 7;

  ASSERT_TRUE(Resolve("/home"));
  EXPECT_EQ(state_->nickname, "abc");
  EXPECT_EQ(state_->download_root, temp_.text() + "\\" + Gbk("abc - 微相册"));
  EXPECT_TRUE(std::filesystem::is_directory(Below(temp_.path(), {"abc - 微相册"})));
  EXPECT_EQ(state_->pages_done, 0);

  // The album list request, exactly, with the jar the profile page updated.
  EXPECT_EQ(RequestHeader(RequestTo("/home"), "Cookie"), "SUB=old; other=1");
  const ByteArray album_list = RequestTo("/albums/");
  EXPECT_TRUE(
      std::regex_match(RequestTarget(album_list),
                       std::regex(R"(/albums/get_all\?uid=12345&page=1&count=64&__rnd=\d{13})")))
      << album_list;
  EXPECT_EQ(RequestHeader(album_list, "Cookie"), "SUB=fresh; other=1");
  EXPECT_EQ(state_->cookie_jar, "SUB=fresh; other=1");

  ASSERT_EQ(state_->album_table.size(), 2u);
  EXPECT_EQ(state_->album_table[0].album_id, "355100");
  ASSERT_EQ(windows_.Items().size(), 2u);
  EXPECT_EQ(windows_.Items()[1].label, Gbk("旅行_0张"));
  EXPECT_EQ(windows_.LargeIconList().pictures.at(0).substr(0, 2),
            "\xFF\xD8");  // covers become JPEG
}

TEST_F(AlbumListTest, AFailedLookupKeepsThePreviousUserCurrent) {
  ServeProfile("/first", ProfilePage("111", "first"));
  ServeProfile("/no-nick", "<script>" + Text(kOid) + "222'; </script>");
  ServeProfile("/mistyped", "<html>no such page</html>");
  ServeAlbums("111", {Album("a", 40)});
  ASSERT_TRUE(Resolve("/first"));
  const Text root = state_->download_root;
  const std::size_t requests_before = server_.Requests().size();

  EXPECT_FALSE(Resolve("/no-nick"));
  EXPECT_FALSE(Resolve("/mistyped"));
  ASSERT_EQ(windows_.MessageBoxes().size(), 2u);
  for (const RecordingWindowOps::MessageBoxCall& box : windows_.MessageBoxes()) {
    EXPECT_EQ(box.text, "onick or oid");
    EXPECT_EQ(box.title, "erro");
    EXPECT_EQ(box.flags, 0);
  }
  EXPECT_EQ(server_.Requests().size(), requests_before + 2);  // no album request
  // The user on screen is still the current one, in every value.
  EXPECT_EQ(state_->user_id, "111");
  EXPECT_EQ(state_->nickname, "first");
  EXPECT_EQ(state_->download_root, root);
  EXPECT_EQ(windows_.Title(WindowId::kMain), Gbk("first - 微相册"));
  ASSERT_EQ(state_->album_table.size(), 1u);
  ASSERT_EQ(windows_.Items().size(), 1u);

  // Downloading the album shown asks for that user's pictures, into that
  // user's folder.
  std::promise<PageTask> queued;
  ASSERT_TRUE(state_->pool.Create(1, [&](TaskValue value) {
    std::unique_ptr<PageTask> task(reinterpret_cast<PageTask*>(value));
    if (task->page == 2) queued.set_value(*task);
  }));
  windows_.SelectItem(0);
  DownloadAlbum(Context(), "/mw690/");
  auto task = queued.get_future();
  ASSERT_EQ(task.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  const PageTask second_page = task.get();
  ASSERT_NE(second_page.job, nullptr);
  EXPECT_EQ(second_page.job->user_id, "111");
  EXPECT_EQ(second_page.job->folder, JoinPath(root, "a"));

  // A broken album reply gives an empty list, with the root made.
  ServeProfile("/u/6", ProfilePage("6", "six"));
  albums_["6"] = MakeReply("500 Internal Server Error", {}, "<html>busy</html>");
  EXPECT_TRUE(Resolve("/u/6"));
  EXPECT_TRUE(state_->album_table.empty());
  EXPECT_TRUE(windows_.Items().empty());
  EXPECT_TRUE(std::filesystem::is_directory(Below(temp_.path(), {"six - 微相册"})));
}

TEST_F(AlbumListTest, ShowsAtMost64AlbumsWithTheirOwnIconsInOrder) {
  std::vector<Text> albums;
  for (int i = 0; i < 70; ++i) {
    albums.push_back(Album("a" + std::to_string(i), i,
                           "http://" + server_.HostPort() + "/cover/" + std::to_string(i + 1)));
  }
  // Album 1 has no cover: the static host's placeholder is asked for.
  albums[1] = Album("empty cover", 1, "");
  // Album 2's cover is no picture, album 3's cannot be reached.
  albums[2] = Album("bad cover", 2, "http://" + server_.HostPort() + "/profile-page");
  albums[3] = Album("gone cover", 3, "http://127.0.0.1:1/cover.jpg");
  // Album 4 has no cover key at all: its address reads "0".
  albums[4] = R"({"album_id":"9","caption":"no key","type":3,"count":{"photos":4}})";
  ServeProfile("/profile-page", ProfilePage("7", "many"));
  ServeAlbums("7", albums);
  ASSERT_TRUE(Resolve("/profile-page"));

  // Covers arrive in any order; each album keeps its own, in reply order.
  const PictureSize kKept{kCoverKeptSize, kCoverKeptSize};
  ASSERT_EQ(windows_.Items().size(), 64u);
  const ImageList icons = windows_.LargeIconList();
  ASSERT_EQ(icons.pictures.size(), 64u);
  for (int i = 0; i < 64; ++i) {
    const RecordingWindowOps::Item item = windows_.Items()[static_cast<std::size_t>(i)];
    EXPECT_EQ(item.picture_index, i);
    if (i > 4) {
      EXPECT_EQ(item.label, "a" + std::to_string(i) + "_" + std::to_string(i) + Gbk("张"));
      ByteArray expected;
      ASSERT_TRUE(FitAndReencodeImage(OneRowBmp(i + 1), kKept, kImageJpeg, &expected));
      EXPECT_TRUE(icons.pictures[static_cast<std::size_t>(i)] == expected) << "icon " << i;
    }
  }
  EXPECT_EQ(state_->album_table[1].cover_address,
            "http://" + server_.HostPort() + "/t4/appstyle/photo/images/common/status_0.png");
  ByteArray placeholder_jpeg;
  ASSERT_TRUE(FitAndReencodeImage(cover_bmp_, kKept, kImageJpeg, &placeholder_jpeg));
  EXPECT_EQ(icons.pictures[1], placeholder_jpeg);
  EXPECT_EQ(icons.pictures[2], PlaceholderCoverIcon());
  EXPECT_EQ(icons.pictures[3], PlaceholderCoverIcon());
  EXPECT_EQ(state_->album_table[4].cover_address, "0");
  EXPECT_EQ(icons.pictures[4], PlaceholderCoverIcon());
  EXPECT_EQ(windows_.Items()[4].label, Gbk("no key_4张"));
  // The view was emptied once and given its icons once.
  const std::vector<std::string> calls = windows_.Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "ClearItems"), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "SetLargeIconList 64"), 1);
}

TEST_F(AlbumListTest, OversizedCoversAndRepliesLeaveOnlySmallPicturesBehind) {
  const Text base = "http://" + server_.HostPort();
  auto serve_cover = [&](const Text& path, const ByteArray& picture) {
    routes_[path] = MakeReply("200 OK", {"Content-Type: image/bmp"}, picture);
  };
  serve_cover("/wide.bmp", MonochromeBmp(1200, 600));
  serve_cover("/small.bmp", MonochromeBmp(40, 20));
  // More pixels than any cover may have, in a file of 2 MiB.
  serve_cover("/huge.bmp", MonochromeBmp(4200, 4200));
  // A file larger than any cover may be.
  serve_cover("/heavy.bmp", OneRowBmp(3 << 20));
  ServeProfile("/p", ProfilePage("8", "big"));
  ServeAlbums("8", {Album("wide", 1, base + "/wide.bmp"), Album("small", 1, base + "/small.bmp"),
                    Album("huge", 1, base + "/huge.bmp"), Album("heavy", 1, base + "/heavy.bmp")});
  ASSERT_TRUE(Resolve("/p"));
  const ImageList icons = windows_.LargeIconList();
  ASSERT_EQ(icons.pictures.size(), 4u);
  // Only the picture fitted into the kept size is kept; a small one is not
  // enlarged (the windows do that for their scale).
  EXPECT_EQ(JpegSize(icons.pictures[0]), std::make_pair(kCoverKeptSize, kCoverKeptSize / 2));
  EXPECT_EQ(JpegSize(icons.pictures[1]), std::make_pair(40, 20));
  EXPECT_EQ(icons.pictures[2], PlaceholderCoverIcon());
  EXPECT_EQ(icons.pictures[3], PlaceholderCoverIcon());

  // A text reply past its cap is cut off: the listing is empty, and the
  // program goes on.
  const Text padding((std::size_t{32} << 20) + 1, ' ');
  albums_["9"] = MakeReply("200 OK", {"Content-Type: application/json"},
                           AlbumListJson({Album("lost", 1)}) + padding);
  ServeProfile("/q", ProfilePage("9", "long"));
  ASSERT_TRUE(Resolve("/q"));
  EXPECT_EQ(state_->album_table.size(), 0u);
  EXPECT_EQ(windows_.Title(WindowId::kMain), Gbk("long - 微相册"));
  ASSERT_TRUE(Resolve("/p"));
  EXPECT_EQ(state_->album_table.size(), 4u);
}

TEST_F(AlbumListTest, ListsOffTheWindowThreadWhileDownloadsKeepTheirPool) {
  // Every download worker is busy until the end of the test.
  std::promise<void> downloads_end;
  std::shared_future<void> downloads_ended = downloads_end.get_future().share();
  ASSERT_TRUE(state_->pool.Create(5, [downloads_ended](TaskValue) { downloads_ended.wait(); }));
  for (int i = 0; i < 10; ++i) state_->pool.Post(0);

  ServeProfile("/u/8", ProfilePage("8", "eight"));
  ServeAlbums("8", {Album("x", 1), Album("y", 2)});
  hold_lists_ = true;
  std::vector<bool> ended;
  state_->profile_address = "http://" + server_.HostPort() + "/u/8";
  StartProfileLookup(Context(), [&](bool found) { ended.push_back(found); });

  // Back at once, with the album list still held by the server; calls posted
  // to the window thread meanwhile run.
  ASSERT_TRUE(PumpUntil([&] { return !RequestTo("/albums/").empty(); }));
  EXPECT_TRUE(ended.empty());
  EXPECT_TRUE(windows_.Items().empty());
  EXPECT_TRUE(windows_.Title(WindowId::kMain).empty());
  bool ran = false;
  windows_.PostToUiThread([&] {
    ran = true;
    ReleaseLists();
  });
  ASSERT_TRUE(PumpUntil([&] { return !ended.empty(); }));
  EXPECT_TRUE(ran);
  EXPECT_EQ(ended, std::vector<bool>{true});
  ASSERT_EQ(windows_.Items().size(), 2u);
  EXPECT_EQ(windows_.Items()[1].label, Gbk("y_2张"));
  EXPECT_EQ(windows_.Title(WindowId::kMain), Gbk("eight - 微相册"));
  downloads_end.set_value();
}

TEST_F(AlbumListTest, ANewerLookupOvertakesARunningOne) {
  // The first user's covers come from a server that holds them.
  LoopbackServer slow_covers;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  slow_covers.SetHandler([released](const ByteArray&) {
    released.wait_for(std::chrono::seconds(10));
    return MakeReply("200 OK", {"Content-Type: image/bmp"}, OneRowBmp(3));
  });
  ServeProfile("/old", ProfilePage("1", "old"));
  ServeAlbums("1", {Album("o1", 1, slow_covers.Url("/c1")), Album("o2", 1, slow_covers.Url("/c2"))});
  ServeProfile("/new", ProfilePage("2", "new"));
  ServeAlbums("2", {Album("n", 5)});

  std::vector<std::string> ended;
  state_->profile_address = "http://" + server_.HostPort() + "/old";
  StartProfileLookup(Context(), [&](bool) { ended.push_back("old"); });
  ASSERT_TRUE(PumpUntil([&] { return !slow_covers.Requests().empty(); }));

  state_->profile_address = "http://" + server_.HostPort() + "/new";
  StartProfileLookup(Context(), [&](bool) { ended.push_back("new"); });
  ASSERT_TRUE(PumpUntil([&] { return !ended.empty(); }));

  // The old lookup ends after the new one: its result is dropped.
  release.set_value();
  state_->lookup_pool.Destroy();
  while (state_->lookup_pool.LiveWorkers() > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  windows_.RunPostedCalls();
  EXPECT_EQ(ended, std::vector<std::string>{"new"});
  EXPECT_EQ(state_->user_id, "2");
  EXPECT_EQ(windows_.Title(WindowId::kMain), Gbk("new - 微相册"));
  ASSERT_EQ(windows_.Items().size(), 1u);
  EXPECT_EQ(windows_.Items()[0].label, Gbk("n_5张"));
}

TEST_F(AlbumListTest, InputBoxAndShowDownloads) {
  ServeProfile("/u/5", ProfilePage("5", "five"));
  ServeAlbums("5", {});
  FlowContext context = Context();

  // Nothing resolved yet: no folder to show.
  ShowDownloads(context);
  EXPECT_TRUE(shell_.shown.empty());

  // Cancel changes nothing.
  state_->profile_address = "kept";
  windows_.QueueInputAnswer(std::nullopt);
  AskForProfile(context);
  EXPECT_EQ(state_->profile_address, "kept");
  EXPECT_TRUE(server_.Requests().empty());
  ASSERT_EQ(windows_.InputBoxes().size(), 1u);
  const Text example = server_.HostPort() + "/u/1234567890?from=myfollow_all";
  EXPECT_EQ(windows_.InputBoxes()[0].prompt, Gbk("请输入用户主页地址,如:") + example);
  EXPECT_EQ(windows_.InputBoxes()[0].initial_text, example);

  // The typed address is used as typed.
  const Text typed = "http://" + server_.HostPort() + "/u/5";
  windows_.QueueInputAnswer(typed);
  AskForProfile(context);
  EXPECT_EQ(state_->profile_address, typed);
  ASSERT_TRUE(PumpUntil([&] { return state_->nickname == "five"; }));

  ShowDownloads(context);
  EXPECT_THAT(shell_.shown, ElementsAre(temp_.text() + "/five - " + Gbk("微相册")));
}

}  // namespace
}  // namespace weibo
