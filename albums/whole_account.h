// Downloading every album of the current user in one command: the album
// list is read page by page to its end (not only the albums shown), then
// every album is queued as the popup's download queues one, each into its
// own folder, in one round with one count and one finishing text.
//
// Threading: DownloadWholeAccount runs on the user-interface thread and
// returns at once; the list pages are read on the lookup workers and the
// albums are queued back on the user-interface thread.
#pragma once

#include <vector>

#include "flow/flow_hooks.h"
#include "flow/program_state.h"

namespace weibo {

// The most album-list pages read for one account (64 albums each).
inline constexpr int kMostAlbumListPages = 200;

// Command 下载全部相册 in the size `size_segment`. Does nothing before a user
// is listed.
void DownloadWholeAccount(const FlowContext& context, const Text& size_segment);

// Reads the album list of `user_id` page by page until a page holds fewer
// than a full page of albums (or kMostAlbumListPages). Blocks; any thread.
std::vector<AlbumRecord> FetchEveryAlbum(const Endpoints& endpoints, const Text& user_id,
                                         Text* cookie_jar, std::mutex* cookie_lock);

}  // namespace weibo
