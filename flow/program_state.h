// The tool's process-wide state: one instance of each item for the whole
// process, created empty before the first window opens and released when the
// program ends (Program::CreateProgramState / ReleaseProgramState).
//
// Ownership: the Program holds the state through a shared pointer. A worker
// task that reads the state keeps its own reference for as long as it runs,
// so releasing the state at the end of the program never frees it under a
// running task.
//
// Threading: the user-interface thread owns every field except where noted.
// Download tasks change the download counters atomically and reach the
// status bar only through calls posted to the user-interface thread. Fields
// the download tasks also read must be copied into the task or guarded by the
// code that shares them.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "flow/window_ops.h"
#include "flow/write_problem.h"
#include "pool/worker_pool.h"
#include "support/text_rules.h"
#include "web/host_pacing.h"

namespace weibo {

// One album of the current user, in the order of the service's reply.
struct AlbumRecord {
  Text caption;        // item label and the album's folder name
  Text album_id;       // used in the photo-list request
  Text cover_address;  // the cover picture (or the placeholder)
  Text updated;        // kept only
  Text photo_count;    // item label and the number of pages
  Text type;           // used in the photo-list request
};

struct ProgramState {
  // The service's cookies as name=value entries joined by "; ". Once the
  // download pool runs, every use goes through cookie_lock, held only to copy
  // the jar or to merge a reply's cookies into it, never during a request.
  Text cookie_jar;
  std::mutex cookie_lock;

  // The current user.
  Text profile_address;
  Text user_id;
  Text nickname;
  Text download_root;
  std::vector<AlbumRecord> album_table;  // album k is item k-1 of the album view
  ImageList album_images;                // one 150 x 150 icon per album

  // Downloads.
  Text size_segment;
  Text album_folder;
  std::int32_t pages_done = 0;   // changed atomically: photo-list pages handled
  std::int32_t pages_total = 0;  // changed atomically: pages of the album queued last
  std::int32_t saved_count = 0;  // changed atomically by the download tasks
  std::mutex progress_lock;
  // The download tasks of every queued album not yet finished (photo-list
  // pages, pictures, retries waiting for their time). The finishing text
  // shows when it falls to 0.
  std::atomic<std::int32_t> tasks_pending{0};
  // Pictures that could not be saved since the downloads last finished.
  std::atomic<std::int32_t> failed_count{0};
  // Set when a photo-list reply said that the service no longer accepts the
  // sign-in: no further page of the round is asked for, and the status bar
  // says so. Cleared when a new round starts.
  std::atomic<bool> sign_in_ended{false};
  // The first lasting reason of the round why an album folder took no more
  // files, and whether a list of failed downloads could not be written.
  std::atomic<WriteProblem> write_problem{WriteProblem::kNone};
  std::atomic<bool> failure_list_unwritten{false};
  // Set while a status-bar update is on its way to the user-interface
  // thread, and when the last one was shown (steady clock, milliseconds):
  // the count is shown at most about ten times a second.
  std::atomic<bool> status_update_queued{false};
  std::atomic<std::int64_t> status_shown_at_ms{0};
  Text status_shown;  // the download text shown last; user-interface thread only
  // Stopping: each stop raises stop_serial, and a task of an album queued
  // before the latest stop ends without asking anything more. `stopped`
  // holds from a stop until the next download is queued; the status bar then
  // says that downloading stopped.
  std::atomic<std::uint64_t> stop_serial{0};
  std::atomic<bool> stopped{false};
  // The current round of downloads (from the first album queued while none
  // ran until the finishing text): saved_count when it began, the albums a
  // whole-account download takes (0 for single albums) and the pictures its
  // photo lists have named so far.
  std::atomic<std::int32_t> round_saved_base{0};
  std::atomic<std::int32_t> round_albums{0};
  std::atomic<std::int32_t> round_pictures{0};
  // Until when (steady clock, milliseconds) the service asked us to slow
  // down; the status bar says so meanwhile.
  std::atomic<std::int64_t> slow_down_until_ms{0};
  // Requests to a host that answered with a rate limit share its cool-down
  // and pace themselves; false leaves each request to its own retries.
  bool pace_hosts = true;
  // The pacing of every host the downloads talk to, shared by all their
  // workers (it locks on its own).
  HostPacing pacing;
  // Download requests sent, and how many of them the service refused with a
  // rate limit; changed atomically by the download tasks.
  std::atomic<std::int32_t> requests_sent{0};
  std::atomic<std::int32_t> rate_limited_replies{0};
  // The pauses before the retries of a failed transfer, one per retry, and
  // the longest Retry-After that is honoured. Set before the first download;
  // tests shorten them.
  std::vector<std::chrono::milliseconds> retry_pauses{
      std::chrono::seconds(1), std::chrono::seconds(2), std::chrono::seconds(4),
      std::chrono::seconds(8)};
  std::chrono::milliseconds longest_retry_after{std::chrono::seconds(60)};

  // The pool that runs page downloads; constructed, not running.
  WorkerPool pool;

  // Profile lookups and album lists run on their own workers, so that a full
  // download queue never holds them up; the first lookup starts the pool.
  // Created, posted to and destroyed on the user-interface thread only.
  WorkerPool lookup_pool;
  // The number of the latest lookup. The user-interface thread raises it to
  // start one; a lookup whose number is no longer the latest has been
  // overtaken, and its workers and results give up.
  std::atomic<std::uint64_t> lookup_serial = 0;

  // Set when the image layer has been started.
  bool imaging_started = false;
};

}  // namespace weibo
