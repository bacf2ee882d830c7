#include "albums/album_download.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "albums/album_list.h"
#include "albums/album_texts.h"
#include "albums/delayed_calls.h"
#include "albums/download_ending.h"
#include "albums/download_run.h"
#include "albums/download_status.h"
#include "albums/failure_list.h"
#include "albums/paced_download.h"
#include "albums/photo_list_reply.h"
#include "albums/picture_format.h"
#include "albums/retry_policy.h"
#include "albums/saved_pictures.h"
#include "albums/file_system.h"
#include "albums/path_names.h"
#include "albums/shared_cookie_jar.h"
#include "support/json_reply.h"
#include "support/timestamp.h"
#include "web/encoding.h"
#include "web/http_request.h"

namespace weibo {

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kFullWidthPlus[] = "\xA3\xAB";   // ＋
constexpr char kFullWidthMinus[] = "\xA3\xAD";  // －

// The page counters are plain fields of the state. The user-interface thread
// writes them without the progress lock, so every access is atomic.
std::atomic_ref<std::int32_t> PagesDone(ProgramState& state) {
  return std::atomic_ref<std::int32_t>(state.pages_done);
}
std::atomic_ref<std::int32_t> PagesTotal(ProgramState& state) {
  return std::atomic_ref<std::int32_t>(state.pages_total);
}

// An album's count or type text as a number: leading spaces skipped, an
// optional (also full-width) sign, then the leading (also full-width)
// digits; 0 when there are none.
std::int32_t AlbumNumberOf(const Text& text) {
  Text number = TrimSpaces(text);
  if (number.compare(0, 2, kFullWidthPlus) == 0) number.replace(0, 2, "+");
  if (number.compare(0, 2, kFullWidthMinus) == 0) number.replace(0, 2, "-");
  const std::int64_t value = TextToInteger(number);
  if (value > std::numeric_limits<std::int32_t>::max()) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value < std::numeric_limits<std::int32_t>::min()) {
    return std::numeric_limits<std::int32_t>::min();
  }
  return static_cast<std::int32_t>(value);
}

Text PhotoListAddress(const Endpoints& endpoints, const AlbumJob& job, int page) {
  return "http://" + endpoints.photo_host + kPhotoListPath + job.user_id +
         "&album_id=" + job.album_id + "&count=32&page=" + std::to_string(page) +
         "&type=" + std::to_string(job.type) + "&__rnd=" + MillisecondTimestamp();
}

// The album folders with tasks of this process running: their temporary
// files must not be removed as leftovers.
std::mutex busy_folders_lock;
std::multiset<Text> busy_folders;  // guarded by busy_folders_lock

bool FolderIsBusy(const Text& folder) {
  std::lock_guard<std::mutex> hold(busy_folders_lock);
  return busy_folders.count(folder) > 0;
}
void MarkFolderBusy(const Text& folder, bool busy) {
  std::lock_guard<std::mutex> hold(busy_folders_lock);
  if (busy) {
    busy_folders.insert(folder);
  } else if (auto found = busy_folders.find(folder); found != busy_folders.end()) {
    busy_folders.erase(found);
  }
}

void CountSavedPicture(const FlowContext& context) {
  std::atomic_ref<std::int32_t>(context.state->saved_count).fetch_add(1);
  RequestProgressUpdate(context);
}

// Adds a line for a picture saved complete to the album's record.
void RecordSavedPicture(AlbumJob& job, const Text& file_name, std::uint64_t bytes) {
  std::lock_guard<std::mutex> hold(job.mutex);
  if (job.record == nullptr) {
    job.record = DefaultFileSystem().OpenForAppend(JoinPath(job.folder, kSavedPicturesFileName));
  }
  if (job.record != nullptr) {
    job.record->Append(SavedPictures::Line(file_name, job.size_segment, bytes));
  }
}

// After a write into the album's folder failed: when the folder takes no
// more files (full disk, no permission, gone), marks the album so that its
// remaining pictures are not asked for and keeps the round's first reason.
// True when it takes no more files.
bool NoteWriteFailure(ProgramState& state, AlbumJob& job, const Text& folder) {
  if (job.unwritable.load()) return true;
  WriteProblem problem = DefaultFileSystem().ProbeFolder(folder);
  if (!IsLasting(problem)) return false;
  job.unwritable.store(true);
  WriteProblem none = WriteProblem::kNone;
  state.write_problem.compare_exchange_strong(none, problem);
  return true;
}

