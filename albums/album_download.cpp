#include "albums/album_download.h"

#include <atomic>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "albums/album_texts.h"
#include "albums/file_system.h"
#include "albums/path_names.h"
#include "albums/shared_cookie_jar.h"
#include "support/json_reply.h"
#include "support/timestamp.h"
#include "web/http_request.h"

namespace weibo {
namespace {

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

Text PhotoListAddress(const Endpoints& endpoints, const PageTask& task) {
  return "http://" + endpoints.photo_host + kPhotoListPath + task.user_id +
         "&album_id=" + task.album_id + "&count=32&page=" + std::to_string(task.page) +
         "&type=" + std::to_string(task.type) + "&__rnd=" + MillisecondTimestamp();
}

// The status code of a reply's header block ("HTTP/1.1 200 OK" ...), or 0.
int StatusCodeOf(const Text& raw_headers) {
  if (raw_headers.compare(0, 5, "HTTP/") != 0) return 0;
  const std::size_t space = raw_headers.find(' ');
  if (space == Text::npos) return 0;
  return static_cast<int>(TextToInteger(std::string_view(raw_headers).substr(space + 1, 3)));
}

// Downloads the picture at `address` and stores it as `path`. False, writing
// nothing, when the reply is empty or not a success: an error page or a cut
// transfer must not replace a good picture.
bool SavePicture(const Text& address, const Text& path) {
  Text raw_headers;
  const ByteArray bytes = HttpRequest(address, 0, Text(), nullptr, nullptr, nullptr, nullptr,
                                      false, nullptr, std::nullopt, &raw_headers);
  const int status = StatusCodeOf(raw_headers);
  if (bytes.empty() || status < 200 || status > 299) return false;
  return DefaultFileSystem().ReplaceFile(path, bytes);
}

void CountSavedPicture(const FlowContext& context) {
  ProgramState& state = *context.state;
  std::lock_guard<std::mutex> hold(state.progress_lock);
  ++state.saved_count;
  context.windows->SetStatusText(
      0, kSavedCountPrefix + std::to_string(state.saved_count) + kSavedCountSuffix);
}

void CountFinishedPage(const FlowContext& context) {
  ProgramState& state = *context.state;
  std::lock_guard<std::mutex> hold(state.progress_lock);
  const std::int32_t done = PagesDone(state).fetch_add(1) + 1;
  if (done == PagesTotal(state).load()) context.windows->SetStatusText(0, kAllPagesDoneText);
}

}  // namespace

void ResetPagesDone(ProgramState& state) { PagesDone(state).store(0); }

int PageCount(int photo_count, int page_size) {
  if (page_size <= 0 || photo_count < page_size) return 1;
  const int rest = photo_count % page_size;
  if (rest == 0) return photo_count / page_size;
  return (photo_count - rest) / page_size + 1;
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
  const AlbumRecord& album = state.album_table[static_cast<std::size_t>(index)];

  state.album_folder = JoinPath(state.download_root, SafePathComponent(album.caption));
  ResetPagesDone(state);
  DefaultFileSystem().CreateFolder(state.album_folder);
  const std::int32_t type = AlbumNumberOf(album.type);
  const int pages = PageCount(AlbumNumberOf(album.photo_count), kPhotosPerPage);
  PagesTotal(state).store(pages);

  for (int page = 1; page <= pages; ++page) {
    auto task = std::make_unique<PageTask>();
    task->album_number = index + 1;
    task->page = page;
    task->type = type;
    task->user_id = state.user_id;
    task->album_id = album.album_id;
    task->album_folder = state.album_folder;
    task->size_segment = state.size_segment;
    // Once posted the task belongs to the queue; a refused one stays ours.
    if (state.pool.Post(reinterpret_cast<TaskValue>(task.get()))) task.release();
  }
}

void DownloadPage(const FlowContext& context, TaskValue task_value) {
  std::unique_ptr<PageTask> task(reinterpret_cast<PageTask*>(task_value));
  if (task == nullptr) return;
  ProgramState& state = *context.state;
  const Text reply = FetchTextWithSharedJar(PhotoListAddress(*context.endpoints, *task),
                                            &state.cookie_jar, &state.cookie_lock);
  JsonNode document;
  JsonParse(document, reply);
  const JsonNode list = JsonMember(JsonMember(document, "data"), "photo_list");
  const int count = JsonLength(list);
  for (int i = 0; i < count; ++i) {
    const JsonNode photo = JsonElement(list, i);
    const Text name = JsonText(JsonMember(photo, "pic_name"));
    const Text host = JsonText(JsonMember(photo, "pic_host"));
    const Text updated = JsonText(JsonMember(photo, "updated_at"));
    // A host of "0" is a missing or null key: there is no address to ask,
    // and "0/..." would reach whatever answers on this machine's port 80.
    if (host == "0") continue;
    const Text path = JoinPath(task->album_folder, SafePathComponent(updated + "_" + name));
    if (SavePicture(host + task->size_segment + name, path)) CountSavedPicture(context);
  }
  CountFinishedPage(context);
}

}  // namespace weibo
