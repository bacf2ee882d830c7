#include "albums/album_list.h"

#include <utility>

#include "albums/album_download.h"
#include "albums/album_texts.h"
#include "albums/download_root_choice.h"
#include "albums/file_system.h"
#include "albums/path_names.h"
#include "albums/placeholder_cover.h"

namespace weibo {
namespace {

void ShowNoRunFolder(const FlowContext& context, const RunFolderChoice& choice) {
  Text text = kNoRunFolderPrefix;
  for (const Text& folder : choice.refused) text += "\n" + folder;
  text += "\n";
  text += kNoRunFolderSuffix;
  context.windows->MessageBox(text, kNoRunFolderTitle, kMbOk | kMbIconWarning);
}

}  // namespace

int LoadAlbums(const FlowContext& context, AlbumListing listing) {
  ProgramState& state = *context.state;
  state.user_id = std::move(listing.user.user_id);
  state.nickname = std::move(listing.user.nickname);
  const Text title = state.nickname + kAlbumTitleSuffix;
  context.windows->SetTitle(WindowId::kMain, title);
  state.download_root.clear();
  HaveDownloadRoot(context);

  context.windows->ClearItems();
  state.album_table = std::move(listing.albums);
  state.album_images = ImageList{};
  state.album_images.pictures = std::move(listing.icons);
  // Item k shows icon k: exactly one icon per album.
  state.album_images.pictures.resize(state.album_table.size(), PlaceholderCoverIcon());
  ResetPagesDone(state);
  return FillAlbumView(context);
}

bool HaveDownloadRoot(const FlowContext& context) {
  ProgramState& state = *context.state;
  if (!state.download_root.empty()) return true;
  FileSystem& files = DefaultFileSystem();
  const RunFolderChoice choice = ChooseRunFolder(*context.shell, files);
  if (choice.folder.empty()) {
    ShowNoRunFolder(context, choice);
    return false;
  }
  state.download_root =
      JoinPath(choice.folder, SafePathComponent(state.nickname + kAlbumTitleSuffix));
  files.CreateFolder(state.download_root);
  return true;
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
  StartProfileLookup(context);
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