// Closes the album's record and writes its list of failed downloads, or
// removes an old one when nothing is listed any more.
void FinishAlbum(ProgramState& state, AlbumJob& job) {
  const Text list_path = JoinPath(job.folder, kFailedListFileName);
  std::vector<std::pair<std::int64_t, Text>> failed;
  std::set<Text> tried;
  {
    std::lock_guard<std::mutex> hold(job.mutex);
    job.record.reset();
    failed = job.failed;
    tried.swap(job.tried);
  }
  std::sort(failed.begin(), failed.end());
  std::vector<Text> addresses;
  for (const auto& [position, address] : failed) addresses.push_back(address);
  FileSystem& files = DefaultFileSystem();
  // A stopped album did not try the pictures it dropped.
  const bool every_page_listed = !job.page_failed.load() && !JobStopped(state, job);
  const ByteArray old_list =
      every_page_listed ? ByteArray() : files.ReadFile(list_path).value_or(ByteArray());
  const ByteArray list = MergedFailureList(old_list, addresses, tried, every_page_listed);
  if (list.empty()) {
    files.RemoveFile(list_path);
  } else if (!files.ReplaceFile(list_path, list)) {
    state.failure_list_unwritten.store(true);
    NoteWriteFailure(state, job, job.folder);
  }
  MarkFolderBusy(job.folder, false);
}

// Ends one task: the album's files are written when it was the album's last
// task, the finishing text is asked for when it was the last of all.
void FinishTask(const FlowContext& context, AlbumJob& job) {
  if (job.tasks_left.fetch_sub(1) == 1) FinishAlbum(*context.state, job);
  // The finishing text goes at once, not after the interval.
  if (context.state->tasks_pending.fetch_sub(1) == 1) PostProgress(context);
}

void RecordFailure(const FlowContext& context, AlbumJob& job, const PageTask& task,
                   const Text& address, int pictures) {
  {
    std::lock_guard<std::mutex> hold(job.mutex);
    job.failed.emplace_back(task.position, address);
  }
  context.state->failed_count.fetch_add(pictures);
}

// Hands `task` back to the pool after `pause`, from the timer thread. A task
// the pool refuses then (it was stopped) is dropped.
void RetryLater(const FlowContext& context, std::unique_ptr<PageTask> task,
                std::chrono::milliseconds pause) {
  ++task->retries;
  std::weak_ptr<ProgramState> weak = context.state;
  PageTask* raw = task.release();
  RunLater(Clock::now() + pause, [weak, raw] {
    std::shared_ptr<ProgramState> state = weak.lock();
    if (state == nullptr || !state->pool.Post(reinterpret_cast<TaskValue>(raw))) delete raw;
  });
}

// The pause before the next try of a task whose transfer ended as `reply`,
// or empty when it is not tried again.
std::optional<std::chrono::milliseconds> RetryPause(const ProgramState& state,
                                                    const PageTask& task,
                                                    const DownloadReply& reply) {
  if (!IsPassingFailure(reply)) return std::nullopt;
  thread_local std::mt19937_64 random{std::random_device{}()};
  return PauseBeforeRetry(RetrySchedule{state.retry_pauses, state.longest_retry_after},
                          task.retries, reply.raw_headers, random);
}

bool IsSuccess(const DownloadReply& reply) {
  return reply.outcome == TransportOutcome::kComplete && reply.status >= 200 &&
         reply.status <= 299;
}

// The pictures a page of the album should hold, for the failure count of a
// page that could not be listed; at least 1, since its pictures are unknown.
int PicturesOnPage(const AlbumJob& job, int page) {
  const std::int64_t rest = std::int64_t{job.photo_count} - std::int64_t{page - 1} * kPhotosPerPage;
  return static_cast<int>(std::clamp<std::int64_t>(rest, 1, kPhotosPerPage));
}

