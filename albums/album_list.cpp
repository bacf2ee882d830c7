#include "albums/album_list.h"

#include <algorithm>
#include <utility>

#include "albums/album_download.h"
#include "albums/album_texts.h"
#include "albums/file_system.h"
#include "albums/path_names.h"
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

// The album's icon: its cover as JPEG, or the placeholder when the cover
// cannot be downloaded or decoded, so that every album has its own icon.
// "0" is how a missing cover key reads: no address, so nothing is asked.
ByteArray CoverIcon(const Text& cover_address) {
  const ByteArray cover = cover_address == "0" ? ByteArray() : HttpRequest(cover_address);
  ByteArray jpeg;
  if (!cover.empty() && ReencodeImage(cover, kImageJpeg, &jpeg)) return jpeg;
  return PlaceholderCoverIcon();
}

// The folder the download roots are made in. The shell gives none when no
// usable folder exists; the working folder is then the only safe choice (a
// bare separator would put the root at the top of the file system).
Text RunDirectoryOf(Shell& shell) {
  Text folder = shell.RunDirectory();
  return folder.empty() ? Text(".") : folder;
}

Text AlbumListAddress(const Endpoints& endpoints, const Text& user_id) {
  return "http://" + endpoints.photo_host + kAlbumListPath + user_id +
         "&page=1&count=64&__rnd=" + MillisecondTimestamp();
}

}  // namespace

bool ResolveProfile(const FlowContext& context) {
  ProgramState& state = *context.state;
  const Text page =
      FetchTextWithSharedJar(state.profile_address, &state.cookie_jar, &state.cookie_lock);
  state.user_id = ValueBetweenMarkers(page, kUserIdMarker, kProfileValueEnd);
  state.nickname = ValueBetweenMarkers(page, kNicknameMarker, kProfileValueEnd);
  if (state.user_id.empty() || state.nickname.empty()) {
    context.windows->MessageBox(kProfileMissingText, kProfileMissingTitle, kMbOk);
    return false;
  }
  LoadAlbums(context);
  return true;
}

int LoadAlbums(const FlowContext& context) {
  ProgramState& state = *context.state;
  const Text title = state.nickname + kAlbumTitleSuffix;
  context.windows->SetTitle(WindowId::kMain, title);
  state.download_root = JoinPath(RunDirectoryOf(*context.shell), SafePathComponent(title));
  DefaultFileSystem().CreateFolder(state.download_root);

  context.windows->ClearItems();
  state.album_images = ImageList{};
  state.album_table.clear();
  ResetPagesDone(state);

  const Text reply = FetchTextWithSharedJar(AlbumListAddress(*context.endpoints, state.user_id),
                                            &state.cookie_jar, &state.cookie_lock);
  JsonNode document;
  JsonParse(document, reply);
  const JsonNode list = JsonMember(JsonMember(document, "data"), "album_list");
  const int count = std::min(JsonLength(list), kMaxAlbums);
  for (int i = 0; i < count; ++i) {
    AlbumRecord album = ReadAlbum(JsonElement(list, i), *context.endpoints);
    state.album_images.pictures.push_back(CoverIcon(album.cover_address));
    state.album_table.push_back(std::move(album));
  }
  FillAlbumView(context);
  return count;
}

int FillAlbumView(const FlowContext& context) {
  const ProgramState& state = *context.state;
  context.windows->SetLargeIconList(state.album_images);
  const int count = static_cast<int>(state.album_table.size());
  for (int k = 0; k < count; ++k) {
    const AlbumRecord& album = state.album_table[static_cast<std::size_t>(k)];
    context.windows->AppendItem(album.caption + "_" + album.photo_count + kPhotoUnit, k);
  }
  return count;
}

void AskForProfile(const FlowContext& context) {
  const Text example = context.endpoints->main_host + kExampleProfilePath;
  Text entered;
  if (!context.windows->InputBox(kProfilePrompt + example, Text(), example, &entered)) return;
  context.state->profile_address = entered;
  ResolveProfile(context);
}

void ShowDownloads(const FlowContext& context) {
  const Text& root = context.state->download_root;
  if (root.empty()) return;
  context.shell->ShowItemSelected(ReplacePathSeparators(root, context.shell->PathSeparator()));
}

void OpenInBrowser(const FlowContext& context, const Text& address) {
  context.shell->OpenAddress(address);
}

}  // namespace weibo
