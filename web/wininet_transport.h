// HttpTransport on WinINet. HTTP/1.1 (also over TLS), certificates and host
// names verified, no automatic redirects (HttpRequest follows them itself),
// no cookie store, no cache, no user interface, no automatic authentication.
// Each thread keeps its own Internet and connection handles for its life, so
// consecutive exchanges of one thread with one server reuse the connection.
//
// WinINet composes part of the request itself: it puts Host first and adds
// Content-Length to a POST and "Connection: Keep-Alive" and
// "Cache-Control: no-cache" where it sees fit; the request's own lines keep
// their order. The User-Agent goes out as a header line (the request's own
// when it has one).
#pragma once

#include "web/http_transport.h"

namespace weibo {

class WinInetTransport : public HttpTransport {
 public:
  explicit WinInetTransport(TransportLimits limits = TransportLimits());

  // Thread-safe: the object holds only its limits; every thread uses its own
  // handles.
  TransportReply Exchange(const TransportRequest& request) override;

 private:
  TransportLimits limits_;
};

}  // namespace weibo