// Queues a task for each picture of a parsed photo list; their tasks count
// before the page's own task ends, so the pending count never passes 0.
void QueuePictures(const FlowContext& context, const std::shared_ptr<AlbumJob>& job,
                   const PageTask& page, const JsonNode& list) {
  ProgramState& state = *context.state;
  const int count = JsonLength(list);
  for (int i = 0; i < count && !JobStopped(state, *job); ++i) {
    const JsonNode photo = JsonElement(list, i);
    const Text name = JsonText(JsonMember(photo, "pic_name"));
    const Text host = JsonText(JsonMember(photo, "pic_host"));
    const Text updated = JsonText(JsonMember(photo, "updated_at"));
    // A host of "0" is a missing or null key: there is no address to ask,
    // and "0/..." would reach whatever answers on this machine's port 80.
    if (host == "0") continue;
    auto task = std::make_unique<PageTask>();
    task->job = job;
    task->picture_address = host + job->size_segment + name;
    task->file_name = SafePathComponent(updated + "_" + name);
    task->modified = PlausibleFileTime(updated);
    task->position = page.position + i;
    job->tasks_left.fetch_add(1);
    state.tasks_pending.fetch_add(1);
    state.round_pictures.fetch_add(1);
    if (state.pool.Post(reinterpret_cast<TaskValue>(task.get()))) {
      task.release();
    } else {
      job->tasks_left.fetch_sub(1);
      state.tasks_pending.fetch_sub(1);
    }
  }
}

// Ends a page that could not be listed: its pictures count as failed and
// its address is listed.
void FailPage(const FlowContext& context, AlbumJob& job, const PageTask& task,
              const Text& address) {
  job.page_failed.store(true);
  RecordFailure(context, job, task, address, PicturesOnPage(job, task.page));
  PagesDone(*context.state).fetch_add(1);
  FinishTask(context, job);
}

// Once per round: the service no longer accepts the sign-in. Later pages are
// not asked for (the flag is set first), the status bar says so, then the
// sign_in_ended hook runs on the user-interface thread.
void EndSignIn(const FlowContext& context) {
  if (context.state->sign_in_ended.exchange(true)) return;
  PostProgress(context);
  if (context.hooks == nullptr || !context.hooks->sign_in_ended) return;
  FlowContext without_state = context;
  without_state.state.reset();
  context.windows->PostToUiThread(
      [without_state, weak = std::weak_ptr<ProgramState>(context.state)] {
        FlowContext own = without_state;
        own.state = weak.lock();
        if (own.state != nullptr) own.hooks->sign_in_ended(own);
      });
}

// Keeps no body but ends the transfer once the album's downloads stop.
class StopSink : public BodySink {
 public:
  StopSink(const ProgramState& state, const AlbumJob& job) : state_(state), job_(job) {}
  bool Accept(int) override { return false; }
  bool Write(const char*, std::size_t) override { return false; }
  bool Cancelled() override { return JobStopped(state_, job_); }

 private:
  const ProgramState& state_;
  const AlbumJob& job_;
};

// A photo-list page: fetched with the shared cookie jar; a reply that failed
// in passing, that is no JSON or no list is fetched again later. Not asked
// for once the sign-in has ended or the album's folder takes no files.
void ListPage(const FlowContext& context, std::unique_ptr<PageTask> task) {
  ProgramState& state = *context.state;
  std::shared_ptr<AlbumJob> job = task->job;
  const Text address = PhotoListAddress(*context.endpoints, *job, task->page);
  if (state.sign_in_ended.load() || job->unwritable.load()) {
    FailPage(context, *job, *task, address);
    return;
  }
  Text jar;
  {
    std::lock_guard<std::mutex> hold(state.cookie_lock);
    jar = state.cookie_jar;
  }
  Text fresh;
  StopSink stop_sink(state, *job);
  DownloadReply reply = PacedDownload(context, *task, address, &stop_sink, &jar, &fresh);
  {
    std::lock_guard<std::mutex> hold(state.cookie_lock);
    MergeFreshCookies(&state.cookie_jar, fresh);
  }
  if (JobStopped(state, *job)) {
    FinishTask(context, *job);
    return;
  }
  JsonNode document;
  JsonNode list;
  const bool parsed = IsSuccess(reply) && JsonParse(document, Utf8ToGbk(reply.body));
  const PhotoListVerdict verdict =
      parsed ? JudgePhotoListReply(document, &list) : PhotoListVerdict::kNotAList;
  if (verdict == PhotoListVerdict::kSignedOut) {
    EndSignIn(context);
    FailPage(context, *job, *task, address);
    return;
  }
  if (verdict == PhotoListVerdict::kNotAList) {
    // A cut reply or an error in place of the list: worth another try.
    if (IsSuccess(reply)) reply.status = 503;
    if (const auto pause = RetryPause(state, *task, reply)) {
      RetryLater(context, std::move(task), *pause);
      return;
    }
    FailPage(context, *job, *task, address);
    return;
  }
  QueuePictures(context, job, *task, list);
  PagesDone(state).fetch_add(1);
  FinishTask(context, *job);
}

