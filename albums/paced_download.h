// One download request of an album task, paced per host (see
// host_pacing.h): it waits for the host's cool-down and spacing, and a
// rate-limit reply starts a cool-down that the status bar announces.
//
// Threading: pool workers; blocks for the wait and the request.
#pragma once

#include "albums/album_download.h"
#include "web/http_request.h"

namespace weibo {

// HttpDownload of `address` for `task`, paced when state->pace_hosts is
// set. A task whose album was stopped while it waited asks nothing: the
// reply then says "started" with outcome kFailed and status 0.
DownloadReply PacedDownload(const FlowContext& context, const PageTask& task, const Text& address,
                            BodySink* sink, Text* cookie_jar = nullptr, Text* new_cookies = nullptr);

}  // namespace weibo
