// HttpTransport on WinINet. HTTP/1.1 (also over TLS), certificates and host
// names verified, no automatic redirects (HttpRequest follows them itself),
// no cookie store, no cache, no user interface, no automatic authentication.
// The transport keeps its root handles open for its life, so WinINet reuses
// its connections to a server between exchanges; each exchange opens and
// closes its own connection and request handles. Up to 16 connections per
// server (HTTP/1.1 and 1.0) are allowed for the whole process.
//
// WinINet composes part of the request itself: it puts Host first and adds
// Content-Length to a POST and "Connection: Keep-Alive" and
// "Cache-Control: no-cache" where it sees fit; the request's own lines keep
// their order. The User-Agent goes out as a header line (the request's own
// when it has one).
#pragma once

#include <memory>

#include "web/http_transport.h"

namespace weibo {

class WinInetTransport : public HttpTransport {
 public:
  explicit WinInetTransport(TransportLimits limits = TransportLimits());
  // Closes the root handles. No exchange may still be running.
  ~WinInetTransport() override;

  // Thread-safe: exchanges share only the root handles, behind a lock.
  TransportReply Exchange(const TransportRequest& request) override;

 private:
  class Roots;
  TransportLimits limits_;
  std::unique_ptr<Roots> roots_;
};

}  // namespace weibo
