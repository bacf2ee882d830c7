#include "albums/whole_account.h"

#include <memory>
#include <utility>

#include "albums/album_download.h"
#include "albums/album_list.h"
#include "albums/album_list_fetch.h"
#include "albums/call_pool.h"
#include "albums/download_run.h"
#include "albums/download_run_texts.h"
#include "albums/download_status.h"

namespace weibo {
namespace {

constexpr int kListWorkers = 5;

// Back on the user-interface thread: queues every album unless the round
// was stopped meanwhile, then lets go of the round's hold.
// A list read for a user who is no longer the current one is dropped.
void QueueEveryAlbum(const FlowContext& context, const std::vector<AlbumRecord>& albums,
                     const Text& user_id, const Text& size_segment, std::uint64_t stop_serial) {
  ProgramState& state = *context.state;
  if (state.stop_serial.load() == stop_serial && state.user_id == user_id) {
    state.size_segment = size_segment;
    state.round_albums.store(static_cast<std::int32_t>(albums.size()));
    for (const AlbumRecord& album : albums) QueueAlbum(context, album);
  }
  state.tasks_pending.fetch_sub(1);
  PostProgress(context);
}

}  // namespace

std::vector<AlbumRecord> FetchEveryAlbum(const Endpoints& endpoints, const Text& user_id,
                                         Text* cookie_jar, std::mutex* cookie_lock) {
  std::vector<AlbumRecord> every;
  for (int page = 1; page <= kMostAlbumListPages; ++page) {
    std::vector<AlbumRecord> albums =
        FetchAlbumListPage(endpoints, user_id, page, cookie_jar, cookie_lock);
    const bool full = static_cast<int>(albums.size()) == kMaxAlbums;
    for (AlbumRecord& album : albums) every.push_back(std::move(album));
    if (!full) break;
  }
  return every;
}

void DownloadWholeAccount(const FlowContext& context, const Text& size_segment) {
  ProgramState& state = *context.state;
  if (state.user_id.empty() || !HaveDownloadRoot(context) ||
      !StartCallPool(state.lookup_pool, kListWorkers)) {
    return;
  }
  BeginRound(context);
  // The round holds one pending task while the list is read, so that it
  // neither finishes nor loses its stop command meanwhile.
  state.tasks_pending.fetch_add(1);
  context.windows->SetStatusText(0, kReadingAlbumsText);
  state.status_shown = kReadingAlbumsText;
  const std::uint64_t stop_serial = state.stop_serial.load();
  FlowContext without_state = context;
  without_state.state.reset();
  std::weak_ptr<ProgramState> weak = context.state;
  const Text user_id = state.user_id;
  const bool posted = PostCall(state.lookup_pool, [without_state, weak, user_id, size_segment,
                                                   stop_serial] {
    std::shared_ptr<ProgramState> held = weak.lock();
    if (held == nullptr) return;
    std::vector<AlbumRecord> albums = FetchEveryAlbum(*without_state.endpoints, user_id,
                                                      &held->cookie_jar, &held->cookie_lock);
    held.reset();
    without_state.windows->PostToUiThread(
        [without_state, weak, albums = std::move(albums), user_id, size_segment, stop_serial] {
          FlowContext own = without_state;
          own.state = weak.lock();
          if (own.state != nullptr) {
            QueueEveryAlbum(own, albums, user_id, size_segment, stop_serial);
          }
        });
  });
  if (!posted) {
    state.tasks_pending.fetch_sub(1);
    PostProgress(context);
  }
}

}  // namespace weibo
