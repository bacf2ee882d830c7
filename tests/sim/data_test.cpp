// Profile pages, album lists and photo lists of the simulated service.
#include <gtest/gtest.h>

#include <set>

#include "tests/sim/sim_test_client.h"

namespace weibo::sim {
namespace {

using testing::Get;
using testing::ParseObject;
using testing::Reply;
using testing::Str;

class SimDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim_.Start()) << sim_.error();
    cookies_ = WeiboSim::CookieHeader(sim_.SignedInCookies());
  }

  QJsonObject Albums(const std::string& uid, int page, int count) {
    return ParseObject(Get(sim_.endpoints().photo_host,
                           "/albums/get_all?uid=" + uid + "&page=" + std::to_string(page) +
                               "&count=" + std::to_string(count) + "&__rnd=1700000000000",
                           cookies_).body);
  }

  QJsonObject Photos(const std::string& uid, const Album& album, int page, int count = 32,
                     int type = -1) {
    return ParseObject(Get(sim_.endpoints().photo_host,
                           "/photos/get_all?uid=" + uid + "&album_id=" + album.album_id +
                               "&count=" + std::to_string(count) + "&page=" + std::to_string(page) +
                               "&type=" + std::to_string(type < 0 ? album.type : type) +
                               "&__rnd=1700000000000",
                           cookies_).body);
  }

  std::string Page(const std::string& target, const std::string& cookies) {
    return Get(sim_.endpoints().main_host, target, cookies).body;
  }

  const User& user(const char* uid) { return *sim_.data().FindUser(uid); }

  WeiboSim sim_;
  std::string cookies_;
};

bool HasConfig(const std::string& page, const std::string& key, const std::string& value) {
  return page.find("$CONFIG['" + key + "']='" + value + "'; ") != std::string::npos;
}

TEST_F(SimDataTest, ProfilePagesCarryTheValuesOnlyForSignedInVisitorsAndKnownUsers) {
  std::string own = Page("/", cookies_);
  EXPECT_TRUE(HasConfig(own, "oid", kDefaultUid));
  EXPECT_TRUE(HasConfig(own, "onick", "测试用户"));
  std::string other = Page("/u/1000000003?from=myfollow_all", cookies_);
  EXPECT_TRUE(HasConfig(other, "oid", kOddNickUid));
  EXPECT_TRUE(HasConfig(other, "onick", "夜:雨/窗?*|"));
  EXPECT_TRUE(HasConfig(other, "uid", kDefaultUid)) << "the viewer stays the signed-in user";
  EXPECT_TRUE(HasConfig(Page("/many", cookies_), "oid", kManyAlbumsUid));
  for (const char* missing : {"/u/999", "/nobody"}) {
    std::string page = Page(missing, cookies_);
    EXPECT_EQ(page.find("$CONFIG['oid']"), std::string::npos) << missing;
    EXPECT_EQ(page.find("$CONFIG['onick']"), std::string::npos) << missing;
  }
  for (const char* target : {"/", "/u/1000000003"}) {
    EXPECT_EQ(Page(target, "").find("$CONFIG['oid']"), std::string::npos) << target;
    EXPECT_EQ(Page(target, "SUB=forged; SUBP=forged").find("$CONFIG['oid']"), std::string::npos);
  }
}

TEST_F(SimDataTest, AlbumListHonoursPageAndCountAndKeepsTheAwkwardElements) {
  QJsonObject reply = Albums(kDefaultUid, 1, 64);
  ASSERT_TRUE(reply["result"].toBool());
  QJsonArray albums = reply["data"].toObject()["album_list"].toArray();
  ASSERT_EQ(albums.size(), 13);
  std::map<std::string, QJsonObject> by_caption;
  for (const QJsonValue& album : albums) by_caption[Str(album.toObject()["caption"])] = album.toObject();
  for (const char* caption : {"淺草寺與雷門", "日记: 夏天?*/\\", "..", "  前后空格　", "臺灣風景"}) {
    EXPECT_TRUE(by_caption.count(caption)) << caption;
  }
  QJsonObject first = albums[0].toObject();
  EXPECT_EQ(first["count"].toObject()["photos"].toInt(), 300);
  EXPECT_TRUE(Str(first["cover_pic"]).find("/thumb300/") != std::string::npos);
  EXPECT_EQ(Str(by_caption["头像相册"]["cover_pic"]), "");
  EXPECT_EQ(by_caption["头像相册"]["type"].toInt(), 1);
  EXPECT_EQ(Str(by_caption["空封面"]["cover_pic"]), "");
  EXPECT_FALSE(by_caption["缺少字段"].contains("cover_pic"));
  EXPECT_TRUE(by_caption["缺少字段"]["updated_at"].isNull());
  EXPECT_FALSE(by_caption["无计数"].contains("count"));

  // More than 64 albums: the first page holds 64, the second the rest.
  QJsonObject page1 = Albums(kManyAlbumsUid, 1, 64);
  EXPECT_EQ(page1["data"].toObject()["total"].toInt(), 70);
  EXPECT_EQ(page1["data"].toObject()["album_list"].toArray().size(), 64);
  EXPECT_EQ(Albums(kManyAlbumsUid, 2, 64)["data"].toObject()["album_list"].toArray().size(), 6);
  EXPECT_EQ(Albums(kManyAlbumsUid, 3, 64)["data"].toObject()["album_list"].toArray().size(), 0);
  EXPECT_EQ(Albums(kNoAlbumsUid, 1, 64)["data"].toObject()["album_list"].toArray().size(), 0);
  QJsonObject unknown = Albums("42", 1, 64);
  EXPECT_FALSE(unknown["result"].toBool());
  EXPECT_TRUE(unknown["data"].isNull());
}

