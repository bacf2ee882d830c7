// The album and download flows as the application's hooks.
#pragma once

#include "flow/flow_hooks.h"

namespace weibo {

// Sets the hooks resolve_profile, check_kept_session, ask_for_profile, show_downloads,
// download_album and download_page of `hooks` to the flows of this folder;
// leaves the others alone.
void InstallAlbumFlows(FlowHooks* hooks);

}  // namespace weibo
