// Profile resolution, the album list and the shell commands, against a
// stub service on the loopback interface.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <regex>
#include <string>

#include "albums/album_list.h"
#include "albums/placeholder_cover.h"
#include "albums/profile_value.h"
#include "app/recording_window_ops.h"
#include "support/reencode_image.h"
#include "tests/common/test_support.h"
#include "tests/albums/stub_service.h"

namespace weibo {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const char kOid[] = "$CONFIG['oid']='";
const char kOnick[] = "$CONFIG['onick']='";

Text ProfilePage(const std::string& oid, const std::string& onick) {
  return "<script>\nvar $CONFIG = {};\n$CONFIG['islogin']='1'; \n" + std::string(kOid) + oid +
         "'; \n" + std::string(kOnick) + onick + "'; \n</script>";
}

// One album element of the album-list reply.
std::string AlbumJson(const std::string& caption, int photos, const std::string& cover) {
  return R"({"album_id":"355)" + std::to_string(photos) + R"(","caption":")" + caption +
         R"(","type":3,"cover_pic":")" + cover + R"(","updated_at":1367640000,)" +
         R"("count":{"photos":)" + std::to_string(photos) + "}}";
}

std::string AlbumListJson(const std::vector<std::string>& albums) {
  std::string list;
  for (const std::string& album : albums) list += (list.empty() ? "" : ",") + album;
  return R"({"result":true,"data":{"total":)" + std::to_string(albums.size()) +
         R"(,"album_list":[)" + list + "]}}";
}

class AlbumListTest : public ::testing::Test {
 protected:
  AlbumListTest() : shell_(temp_.text()) {
    state_ = std::make_shared<ProgramState>();
    cover_bmp_ = PlaceholderCoverIcon();  // any decodable picture will do as a cover
  }

  // Serves the routes every test uses, then starts the service.
  void Start() {
    service_.server().Get("/cover.bmp", [this](const httplib::Request&, httplib::Response& r) {
      r.set_content(cover_bmp_, "image/bmp");
    });
    service_.server().Get("/t4/appstyle/photo/images/common/status_0.png",
                          [this](const httplib::Request&, httplib::Response& r) {
                            r.set_content(cover_bmp_, "image/bmp");
                          });
    ASSERT_TRUE(service_.Start());
    endpoints_.main_host = service_.Host();
    endpoints_.photo_host = service_.Host();
    endpoints_.static_host = service_.Host();
  }

  void ServeProfile(const std::string& path, const std::string& page) {
    service_.server().Get(path, [page](const httplib::Request&, httplib::Response& r) {
      r.set_content(page, "text/html; charset=utf-8");
    });
  }
  // The album list of `uid`; other users get an error reply.
  void ServeAlbums(const std::string& uid, const std::string& json) {
    albums_[uid] = json;
    if (albums_.size() > 1) return;
    service_.server().Get("/albums/get_all", [this](const httplib::Request& q, httplib::Response& r) {
      auto found = albums_.find(q.get_param_value("uid"));
      std::string json = found == albums_.end() ? R"({"result":false,"data":null})" : found->second;
      for (std::size_t at; (at = json.find("{HOST}")) != std::string::npos;) {
        json.replace(at, 6, service_.Host());
      }
      SetJsonBody(r, json);
    });
  }
  // The host is known only once the service runs; album replies name it so.
  static std::string Cover() { return "http://{HOST}/cover.bmp"; }
  // The first request whose target begins with `prefix`.
  StubRequest RequestTo(const std::string& prefix) const {
    for (const StubRequest& request : service_.Requests()) {
      if (request.target.compare(0, prefix.size(), prefix) == 0) return request;
    }
    return StubRequest{};
  }

  FlowContext Context() { return FlowContext{state_, &windows_, &shell_, &endpoints_}; }

  TempFolder temp_;
  StubService service_;
  RecordingWindowOps windows_;
  FakeShell shell_;
  Endpoints endpoints_;
  std::shared_ptr<ProgramState> state_;
  ByteArray cover_bmp_;
  std::map<std::string, std::string> albums_;
};

