// Downloading albums: the popup's download commands queue the selected
// album; its photo-list pages are fetched first, one task per page, and each
// page then queues one task per picture, so that every worker stays busy to
// the album's end whatever its size. Albums queued one after another run in
// order and share one count; the finishing text shows once, when every
// queued album is done.
//
// A transfer that fails in a way that may pass (see retry_policy.h) is tried
// again after a growing pause; the waiting task sits on a timer, not on a
// worker, so it never holds up other tasks. A picture that still fails is
// neither saved nor counted: its address goes to the album folder's list of
// failed downloads and the finishing text says how many failed. A reply is
// saved only when its body is a picture (picture_format.h); a photo-list
// reply only counts when it is a list (photo_list_reply.h), and one that
// says the sign-in has ended stops the round's pages (FlowHooks::
// sign_in_ended is then called). After a write fails because the folder
// takes no more files, the album's remaining pictures are not fetched. A picture
// already saved complete in the same size (see saved_pictures.h) is not
// fetched again. Each picture streams to a temporary file as it arrives and
// takes its "updated_at" as modification time.
//
// Threading: DownloadAlbum and QueueAlbumDownload run on the user-interface
// thread and never wait for a worker. DownloadPage runs on pool workers,
// several at once; everything a task needs travels in its PageTask, the
// cookie jar is shared under state->cookie_lock, and the counters are
// atomic. Workers never wait for the user-interface thread: the status bar
// is updated by calls posted to it (WindowOps::PostToUiThread), at most about
// ten times a second, ending with the exact final text.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "albums/file_system.h"
#include "albums/saved_pictures.h"
#include "flow/flow_hooks.h"
#include "pool/worker_pool.h"
#include "support/text_rules.h"

namespace weibo {

// Pictures per photo-list page, as the service is asked for them.
inline constexpr int kPhotosPerPage = 32;
// The list of failed downloads in an album folder: one address per line,
// CR LF line ends, so that it opens as plain text everywhere.
inline constexpr char kFailedListFileName[] = "failed-downloads.txt";

// What the tasks of one queued album share. The values are copies made when
// the album is queued; `saved` is read-only afterwards.
struct AlbumJob {
  Text user_id;
  Text album_id;
  std::int32_t type = 0;
  std::int32_t photo_count = 0;
  Text folder;
  Text size_segment;
  std::uint64_t stop_serial = 0;  // the state's stop serial when queued
  SavedPictures saved;
  std::atomic<std::int32_t> tasks_left{0};  // this album's tasks not yet finished
  // Set once a page could not be listed: the run has not tried every
  // picture, so the old list of failed downloads keeps what it did not try.
  std::atomic<bool> page_failed{false};
  // Set once the folder takes no more files: the album's remaining pages and
  // pictures are not asked for and count as failed.
  std::atomic<bool> unwritable{false};
  std::mutex mutex;                         // guards failed, tried and record
  // The album's record of saved pictures, opened at the first picture saved
  // and closed when the album's last task ends.
  std::unique_ptr<FileAppender> record;
  // Addresses that could not be saved, with their position in the album.
  std::vector<std::pair<std::int64_t, Text>> failed;
  // The picture addresses this run asked for or found saved.
  std::set<Text> tried;
};


// One task of an album download: a photo-list page (page > 0) or one picture
// (page 0). Created by QueueAlbumDownload or by a page's task, owned by the
// pool's queue (or the retry timer) once posted, and freed by DownloadPage.
struct PageTask {
  std::shared_ptr<AlbumJob> job;
  std::int32_t page = 0;  // 1-based page of the photo list; 0 for a picture
  Text picture_address;   // a picture's host + size segment + name
  Text file_name;         // a picture's safe file name in the album folder
  std::optional<std::int64_t> modified;  // a picture's time, seconds since 1970
  int retries = 0;                       // how often the transfer was tried again
  std::int64_t position = 0;  // where its pictures stand in the album, for the failure list
};

// A download command of the popup: disables the popup and the album view,
// records `size_segment`, queues the selected album and enables both again.
void DownloadAlbum(const FlowContext& context, const Text& size_segment);

// Queues the album selected in the album view in state->size_segment:
// creates its folder (download root + its caption as a safe folder name),
// removes temporary files an ended process left there, reads which pictures
// are already saved, and posts one task per photo-list page. Does nothing
// when no listed album is selected. Tasks the pool refuses (not running) are
// freed.
void QueueAlbumDownload(const FlowContext& context);

// Queues `album` in state->size_segment as QueueAlbumDownload does with the
// selected one, within the current round (see download_run.h: BeginRound
// runs first).
void QueueAlbum(const FlowContext& context, const AlbumRecord& album);

// The number of pages of `page_size` pictures that hold `photo_count`
// pictures; at least 1, also for 0 and negative counts.
int PageCount(int photo_count, int page_size);

// The pool's task routine: takes over the PageTask at `task` and runs it.
// A page task fetches its page of the photo list and queues a task for each
// picture with a host; a picture task saves its picture as updated_at + "_" +
// pic_name (made a safe file name), replacing a file of that name.
void DownloadPage(const FlowContext& context, TaskValue task);

// A time from a photo's "updated_at" text when it is a plausible one: whole
// seconds after 1990 and not more than a day ahead of now.
std::optional<std::int64_t> PlausibleFileTime(const Text& updated);

// Resets the page counter; called by the user-interface thread.
void ResetPagesDone(ProgramState& state);

}  // namespace weibo