// Takes a picture's body into a temporary file beside its target when the
// reply is a success; anything else is left to the transfer. A body that
// does not begin as a picture ends the transfer.
class PictureSink : public BodySink {
 public:
  PictureSink(Text path, const ProgramState& state, const AlbumJob& job)
      : path_(std::move(path)), state_(state), job_(job) {}
  bool Cancelled() override { return JobStopped(state_, job_); }
  bool Accept(int status) override {
    if (status < 200 || status > 299) return false;
    file_ = DefaultFileSystem().BeginReplace(path_);
    disk_failed_ = file_ == nullptr;
    return true;  // never hold a picture in memory; a failed file ends the transfer
  }
  bool Write(const char* data, std::size_t size) override {
    if (file_ == nullptr) return false;
    if (leading_.size() < kPictureSignatureBytes) {
      leading_.append(data, std::min(size, kPictureSignatureBytes - leading_.size()));
      if (leading_.size() == kPictureSignatureBytes && !LooksLikePicture(leading_)) return false;
    }
    if (!file_->Write(data, size)) {
      disk_failed_ = true;
      return false;
    }
    bytes_ += size;
    return true;
  }
  // Renames the complete file over the target; false when there is nothing
  // to keep (no body) or the disk refused.
  bool Keep(std::optional<std::int64_t> modified) {
    if (file_ == nullptr || bytes_ == 0) return false;
    disk_failed_ = !file_->Commit(modified);
    file_.reset();
    return !disk_failed_;
  }
  // Removes the temporary file of a transfer that is not kept.
  void Drop() { file_.reset(); }
  bool disk_failed() const { return disk_failed_; }
  // True when the body so far begins as a picture does.
  bool IsPicture() const { return LooksLikePicture(leading_); }
  std::uint64_t bytes() const { return bytes_; }

 private:
  Text path_;
  const ProgramState& state_;
  const AlbumJob& job_;
  std::unique_ptr<FileReplacement> file_;
  std::uint64_t bytes_ = 0;
  bool disk_failed_ = false;
  ByteArray leading_;  // the body's first bytes, up to kPictureSignatureBytes
};

void SavePicture(const FlowContext& context, std::unique_ptr<PageTask> task) {
  std::shared_ptr<AlbumJob> job = task->job;
  {
    std::lock_guard<std::mutex> hold(job->mutex);
    job->tried.insert(task->picture_address);
  }
  const Text path = JoinPath(job->folder, task->file_name);
  // Only a picture the record lists can be complete already; others are not
  // looked for on disk.
  if (task->retries == 0 && job->saved.Lists(task->file_name) &&
      job->saved.IsSavedComplete(task->file_name, job->size_segment,
                                 DefaultFileSystem().FileSize(path))) {
    CountSavedPicture(context);
    FinishTask(context, *job);
    return;
  }
  if (job->unwritable.load()) {  // not asked for: it could not be saved
    RecordFailure(context, *job, *task, task->picture_address, 1);
    FinishTask(context, *job);
    return;
  }
  PictureSink sink(path, *context.state, *job);
  DownloadReply reply = PacedDownload(context, *task, task->picture_address, &sink);
  const bool picture = sink.IsPicture() && ContentTypeAllowsPicture(reply.raw_headers);
  if (IsSuccess(reply) && picture && sink.Keep(task->modified)) {
    RecordSavedPicture(*job, task->file_name, sink.bytes());
    CountSavedPicture(context);
    FinishTask(context, *job);
    return;
  }
  sink.Drop();
  if (JobStopped(*context.state, *job)) {
    FinishTask(context, *job);
    return;
  }
  if (sink.disk_failed()) {
    NoteWriteFailure(*context.state, *job, job->folder);
  } else {
    // A page or an empty body in place of the picture: worth another try.
    if (IsSuccess(reply)) reply.status = 503;
    if (const auto pause = RetryPause(*context.state, *task, reply)) {
      RetryLater(context, std::move(task), *pause);
      return;
    }
  }
  RecordFailure(context, *job, *task, task->picture_address, 1);
  FinishTask(context, *job);
}

}  // namespace

void ResetPagesDone(ProgramState& state) { PagesDone(state).store(0); }

int PageCount(int photo_count, int page_size) {
  if (page_size <= 0 || photo_count < page_size) return 1;
  const int rest = photo_count % page_size;
  if (rest == 0) return photo_count / page_size;
  return (photo_count - rest) / page_size + 1;
}