TEST(ValueBetweenMarkersTest, FirstValueWithOneReanchoring) {
  EXPECT_EQ(ValueBetweenMarkers(ProfilePage("12345", "abc"), kOid, "'; "), "12345");
  EXPECT_EQ(ValueBetweenMarkers(ProfilePage("12345", "abc"), kOnick, "'; "), "abc");
  // The start marker twice before the end marker: the later one counts.
  EXPECT_EQ(ValueBetweenMarkers("$CONFIG['oid']='1$CONFIG['oid']='2'; ", kOid, "'; "), "2");
  // Re-anchored once only: a third start marker stays inside the value.
  EXPECT_EQ(ValueBetweenMarkers("<s>a<s>b<s>c<e>", "<s>", "<e>"), "b<s>c");
  // Only the first value is taken.
  EXPECT_EQ(ValueBetweenMarkers("<s>a<e><s>b<e>", "<s>", "<e>"), "a");
  EXPECT_EQ(ValueBetweenMarkers("<s><e>", "<s>", "<e>"), "");
  EXPECT_EQ(ValueBetweenMarkers("<e><s>a", "<s>", "<e>"), "");
  EXPECT_EQ(ValueBetweenMarkers("a<e>", "<s>", "<e>"), "");
  // The markers are compared with their letter case.
  EXPECT_EQ(ValueBetweenMarkers("$config['oid']='1'; ", kOid, "'; "), "");
}

TEST_F(AlbumListTest, ResolvesProfileListsAlbumsAndMergesCookies) {
  service_.server().Get("/home", [](const httplib::Request&, httplib::Response& r) {
    r.set_header("Set-Cookie", "SUB=fresh; path=/");
    r.set_content(ProfilePage("12345", "abc"), "text/html; charset=utf-8");
  });
  ServeAlbums("12345", AlbumListJson({AlbumJson("abc", 100, Cover()), AlbumJson("旅行", 0, Cover())}));
  Start();
  state_->cookie_jar = "SUB=old; other=1";
  state_->profile_address = "http://" + service_.Host() + "/home";
  state_->pages_done = 7;

  ASSERT_TRUE(ResolveProfile(Context()));
  EXPECT_EQ(state_->user_id, "12345");
  EXPECT_EQ(state_->nickname, "abc");
  EXPECT_EQ(windows_.Title(WindowId::kMain), Gbk("abc - 微相册"));
  EXPECT_EQ(state_->download_root, temp_.text() + "\\" + Gbk("abc - 微相册"));
  EXPECT_TRUE(std::filesystem::is_directory(Below(temp_.path(), {"abc - 微相册"})));
  EXPECT_EQ(state_->pages_done, 0);

  // The album list request, exactly, with the jar the profile page updated.
  EXPECT_EQ(RequestTo("/home").cookie, "SUB=old; other=1");
  const StubRequest album_list = RequestTo("/albums/");
  EXPECT_TRUE(std::regex_match(album_list.target,
                               std::regex(R"(/albums/get_all\?uid=12345&page=1&count=64&__rnd=\d{13})")))
      << album_list.target;
  EXPECT_EQ(album_list.cookie, "SUB=fresh; other=1");
  EXPECT_EQ(state_->cookie_jar, "SUB=fresh; other=1");

  ASSERT_EQ(state_->album_table.size(), 2u);
  EXPECT_EQ(state_->album_table[0].album_id, "355100");
  EXPECT_EQ(state_->album_table[0].type, "3");
  EXPECT_EQ(state_->album_table[0].updated, "1367640000");
  EXPECT_EQ(state_->album_table[1].caption, Gbk("旅行"));
  const auto items = windows_.Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].label, Gbk("abc_100张"));
  EXPECT_EQ(items[1].label, Gbk("旅行_0张"));
  EXPECT_EQ(items[0].picture_index, 0);
  EXPECT_EQ(items[1].picture_index, 1);
  const ImageList icons = windows_.LargeIconList();
  ASSERT_EQ(icons.pictures.size(), 2u);
  EXPECT_EQ(icons.pictures[0].substr(0, 2), "\xFF\xD8");  // covers become JPEG
}

