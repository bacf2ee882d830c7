#include "albums/album_flows.h"

#include <utility>

#include "albums/album_download.h"
#include "albums/album_list.h"
#include "albums/download_run.h"
#include "albums/whole_account.h"

namespace weibo {

void InstallAlbumFlows(FlowHooks* hooks) {
  hooks->resolve_profile = [](const FlowContext& context) { StartProfileLookup(context); };
  hooks->check_kept_session = [](const FlowContext& context, LookupDone accepted) {
    StartQuietProfileLookup(context, std::move(accepted));
  };
  hooks->ask_for_profile = AskForProfile;
  hooks->show_downloads = ShowDownloads;
  hooks->download_album = DownloadAlbum;
  hooks->download_page = DownloadPage;
  hooks->download_account = DownloadWholeAccount;
  hooks->stop_downloads = StopDownloads;
}

}  // namespace weibo