std::optional<std::int64_t> PlausibleFileTime(const Text& updated) {
  if (updated.empty() || updated.size() > 12 ||
      updated.find_first_not_of("0123456789") != Text::npos) {
    return std::nullopt;
  }
  constexpr std::int64_t kYear1990 = 631152000;
  const std::int64_t seconds = TextToInteger(updated);
  const std::int64_t latest = std::chrono::duration_cast<std::chrono::seconds>(
                                  std::chrono::system_clock::now().time_since_epoch())
                                  .count() +
                              86400;
  if (seconds < kYear1990 || seconds > latest) return std::nullopt;
  return seconds;
}

void DownloadAlbum(const FlowContext& context, const Text& size_segment) {
  context.windows->SetDisabled(Control::kAlbumMenu, true);
  context.windows->SetDisabled(Control::kAlbumView, true);
  context.state->size_segment = size_segment;
  QueueAlbumDownload(context);
  context.windows->SetDisabled(Control::kAlbumMenu, false);
  context.windows->SetDisabled(Control::kAlbumView, false);
}

void QueueAlbumDownload(const FlowContext& context) {
  ProgramState& state = *context.state;
  const int index = context.windows->SelectedIndex();
  if (index < 0 || index >= static_cast<int>(state.album_table.size())) return;
  if (!HaveDownloadRoot(context)) return;
  BeginRound(context);
  QueueAlbum(context, state.album_table[static_cast<std::size_t>(index)]);
}

void QueueAlbum(const FlowContext& context, const AlbumRecord& album) {
  ProgramState& state = *context.state;
  state.album_folder = JoinPath(state.download_root, SafePathComponent(album.caption));
  ResetPagesDone(state);
  FileSystem& files = DefaultFileSystem();
  auto job = std::make_shared<AlbumJob>();
  if (!files.CreateFolder(state.album_folder)) {
    // Nothing can be saved: its pages and pictures count as failed.
    if (!NoteWriteFailure(state, *job, state.download_root)) {
      job->unwritable.store(true);
      WriteProblem none = WriteProblem::kNone;
      state.write_problem.compare_exchange_strong(none, WriteProblem::kOther);
    }
  }
  job->user_id = state.user_id;
  job->album_id = album.album_id;
  job->type = AlbumNumberOf(album.type);
  job->photo_count = AlbumNumberOf(album.photo_count);
  job->folder = state.album_folder;
  job->size_segment = state.size_segment;
  job->stop_serial = state.stop_serial.load();
  if (!FolderIsBusy(job->folder)) files.RemoveLeftoverTemporaryFiles(job->folder);
  job->saved = SavedPictures::Parse(
      files.ReadFile(JoinPath(job->folder, kSavedPicturesFileName)).value_or(ByteArray()));

  const int pages = PageCount(job->photo_count, kPhotosPerPage);
  PagesTotal(state).store(pages);
  MarkFolderBusy(job->folder, true);
  job->tasks_left.store(pages + 1);  // + 1 until every page is posted
  state.tasks_pending.fetch_add(pages);
  for (int page = 1; page <= pages; ++page) {
    auto task = std::make_unique<PageTask>();
    task->job = job;
    task->page = page;
    task->position = std::int64_t{page - 1} * kPhotosPerPage;
    // Once posted the task belongs to the queue; a refused one stays ours.
    if (state.pool.Post(reinterpret_cast<TaskValue>(task.get()))) {
      task.release();
    } else {
      job->page_failed.store(true);  // not tried: the old list keeps its pictures
      job->tasks_left.fetch_sub(1);
      state.tasks_pending.fetch_sub(1);
    }
  }
  // The album's tasks may all have ended already (pictures saved before, or
  // a folder that takes no files): then its files are written here.
  if (job->tasks_left.fetch_sub(1) == 1) FinishAlbum(state, *job);
}

void DownloadPage(const FlowContext& context, TaskValue task_value) {
  std::unique_ptr<PageTask> task(reinterpret_cast<PageTask*>(task_value));
  if (task == nullptr || task->job == nullptr) return;
  if (JobStopped(*context.state, *task->job)) {
    FinishTask(context, *task->job);
    return;
  }
  if (task->page > 0) {
    ListPage(context, std::move(task));
  } else {
    SavePicture(context, std::move(task));
  }
}

}  // namespace weibo
