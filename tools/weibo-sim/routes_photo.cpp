// The photo host: the album list and the photo list of an album, one page at
// a time, for a client whose cookies hold a photo-host session.
#include <algorithm>
#include <cstdlib>

#include "tools/weibo-sim/json_writer.h"
#include "tools/weibo-sim/service.h"

namespace weibo::sim {
namespace {

constexpr int kMaxAlbumsPerPage = 100;
constexpr int kMaxPhotosPerPage = 100;

Text ErrorJson(const char* code, const char* msg) {
  JsonWriter json;
  json.BeginObject().Key("result").Boolean(false).Key("code").String(code);
  json.Key("msg").String(msg).Key("data").Null().EndObject();
  return json.text();
}

// The 1-based page and the page size asked for, within limits.
std::pair<int, int> Paging(const httplib::Request& request, int default_count, int max_count) {
  int page = std::atoi(Param(request, "page").c_str());
  int count = std::atoi(Param(request, "count").c_str());
  if (count <= 0) count = default_count;
  return {std::max(page, 1), std::min(count, max_count)};
}

// The items of one page: [first, last) of `total`.
std::pair<std::size_t, std::size_t> PageRange(std::size_t total, std::pair<int, int> paging) {
  std::size_t first = static_cast<std::size_t>(paging.first - 1) * static_cast<std::size_t>(paging.second);
  first = std::min(first, total);
  return {first, std::min(total, first + static_cast<std::size_t>(paging.second))};
}

void WriteTime(JsonWriter& json, const char* key, std::int64_t value, Field field) {
  if (field == Field::kMissing) return;
  json.Key(key);
  if (field == Field::kNull) {
    json.Null();
  } else {
    json.Integer(value);
  }
}

void WriteAlbum(JsonWriter& json, const ServiceState& state, const User& user, const Album& album) {
  json.BeginObject().Key("album_id").String(album.album_id).Key("uid").String(user.uid);
  json.Key("caption").String(album.caption).Key("description").String("");
  json.Key("type").Integer(album.type);
  if (album.cover == CoverForm::kEmpty || (album.cover == CoverForm::kFirstPhoto && album.photos.empty())) {
    json.Key("cover_pic").String("");
  } else if (album.cover == CoverForm::kFirstPhoto) {
    const Photo& first = album.photos.front();
    json.Key("cover_pic").String(state.PictureHostUrl(first) + "/thumb300/" + first.pic_name);
  }
  WriteTime(json, "updated_at", album.updated_at, album.updated_field);
  if (album.count_field != Field::kMissing) {
    json.Key("count").BeginObject().Key("photos").Integer(static_cast<std::int64_t>(album.photos.size()));
    json.Key("likes").Integer(0).Key("comments").Integer(0).EndObject();
  }
  json.Key("is_private").Boolean(false).EndObject();
}

void WritePhoto(JsonWriter& json, const ServiceState& state, const Photo& photo) {
  json.BeginObject().Key("photo_id").String(photo.photo_id);
  if (photo.host_field == Field::kNull) {
    json.Key("pic_host").Null();
  } else if (photo.host_field == Field::kPresent) {
    json.Key("pic_host").String(state.PictureHostUrl(photo));
  }
  json.Key("pic_name").String(photo.pic_name).Key("pic_type").Integer(0);
  WriteTime(json, "updated_at", photo.updated_at, photo.updated_field);
  json.Key("caption").String("").EndObject();
}

// The user the request asks about, after checking the cookies; null after
// writing the error reply.
const User* CheckedUser(ServiceState& state, Exchange& exchange) {
  std::optional<Text> viewer = state.sign_on.SignedInUser(exchange.cookies, Role::kPhoto);
  if (!viewer) {
    SetJson(exchange.response, ErrorJson("A0001", "请先登录"));
    return nullptr;
  }
  exchange.signed_in_uid = *viewer;
  const User* user = state.data.FindUser(Param(exchange.request, "uid"));
  if (!user) SetJson(exchange.response, ErrorJson("A0003", "用户不存在"));
  return user;
}

void AlbumList(ServiceState& state, Exchange& exchange) {
  const User* user = CheckedUser(state, exchange);
  if (!user) return;
  auto [first, last] = PageRange(user->albums.size(), Paging(exchange.request, 20, kMaxAlbumsPerPage));
  JsonWriter json;
  json.BeginObject().Key("result").Boolean(true).Key("code").Integer(0).Key("msg").String("");
  json.Key("data").BeginObject().Key("total").Integer(static_cast<std::int64_t>(user->albums.size()));
  json.Key("album_list").BeginArray();
  for (std::size_t i = first; i < last; ++i) WriteAlbum(json, state, *user, user->albums[i]);
  json.EndArray().EndObject().EndObject();
  SetJson(exchange.response, json.text());
}

void PhotoList(ServiceState& state, Exchange& exchange) {
  const User* user = CheckedUser(state, exchange);
  if (!user) return;
  const Album* album = DataSet::FindAlbum(*user, Param(exchange.request, "album_id"));
  if (!album) {
    SetJson(exchange.response, ErrorJson("A0002", "相册不存在"));
    return;
  }
  if (Param(exchange.request, "type") != std::to_string(album->type)) {
    SetJson(exchange.response, ErrorJson("A0004", "参数错误"));
    return;
  }
  auto [first, last] = PageRange(album->photos.size(), Paging(exchange.request, 30, kMaxPhotosPerPage));
  JsonWriter json;
  json.BeginObject().Key("result").Boolean(true).Key("code").Integer(0).Key("msg").String("");
  json.Key("data").BeginObject().Key("total").Integer(static_cast<std::int64_t>(album->photos.size()));
  json.Key("album_id").String(album->album_id).Key("photo_list").BeginArray();
  for (std::size_t i = first; i < last; ++i) WritePhoto(json, state, album->photos[i]);
  json.EndArray().EndObject().EndObject();
  SetJson(exchange.response, json.text());
}

}  // namespace

void AddPhotoRoutes(SimHttpServer& server, ServiceState& state) {
  AddRoute(server, state, false, "/albums/get_all", true,
           [&state](Exchange& exchange) { AlbumList(state, exchange); });
  AddRoute(server, state, false, "/photos/get_all", true,
           [&state](Exchange& exchange) { PhotoList(state, exchange); });
}

}  // namespace weibo::sim