TEST_F(AlbumListTest, MissingProfileValueShowsMessageAndKeepsTheView) {
  ServeProfile("/first", ProfilePage("111", "first"));
  ServeProfile("/no-nick", "<script>" + std::string(kOid) + "222'; </script>");
  ServeAlbums("111", AlbumListJson({AlbumJson("a", 1, Cover())}));
  Start();
  state_->profile_address = "http://" + service_.Host() + "/first";
  ASSERT_TRUE(ResolveProfile(Context()));
  const std::size_t requests_before = service_.Requests().size();

  state_->profile_address = "http://" + service_.Host() + "/no-nick";
  EXPECT_FALSE(ResolveProfile(Context()));
  ASSERT_EQ(windows_.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows_.MessageBoxes()[0].text, "onick or oid");
  EXPECT_EQ(windows_.MessageBoxes()[0].title, "erro");
  EXPECT_EQ(windows_.MessageBoxes()[0].flags, 0);
  EXPECT_EQ(state_->user_id, "222");  // stored although the nickname is missing
  EXPECT_EQ(state_->nickname, "");
  EXPECT_EQ(windows_.Title(WindowId::kMain), Gbk("first - 微相册"));
  EXPECT_EQ(state_->album_table.size(), 1u);
  EXPECT_EQ(windows_.Items().size(), 1u);
  EXPECT_EQ(service_.Requests().size(), requests_before + 1);  // no album request
}

TEST_F(AlbumListTest, ShowsAtMost64AlbumsWithOneIconEach) {
  std::vector<std::string> albums;
  for (int i = 0; i < 70; ++i) albums.push_back(AlbumJson("a" + std::to_string(i), i, Cover()));
  // Album 1 has no cover: the static host's placeholder is asked for.
  albums[1] = AlbumJson("empty cover", 1, "");
  // Album 2's cover is no picture, album 3's cannot be reached.
  albums[2] = AlbumJson("bad cover", 2, "http://{HOST}/profile-page");
  albums[3] = AlbumJson("gone cover", 3, "http://127.0.0.1:1/cover.jpg");
  // Album 4 has no cover key at all: its address reads "0".
  albums[4] = R"({"album_id":"9","caption":"no key","type":3,"count":{"photos":4}})";
  ServeProfile("/profile-page", ProfilePage("7", "many"));
  ServeAlbums("7", AlbumListJson(albums));
  Start();
  state_->profile_address = "http://" + service_.Host() + "/profile-page";
  ASSERT_TRUE(ResolveProfile(Context()));

  ASSERT_EQ(state_->album_table.size(), 64u);
  ASSERT_EQ(windows_.Items().size(), 64u);
  const ImageList icons = windows_.LargeIconList();
  ASSERT_EQ(icons.pictures.size(), 64u);
  EXPECT_EQ(windows_.Items()[63].picture_index, 63);
  EXPECT_EQ(state_->album_table[1].cover_address,
            "http://" + service_.Host() + "/t4/appstyle/photo/images/common/status_0.png");
  ByteArray placeholder_jpeg;
  ASSERT_TRUE(ReencodeImage(cover_bmp_, kImageJpeg, &placeholder_jpeg));
  EXPECT_EQ(icons.pictures[1], placeholder_jpeg);
  EXPECT_EQ(icons.pictures[2], PlaceholderCoverIcon());
  EXPECT_EQ(icons.pictures[3], PlaceholderCoverIcon());
  EXPECT_EQ(state_->album_table[4].cover_address, "0");
  EXPECT_EQ(icons.pictures[4], PlaceholderCoverIcon());
  EXPECT_EQ(windows_.Items()[4].label, Gbk("no key_4张"));
  // The placeholder icon itself decodes.
  ByteArray decoded;
  EXPECT_TRUE(ReencodeImage(PlaceholderCoverIcon(), kImageJpeg, &decoded));
}

