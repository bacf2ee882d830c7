// Profile resolution, the album list and the shell commands, against a
// loopback server.
#include "albums/album_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <regex>

#include "albums/placeholder_cover.h"
#include "albums/profile_value.h"
#include "flow/recording_window_ops.h"
#include "support/reencode_image.h"
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
      const std::map<Text, ByteArray>& table = list ? albums_ : routes_;
      auto found = table.find(list ? QueryValue(target, "uid") : path);
      if (found != table.end()) return found->second;
      return list ? MakeReply("200 OK", {}, R"({"result":false,"data":null})")
                  : MakeReply("404 Not Found", {}, "");
    });
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

TEST_F(AlbumListTest, MissingProfileValueOrBrokenListKeepsOrEmptiesTheView) {
  ServeProfile("/first", ProfilePage("111", "first"));
  ServeProfile("/no-nick", "<script>" + Text(kOid) + "222'; </script>");
  ServeAlbums("111", {Album("a", 1)});
  ASSERT_TRUE(Resolve("/first"));
  const std::size_t requests_before = server_.Requests().size();

  EXPECT_FALSE(Resolve("/no-nick"));
  ASSERT_EQ(windows_.MessageBoxes().size(), 1u);
  EXPECT_EQ(windows_.MessageBoxes()[0].text, "onick or oid");
  EXPECT_EQ(windows_.MessageBoxes()[0].title, "erro");
  EXPECT_EQ(windows_.MessageBoxes()[0].flags, 0);
  EXPECT_EQ(state_->user_id, "222");  // stored although the nickname is missing
  EXPECT_EQ(windows_.Title(WindowId::kMain), Gbk("first - 微相册"));
  EXPECT_EQ(windows_.Items().size(), 1u);
  EXPECT_EQ(server_.Requests().size(), requests_before + 1);  // no album request

  // A broken album reply gives an empty list, with the root made.
  ServeProfile("/u/6", ProfilePage("6", "six"));
  albums_["6"] = MakeReply("500 Internal Server Error", {}, "<html>busy</html>");
  EXPECT_TRUE(Resolve("/u/6"));
  EXPECT_TRUE(state_->album_table.empty());
  EXPECT_TRUE(windows_.Items().empty());
  EXPECT_TRUE(std::filesystem::is_directory(Below(temp_.path(), {"six - 微相册"})));
}

TEST_F(AlbumListTest, ShowsAtMost64AlbumsWithOneIconEach) {
  std::vector<Text> albums;
  for (int i = 0; i < 70; ++i) albums.push_back(Album("a" + std::to_string(i), i));
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

  ASSERT_EQ(windows_.Items().size(), 64u);
  const ImageList icons = windows_.LargeIconList();
  ASSERT_EQ(icons.pictures.size(), 64u);
  EXPECT_EQ(state_->album_table[1].cover_address,
            "http://" + server_.HostPort() + "/t4/appstyle/photo/images/common/status_0.png");
  ByteArray placeholder_jpeg;
  ASSERT_TRUE(ReencodeImage(cover_bmp_, kImageJpeg, &placeholder_jpeg));
  EXPECT_EQ(icons.pictures[1], placeholder_jpeg);
  EXPECT_EQ(icons.pictures[2], PlaceholderCoverIcon());
  EXPECT_EQ(icons.pictures[3], PlaceholderCoverIcon());
  EXPECT_EQ(state_->album_table[4].cover_address, "0");
  EXPECT_EQ(icons.pictures[4], PlaceholderCoverIcon());
  EXPECT_EQ(windows_.Items()[4].label, Gbk("no key_4张"));
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
  EXPECT_EQ(state_->nickname, "five");

  ShowDownloads(context);
  EXPECT_THAT(shell_.shown, ElementsAre(temp_.text() + "/five - " + Gbk("微相册")));
}

}  // namespace
}  // namespace weibo
