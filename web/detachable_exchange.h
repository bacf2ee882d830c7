// Runs an exchange that streams into a body sink so that the caller gets
// control back within about a second of the sink's cancel, whatever the
// transport underneath is waiting for. Used by the WinINet transport: a
// synchronous WinINet call on a silent server returns only when data or the
// idle time-out comes, and on some WinINet versions (Wine's) closing its
// handles from another thread does not end it either.
//
// The exchange runs on a thread of its own; the caller's thread waits for it
// and asks the sink about every 150 ms whether it is cancelled. When it is,
// the sink is detached (from then on the exchange sees a sink that is
// cancelled and takes nothing) and the caller gets kFailed at once; the
// exchange's thread ends by itself later and keeps everything it uses.
#pragma once

#include <functional>

#include "web/http_transport.h"

namespace weibo {

// Runs `exchange(request')`, where request' is `request` with its sink
// replaced by a guard around it, and returns its reply; kFailed with nothing
// else when the sink was cancelled first. `exchange` must own or share what
// it uses: it may outlive this call. Accept(), Write() and Cancelled() of
// `request.body_sink` are called under the guard's lock, never after this
// call returns. `request.body_sink` must not be null.
TransportReply RunDetachable(const TransportRequest& request,
                             std::function<TransportReply(const TransportRequest&)> exchange);

}  // namespace weibo