TEST_F(AlbumListTest, SecondUserReplacesTheViewAndKeepsTheFirstFolder) {
  ServeProfile("/u/1", ProfilePage("1", "one"));
  ServeProfile("/u/2", ProfilePage("2", "夜:雨/窗?*|"));
  ServeAlbums("1", AlbumListJson({AlbumJson("x", 1, Cover()), AlbumJson("y", 2, Cover())}));
  ServeAlbums("2", AlbumListJson({AlbumJson("z", 3, Cover())}));
  Start();
  state_->profile_address = "http://" + service_.Host() + "/u/1";
  ASSERT_TRUE(ResolveProfile(Context()));
  state_->profile_address = "http://" + service_.Host() + "/u/2";
  ASSERT_TRUE(ResolveProfile(Context()));

  EXPECT_EQ(windows_.Title(WindowId::kMain), Gbk("夜:雨/窗?*| - 微相册"));
  EXPECT_EQ(FolderEntries(temp_.path()),
            (std::vector<std::string>{"one - 微相册", "夜_雨_窗___ - 微相册"}));
  ASSERT_EQ(windows_.Items().size(), 1u);
  EXPECT_EQ(windows_.Items()[0].label, Gbk("z_3张"));
  EXPECT_EQ(windows_.Items()[0].picture_index, 0);
  EXPECT_EQ(windows_.LargeIconList().pictures.size(), 1u);
  // The view is emptied before the second list is shown.
  std::vector<std::string> calls = windows_.Calls();
  std::vector<std::string> view_calls;
  for (const std::string& call : calls) {
    if (call == "ClearItems" || call.rfind("AppendItem", 0) == 0) view_calls.push_back(call);
  }
  EXPECT_THAT(view_calls, ElementsAre("ClearItems", "AppendItem 0", "AppendItem 1", "ClearItems",
                                      "AppendItem 0"));
}

TEST_F(AlbumListTest, InputBoxAndShellCommands) {
  ServeProfile("/u/5", ProfilePage("5", "five"));
  ServeAlbums("5", AlbumListJson({}));
  Start();
  FlowContext context = Context();

  // Nothing resolved yet: no folder to show.
  ShowDownloads(context);
  EXPECT_TRUE(shell_.shown.empty());

  // Cancel changes nothing.
  state_->profile_address = "kept";
  windows_.QueueInputAnswer(std::nullopt);
  AskForProfile(context);
  EXPECT_EQ(state_->profile_address, "kept");
  EXPECT_TRUE(service_.Requests().empty());
  ASSERT_EQ(windows_.InputBoxes().size(), 1u);
  const Text example = service_.Host() + "/u/1234567890?from=myfollow_all";
  EXPECT_EQ(windows_.InputBoxes()[0].prompt, Gbk("请输入用户主页地址,如:") + example);
  EXPECT_EQ(windows_.InputBoxes()[0].title, "");
  EXPECT_EQ(windows_.InputBoxes()[0].initial_text, example);

  // The typed address is used as typed.
  const Text typed = "http://" + service_.Host() + "/u/5";
  windows_.QueueInputAnswer(typed);
  AskForProfile(context);
  EXPECT_EQ(state_->profile_address, typed);
  EXPECT_EQ(windows_.InputBoxes()[1].initial_text, example);  // the example again
  EXPECT_EQ(state_->nickname, "five");
  EXPECT_TRUE(windows_.Items().empty());

  ShowDownloads(context);
  EXPECT_THAT(shell_.shown, ElementsAre(temp_.text() + "/five - " + Gbk("微相册")));
  OpenInBrowser(context, "http://example.invalid/author");
  EXPECT_THAT(shell_.opened, ElementsAre("http://example.invalid/author"));
}

TEST_F(AlbumListTest, BrokenAlbumReplyGivesAnEmptyListWithTheRootMade) {
  ServeProfile("/u/6", ProfilePage("6", "six"));
  service_.server().Get("/albums/get_all", [](const httplib::Request&, httplib::Response& r) {
    r.status = 500;
    r.set_content("<html>busy</html>", "text/html");
  });
  Start();
  state_->profile_address = "http://" + service_.Host() + "/u/6";
  EXPECT_TRUE(ResolveProfile(Context()));
  EXPECT_EQ(LoadAlbums(Context()), 0);
  EXPECT_TRUE(state_->album_table.empty());
  EXPECT_TRUE(windows_.Items().empty());
  EXPECT_TRUE(std::filesystem::is_directory(Below(temp_.path(), {"six - 微相册"})));
}

}  // namespace
}  // namespace weibo
