#include "albums/album_list_fetch.h"

#include <algorithm>
#include <string>

#include "albums/album_texts.h"
#include "albums/placeholder_cover.h"
#include "albums/profile_value.h"
#include "albums/shared_cookie_jar.h"
#include "support/json_reply.h"
#include "support/reencode_image.h"
#include "support/timestamp.h"
#include "web/http_request.h"

namespace weibo {
namespace {

Text MemberText(const JsonNode& node, const char* key) { return JsonText(JsonMember(node, key)); }

AlbumRecord ReadAlbum(const JsonNode& element, const Endpoints& endpoints) {
  AlbumRecord album;
  album.caption = MemberText(element, "caption");
  album.album_id = MemberText(element, "album_id");
  album.cover_address = MemberText(element, "cover_pic");
  album.updated = MemberText(element, "updated_at");
  album.photo_count = MemberText(JsonMember(element, "count"), "photos");
  album.type = MemberText(element, "type");
  if (album.cover_address.empty()) {
    album.cover_address = "http://" + endpoints.static_host + kCoverPlaceholderPath;
  }
  return album;
}

// Takes a cover's body, of a successful reply only, up to kMaxCoverBytes;
// one byte more stops the transfer.
class CoverBytes : public BodySink {
 public:
  bool Accept(int status) override { return status >= 200 && status < 300; }
  bool Write(const char* data, std::size_t size) override {
    if (size > kMaxCoverBytes - bytes.size()) {
      bytes.clear();
      return false;
    }
    bytes.append(data, size);
    return true;
  }
  ByteArray bytes;
};

Text AlbumListAddress(const Endpoints& endpoints, const Text& user_id, int page) {
  return "http://" + endpoints.photo_host + kAlbumListPath + user_id + "&page=" +
         std::to_string(page) + "&count=" + std::to_string(kMaxAlbums) +
         "&__rnd=" + MillisecondTimestamp();
}

}  // namespace

ProfileValues FetchProfileValues(const Text& address, Text* cookie_jar, std::mutex* cookie_lock) {
  const Text page = FetchTextWithSharedJar(address, cookie_jar, cookie_lock);
  return ProfileValues{ValueBetweenMarkers(page, kUserIdMarker, kProfileValueEnd),
                       ValueBetweenMarkers(page, kNicknameMarker, kProfileValueEnd)};
}

std::vector<AlbumRecord> FetchAlbumListPage(const Endpoints& endpoints, const Text& user_id,
                                            int page, Text* cookie_jar, std::mutex* cookie_lock) {
  const Text reply = FetchTextWithSharedJar(AlbumListAddress(endpoints, user_id, page),
                                            cookie_jar, cookie_lock);
  JsonNode document;
  JsonParse(document, reply);
  const JsonNode list = JsonMember(JsonMember(document, "data"), "album_list");
  const int count = std::min(JsonLength(list), kMaxAlbums);
  std::vector<AlbumRecord> albums;
  albums.reserve(static_cast<std::size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) albums.push_back(ReadAlbum(JsonElement(list, i), endpoints));
  return albums;
}

std::vector<AlbumRecord> FetchAlbumRecords(const Endpoints& endpoints, const Text& user_id,
                                           Text* cookie_jar, std::mutex* cookie_lock) {
  return FetchAlbumListPage(endpoints, user_id, 1, cookie_jar, cookie_lock);
}

ByteArray CoverIcon(const Text& cover_address) {
  if (cover_address == "0") return PlaceholderCoverIcon();
  CoverBytes cover;
  const DownloadReply reply = HttpDownload(cover_address, &cover);
  ByteArray jpeg;
  if (reply.outcome == TransportOutcome::kComplete && !cover.bytes.empty() &&
      FitAndReencodeImage(cover.bytes, PictureSize{kCoverKeptSize, kCoverKeptSize}, kImageJpeg,
                          &jpeg)) {
    return jpeg;
  }
  return PlaceholderCoverIcon();
}

}  // namespace weibo
