// The users, albums and photos the simulated service knows. Built once,
// deterministically, from the benchmark sizes; read-only afterwards and
// therefore safe to share between threads. Texts are UTF-8, as the service
// keeps them.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "support/text_rules.h"

namespace weibo::sim {

// How a value appears in a JSON reply: as itself, as null, or not at all.
enum class Field { kPresent, kNull, kMissing };

// The album's "cover_pic": its first photo's thumbnail, "" or no key at all.
enum class CoverForm { kFirstPhoto, kEmpty, kMissing };

struct Photo {
  Text photo_id;
  Text pic_name;          // "<22 letters>.jpg", ".png" or ".gif"
  int host_index = 0;     // which picture host serves it (0 or 1)
  std::int64_t updated_at = 0;
  Field updated_field = Field::kPresent;
  Field host_field = Field::kPresent;
};

struct Album {
  Text album_id;
  Text caption;
  int type = 3;
  std::int64_t updated_at = 0;
  Field updated_field = Field::kPresent;
  Field count_field = Field::kPresent;  // the whole "count" object
  CoverForm cover = CoverForm::kFirstPhoto;
  std::vector<Photo> photos;
};

struct User {
  Text uid;
  Text nick;
  Text alias;  // the short profile address "/<alias>", may be empty
  std::vector<Album> albums;
};

inline constexpr char kDefaultUid[] = "1000000001";
inline constexpr char kManyAlbumsUid[] = "1000000002";
inline constexpr char kOddNickUid[] = "1000000003";
inline constexpr char kNoAlbumsUid[] = "1000000004";
inline constexpr char kAuthorUid[] = "1000000005";
inline constexpr char kBenchUid[] = "1900000001";

class DataSet {
 public:
  // The built-in users, and a benchmark user with `bench_albums` albums of
  // `bench_photos` photos when both are above 0.
  DataSet(int bench_albums, int bench_photos);

  const std::vector<User>& users() const { return users_; }
  // Null when there is no such user or album.
  const User* FindUser(std::string_view uid) const;
  const User* FindAlias(std::string_view alias) const;
  static const Album* FindAlbum(const User& user, std::string_view album_id);

  // The user a confirmed QR code signs in when no other is named.
  const Text& default_uid() const { return default_uid_; }

 private:
  std::vector<User> users_;
  Text default_uid_;
};

}  // namespace weibo::sim
