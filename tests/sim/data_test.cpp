// Profile pages, album lists and photo lists of the simulated service.
#include <gtest/gtest.h>

#include <set>

#include "tests/sim/sim_test_client.h"

namespace weibo::sim {
namespace {

using testing::Get;
using testing::ParseObject;
using testing::Str;

bool HasConfig(const std::string& page, const std::string& key, const std::string& value) {
  return page.find("$CONFIG['" + key + "']='" + value + "'; ") != std::string::npos;
}

class SimDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim_.Start()) << sim_.error();
    cookies_ = WeiboSim::CookieHeader(sim_.SignedInCookies());
  }
  QJsonObject Albums(const std::string& uid, int page) {
    return ParseObject(Get(sim_.endpoints().photo_host,
                           "/albums/get_all?uid=" + uid + "&page=" + std::to_string(page) +
                               "&count=64&__rnd=1700000000000",
                           cookies_).body);
  }
  QJsonArray Photos(const Album& album, int page, int count = 32, int type = -1) {
    return ParseObject(Get(sim_.endpoints().photo_host,
                           "/photos/get_all?uid=" + std::string(kDefaultUid) + "&album_id=" +
                               album.album_id + "&count=" + std::to_string(count) +
                               "&page=" + std::to_string(page) +
                               "&type=" + std::to_string(type < 0 ? album.type : type),
                           cookies_).body)["data"].toObject()["photo_list"].toArray();
  }
  std::string Page(const std::string& target, const std::string& cookies) {
    return Get(sim_.endpoints().main_host, target, cookies).body;
  }
  const std::vector<Album>& OwnAlbums() { return sim_.data().FindUser(kDefaultUid)->albums; }

  WeiboSim sim_;
  std::string cookies_;
};

TEST_F(SimDataTest, ProfilePagesCarryTheValuesOnlyForSignedInVisitorsAndKnownUsers) {
  std::string own = Page("/", cookies_);
  EXPECT_TRUE(HasConfig(own, "oid", kDefaultUid));
  EXPECT_TRUE(HasConfig(own, "onick", "测试用户"));
  std::string other = Page("/u/1000000003?from=myfollow_all", cookies_);
  EXPECT_TRUE(HasConfig(other, "onick", "夜:雨/窗?*|"));
  EXPECT_TRUE(HasConfig(other, "uid", kDefaultUid)) << "the viewer stays the signed-in user";
  EXPECT_EQ(Page("/u/999", cookies_).find("$CONFIG['oid']"), std::string::npos);
  EXPECT_EQ(Page("/", "").find("$CONFIG['oid']"), std::string::npos);
  EXPECT_EQ(Page("/", "SUB=forged; SUBP=forged").find("$CONFIG['oid']"), std::string::npos);
}

TEST_F(SimDataTest, AlbumListHonoursPagesAndKeepsTheAwkwardElements) {
  QJsonArray albums = Albums(kDefaultUid, 1)["data"].toObject()["album_list"].toArray();
  ASSERT_EQ(albums.size(), 13);
  std::map<std::string, QJsonObject> by_caption;
  for (const QJsonValue& album : albums) by_caption[Str(album.toObject()["caption"])] = album.toObject();
  EXPECT_EQ(by_caption.count("淺草寺與雷門"), 1u);
  EXPECT_FALSE(by_caption["缺少字段"].contains("cover_pic"));
  EXPECT_TRUE(by_caption["缺少字段"]["updated_at"].isNull());
  EXPECT_FALSE(by_caption["无计数"].contains("count"));

  // More than 64 albums: the first page holds 64, the second the rest.
  QJsonObject page1 = Albums(kManyAlbumsUid, 1);
  EXPECT_EQ(page1["data"].toObject()["total"].toInt(), 70);
  EXPECT_EQ(page1["data"].toObject()["album_list"].toArray().size(), 64);
  EXPECT_EQ(Albums(kManyAlbumsUid, 2)["data"].toObject()["album_list"].toArray().size(), 6);
  QJsonObject unknown = Albums("42", 1);
  EXPECT_FALSE(unknown["result"].toBool());
  EXPECT_TRUE(unknown["data"].isNull());
}

TEST_F(SimDataTest, PhotoListPagesCoverEveryPhotoOnce) {
  for (const Album& album : OwnAlbums()) {
    std::set<std::string> names;
    for (std::size_t page = 1; page <= album.photos.size() / 32 + 1; ++page) {
      QJsonArray list = Photos(album, static_cast<int>(page));
      std::size_t expected = std::min<std::size_t>(32, album.photos.size() - (page - 1) * 32);
      EXPECT_EQ(static_cast<std::size_t>(list.size()), expected) << album.caption << " " << page;
      for (const QJsonValue& photo : list) names.insert(Str(photo.toObject()["pic_name"]));
    }
    EXPECT_EQ(names.size(), album.photos.size()) << album.caption;
  }
  EXPECT_EQ(Photos(OwnAlbums()[0], 1, 500).size(), 100) << "a page holds at most 100";
  // Null and missing keys in photo elements.
  QJsonArray travel = Photos(OwnAlbums()[2], 1);
  EXPECT_TRUE(travel[2].toObject()["updated_at"].isNull());
  EXPECT_FALSE(travel[4].toObject().contains("updated_at"));
  EXPECT_TRUE(travel[6].toObject()["pic_host"].isNull());
  // A wrong type is refused.
  EXPECT_TRUE(Photos(OwnAlbums()[0], 1, 32, 1).isEmpty());
}

TEST_F(SimDataTest, ListsRefuseClientsWithoutAPhotoHostSession) {
  CookieList minted = sim_.SignedInCookies();
  CookieList no_photo(minted.begin(), minted.begin() + 2);  // SUB and SUBP only
  for (const std::string& cookies : {std::string(), WeiboSim::CookieHeader(no_photo)}) {
    QJsonObject json = ParseObject(
        Get(sim_.endpoints().photo_host, "/albums/get_all?uid=1000000001&page=1&count=64", cookies)
            .body);
    EXPECT_FALSE(json["result"].toBool()) << cookies;
    EXPECT_EQ(Str(json["code"]), "A0001");
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
  EXPECT_EQ(bench->albums[2].photos.size(), 40u);

  options.signin_uid = "123";
  WeiboSim wrong(options);
  EXPECT_FALSE(wrong.Start());
  EXPECT_NE(wrong.error().find("123"), std::string::npos);
}

}  // namespace
}  // namespace weibo::sim
