#include "tools/weibo-sim/data_set.h"

#include <cstdio>

#include "tools/weibo-sim/deterministic.h"

namespace weibo::sim {
namespace {

constexpr std::int64_t kFirstUpdate = 1367640000;  // a day in May 2013
constexpr std::int64_t kDay = 86400;

// Which pictures of an album are not JPEG.
enum class FormatMix { kJpegOnly, kSome, kPngOnly };

struct AlbumPlan {
  const char* caption;
  int photos;
  int type = 3;
  // Pictures with the same name key get the same names and dates, so two
  // albums that share a key hold colliding file names.
  const char* name_key = nullptr;
  FormatMix formats = FormatMix::kSome;
};

Text PictureExtension(FormatMix mix, int index) {
  if (mix == FormatMix::kPngOnly) return ".png";
  if (mix == FormatMix::kSome && index % 10 == 4) return ".gif";
  if (mix == FormatMix::kSome && index % 10 == 7) return ".png";
  return ".jpg";
}

Photo MakePhoto(const Text& key, int index, std::int64_t album_updated, FormatMix mix) {
  std::uint64_t hash = Mix(HashText(key), static_cast<std::uint64_t>(index));
  Photo photo;
  photo.photo_id = std::to_string(4000000000000000ull + hash % 1000000000000000ull);
  photo.pic_name = "006" + Base62Digits(hash, 19) + PictureExtension(mix, index);
  photo.host_index = static_cast<int>(hash >> 63);
  photo.updated_at = album_updated - index * 97;
  return photo;
}

Album MakeAlbum(int user_no, int album_no, const AlbumPlan& plan) {
  Album album;
  album.album_id = std::to_string(3550000000000000ull + user_no * 100000ull + album_no);
  album.caption = plan.caption;
  album.type = plan.type;
  album.updated_at = kFirstUpdate + (user_no * 100 + album_no) * kDay;
  Text key = plan.name_key ? Text(plan.name_key) : album.album_id;
  std::int64_t photo_base = plan.name_key ? kFirstUpdate + 7 * kDay : album.updated_at;
  for (int i = 0; i < plan.photos; ++i) {
    album.photos.push_back(MakePhoto(key, i, photo_base, plan.formats));
  }
  if (album.photos.empty()) album.cover = CoverForm::kEmpty;
  return album;
}

User MakeUser(int user_no, const char* uid, const char* nick, const char* alias,
              const std::vector<AlbumPlan>& plans) {
  User user{uid, nick, alias, {}};
  for (std::size_t i = 0; i < plans.size(); ++i) {
    user.albums.push_back(MakeAlbum(user_no, static_cast<int>(i) + 1, plans[i]));
  }
  return user;
}

// The signed-in user of the demo: one album per awkward case.
User DefaultUser() {
  std::vector<AlbumPlan> plans = {
      {"微博配图", 300},
      {"头像相册", 0, 1},
      {"旅行 2013", 31},
      {"淺草寺與雷門", 32},  // 淺 ends in the byte 0x5C in code page 936
      {"日记: 夏天?*/\\", 33},
      {"..", 64},
      {"  前后空格　", 65},
      {"臺灣風景", 12, 3, nullptr, FormatMix::kPngOnly},
      {"缺少字段", 10},
      {"无计数", 40},
      {"重复图片A", 5, 3, "duplicate"},
      {"重复图片B", 5, 3, "duplicate"},
      {"空封面", 3},
  };
  User user = MakeUser(1, kDefaultUid, "测试用户", "tester", plans);
  std::vector<Album>& albums = user.albums;
  // Photo elements with null and missing keys.
  albums[2].photos[2].updated_field = Field::kNull;
  albums[2].photos[4].updated_field = Field::kMissing;
  albums[2].photos[6].host_field = Field::kNull;
  // Album elements with null and missing keys.
  albums[8].updated_field = Field::kNull;
  albums[8].cover = CoverForm::kMissing;
  albums[9].count_field = Field::kMissing;
  albums[12].cover = CoverForm::kEmpty;
  return user;
}

User ManyAlbumsUser() {
  std::vector<Text> captions;
  std::vector<AlbumPlan> plans;
  for (int i = 1; i <= 70; ++i) {
    char caption[32];
    std::snprintf(caption, sizeof caption, "相册 %03d", i);
    captions.push_back(caption);
  }
  for (int i = 0; i < 70; ++i) {
    plans.push_back({captions[i].c_str(), (i * 7) % 9, 3, nullptr, FormatMix::kJpegOnly});
  }
  return MakeUser(2, kManyAlbumsUid, "相册达人", "many", plans);
}

User BenchUser(int albums, int photos) {
  std::vector<Text> captions;
  std::vector<AlbumPlan> plans;
  for (int i = 1; i <= albums; ++i) {
    char caption[40];
    std::snprintf(caption, sizeof caption, "基准相册 %03d", i);
    captions.push_back(caption);
  }
  for (int i = 0; i < albums; ++i) {
    plans.push_back({captions[i].c_str(), photos, 3, nullptr, FormatMix::kJpegOnly});
  }
  return MakeUser(9, kBenchUid, "基准用户", "bench", plans);
}

}  // namespace

DataSet::DataSet(int bench_albums, int bench_photos) : default_uid_(kDefaultUid) {
  users_.push_back(DefaultUser());
  users_.push_back(ManyAlbumsUser());
  users_.push_back(MakeUser(3, kOddNickUid, "夜:雨/窗?*|", "",
                            {{"繁體相簿", 4}, {"a/b", 2, 3, nullptr, FormatMix::kJpegOnly}}));
  users_.push_back(MakeUser(4, kNoAlbumsUid, "空空如也", "empty", {}));
  users_.push_back(MakeUser(5, kAuthorUid, "相册作者", "author", {{"关于", 3}}));
  if (bench_albums > 0 && bench_photos > 0) {
    users_.push_back(BenchUser(bench_albums, bench_photos));
    default_uid_ = kBenchUid;
  }
}

const User* DataSet::FindUser(std::string_view uid) const {
  for (const User& user : users_) {
    if (user.uid == uid) return &user;
  }
  return nullptr;
}

const User* DataSet::FindAlias(std::string_view alias) const {
  for (const User& user : users_) {
    if (!user.alias.empty() && user.alias == alias) return &user;
  }
  return nullptr;
}

const Album* DataSet::FindAlbum(const User& user, std::string_view album_id) {
  for (const Album& album : user.albums) {
    if (album.album_id == album_id) return &album;
  }
  return nullptr;
}

}  // namespace weibo::sim
