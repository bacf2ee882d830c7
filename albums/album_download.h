// Downloading an album: the popup's download commands split the selected
// album into pages of 32 pictures and post one task per page to the worker
// pool; each task fetches its page of the photo list, saves every picture
// into the album's folder and counts the pictures and pages in the status
// bar.
//
// Threading: DownloadAlbum and QueueAlbumDownload run on the user-interface
// thread and never wait for a worker. DownloadPage runs on pool workers,
// several at once; it reads no state the user-interface thread replaces
// (everything it needs travels in its PageTask), shares the cookie jar under
// state->cookie_lock and updates the counters and the status bar under
// state->progress_lock.
#pragma once

#include <cstdint>

#include "flow/flow_hooks.h"
#include "pool/worker_pool.h"
#include "support/text_rules.h"

namespace weibo {

// Pictures per photo-list page, as the service is asked for them.
inline constexpr int kPhotosPerPage = 32;

// One page of an album download. Created by QueueAlbumDownload, owned by the
// pool's queue once posted and freed by DownloadPage. It carries copies of
// every value the page needs, so a later download or another user does not
// change what a queued page fetches or where it saves.
struct PageTask {
  std::int32_t album_number = 0;  // 1-based position in the album table
  std::int32_t page = 0;          // 1-based page of the photo list
  std::int32_t type = 0;          // the album's type
  Text user_id;
  Text album_id;
  Text album_folder;  // where the pictures go
  Text size_segment;  // "/mw1024/", "/mw690/" or "/large/"
};

// A download command of the popup: disables the popup and the album view,
// records `size_segment`, queues the selected album and enables both again.
void DownloadAlbum(const FlowContext& context, const Text& size_segment);

// Queues the album selected in the album view in state->size_segment:
// creates its folder (download root + its caption as a safe folder name),
// resets the page counter, sets the page total and posts one PageTask per
// page. Does nothing when no listed album is selected. A task the pool
// refuses (not running) is freed.
void QueueAlbumDownload(const FlowContext& context);

// The number of pages of `page_size` pictures that hold `photo_count`
// pictures; at least 1, also for 0 and negative counts.
int PageCount(int photo_count, int page_size);

// The pool's task routine: takes over the PageTask at `task`, fetches its
// page of the photo list and saves each picture as updated_at + "_" +
// pic_name (made a safe file name) in the task's folder, replacing a file of
// that name. A picture that cannot be downloaded completely with a success
// status is neither written nor counted. Each saved picture raises the saved
// count and shows it; the page then raises the page count and, when it
// reaches the page total, shows the finishing text.
void DownloadPage(const FlowContext& context, TaskValue task);

// Resets the page counter; called by the user-interface thread, which never
// takes the progress lock (a worker holding it may be waiting for that
// thread to show a status text).
void ResetPagesDone(ProgramState& state);

}  // namespace weibo
