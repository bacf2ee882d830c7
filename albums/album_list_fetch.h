// The requests of a profile lookup: the profile page, the album list and the
// cover pictures. Each blocks its caller for its requests and touches no
// state but the cookie jar it is given.
//
// Threading: any thread, several at once; the jar is shared under its lock
// as FetchTextWithSharedJar describes.
#pragma once

#include <cstddef>
#include <mutex>
#include <vector>

#include "flow/program_state.h"
#include "support/text_rules.h"
#include "web/endpoints.h"

namespace weibo {

// The album list asks for this many albums, and at most this many are shown.
inline constexpr int kMaxAlbums = 64;

struct ProfileValues {
  Text user_id;
  Text nickname;
  // Both values were found.
  bool Complete() const { return !user_id.empty() && !nickname.empty(); }
};

// Fetches the profile page at `address` with the shared jar and takes the
// user's id and nickname out of it (each empty when not found).
ProfileValues FetchProfileValues(const Text& address, Text* cookie_jar, std::mutex* cookie_lock);

// Fetches the first page of the albums of `user_id` from the photo host with
// the shared jar and reads at most kMaxAlbums of them, in reply order. An
// album without a cover address gets the static host's placeholder; a
// missing key reads "0". An empty, broken or unexpected reply gives none.
std::vector<AlbumRecord> FetchAlbumRecords(const Endpoints& endpoints, const Text& user_id,
                                           Text* cookie_jar, std::mutex* cookie_lock);

// Page `page` (1-based) of the album list, kMaxAlbums albums a page, read as
// FetchAlbumRecords reads the first one.
std::vector<AlbumRecord> FetchAlbumListPage(const Endpoints& endpoints, const Text& user_id,
                                            int page, Text* cookie_jar, std::mutex* cookie_lock);

// A cover's bytes are taken up to this size; the transfer of a larger one
// is stopped there and the album gets the placeholder.
inline constexpr std::size_t kMaxCoverBytes = std::size_t{8} << 20;

// The album's icon: the picture at `cover_address` (fetched without cookies)
// decoded as it arrives, shrunk to fit kCoverKeptSize and encoded as JPEG;
// only that small picture is kept. The placeholder icon when the cover cannot
// be downloaded or decoded, passes kMaxCoverBytes or has more than
// kMaxFittedSourcePixels pixels. "0", the reading of a missing cover key, is no
// address: nothing is asked.
ByteArray CoverIcon(const Text& cover_address);

}  // namespace weibo