TEST_F(SimDataTest, PhotoListPagesCoverEveryPhotoOnce) {
  for (const Album& album : user(kDefaultUid).albums) {
    std::set<std::string> names;
    std::size_t pages = album.photos.size() / 32 + 1;
    for (std::size_t page = 1; page <= pages; ++page) {
      QJsonObject reply = Photos(kDefaultUid, album, static_cast<int>(page));
      ASSERT_TRUE(reply["result"].toBool()) << album.caption;
      QJsonArray list = reply["data"].toObject()["photo_list"].toArray();
      std::size_t expected = std::min<std::size_t>(32, album.photos.size() - (page - 1) * 32);
      EXPECT_EQ(static_cast<std::size_t>(list.size()), expected) << album.caption << " page " << page;
      for (const QJsonValue& photo : list) names.insert(Str(photo.toObject()["pic_name"]));
    }
    EXPECT_EQ(names.size(), album.photos.size()) << album.caption;
  }
  const Album& three_hundred = user(kDefaultUid).albums[0];
  EXPECT_EQ(Photos(kDefaultUid, three_hundred, 3, 100)["data"].toObject()["photo_list"].toArray().size(), 100);
  EXPECT_EQ(Photos(kDefaultUid, three_hundred, 1, 500)["data"].toObject()["photo_list"].toArray().size(), 100)
      << "a page holds at most 100";

  // Null and missing keys in photo elements.
  QJsonArray travel = Photos(kDefaultUid, user(kDefaultUid).albums[2], 1)["data"].toObject()["photo_list"].toArray();
  EXPECT_TRUE(travel[2].toObject()["updated_at"].isNull());
  EXPECT_FALSE(travel[4].toObject().contains("updated_at"));
  EXPECT_TRUE(travel[6].toObject()["pic_host"].isNull());
  EXPECT_EQ(Str(travel[0].toObject()["pic_host"]), "http://" + sim_.endpoints().photo_host);

  // A wrong type or album, or another user's album, is refused.
  EXPECT_FALSE(Photos(kDefaultUid, three_hundred, 1, 32, 1)["result"].toBool());
  EXPECT_FALSE(Photos(kManyAlbumsUid, three_hundred, 1)["result"].toBool());
}

TEST_F(SimDataTest, AlbumsWithCollidingPictureNamesShareThem) {
  const std::vector<Album>& albums = user(kDefaultUid).albums;
  auto names = [&](const char* caption) {
    std::vector<std::pair<std::string, std::int64_t>> out;
    for (const Album& album : albums) {
      if (album.caption != caption) continue;
      for (const Photo& photo : album.photos) out.emplace_back(photo.pic_name, photo.updated_at);
    }
    return out;
  };
  EXPECT_EQ(names("重复图片A"), names("重复图片B"));
  EXPECT_EQ(names("重复图片A").size(), 5u);
}

TEST_F(SimDataTest, ListsRefuseClientsWithoutAPhotoHostSession) {
  const std::string& host = sim_.endpoints().photo_host;
  CookieList minted = sim_.SignedInCookies();
  CookieList no_photo(minted.begin(), minted.begin() + 2);  // SUB and SUBP only
  for (const std::string& cookies : {std::string(), std::string("SUB=forged; PHOTO_SID=forged"),
                                     WeiboSim::CookieHeader(no_photo)}) {
    Reply reply = Get(host, "/albums/get_all?uid=1000000001&page=1&count=64", cookies);
    EXPECT_EQ(reply.status, 200);
    QJsonObject json = ParseObject(reply.body);
    EXPECT_FALSE(json["result"].toBool()) << cookies;
    EXPECT_EQ(Str(json["code"]), "A0001");
    EXPECT_TRUE(json["data"].isNull());
    EXPECT_FALSE(ParseObject(Get(host, "/photos/get_all?uid=1000000001&album_id=3550000000100001"
                                       "&count=32&page=1&type=3", cookies).body)["result"].toBool());
  }
}

TEST(SimBenchmarkData, BenchmarkUserHasTheAskedSizesAndSignsInByDefault) {
  SimOptions options;
  options.bench_albums = 3;
  options.bench_photos = 40;
  WeiboSim sim(options);
  ASSERT_TRUE(sim.Start()) << sim.error();
  EXPECT_EQ(sim.signin_uid(), kBenchUid);
  const User* bench = sim.data().FindUser(kBenchUid);
  ASSERT_NE(bench, nullptr);
  ASSERT_EQ(bench->albums.size(), 3u);
  std::set<std::string> names;
  for (const Album& album : bench->albums) {
    EXPECT_EQ(album.photos.size(), 40u);
    for (const Photo& photo : album.photos) names.insert(photo.pic_name);
  }
  EXPECT_EQ(names.size(), 120u);
  std::string page = Get(sim.endpoints().main_host, "/", WeiboSim::CookieHeader(sim.SignedInCookies())).body;
  EXPECT_TRUE(HasConfig(page, "oid", kBenchUid));

  options.signin_uid = "123";
  WeiboSim wrong(options);
  EXPECT_FALSE(wrong.Start());
  EXPECT_NE(wrong.error().find("123"), std::string::npos);
}

}  // namespace
}  // namespace weibo::sim
