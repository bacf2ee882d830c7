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
//
// An exchange whose body sink is cancelled ends within about a second, also
// while it waits for a silent server: it runs on a thread of its own that
// the caller's thread leaves behind (web/detachable_exchange.h), and a
// watching thread of the transport closes its handles, which ends its
// waiting WinINet call where WinINet allows that (web/wininet_cancel_watch.h).
#pragma once

#include <memory>

#include "web/http_transport.h"

namespace weibo {

class CancelWatch;

class WinInetTransport : public HttpTransport {
 public:
  explicit WinInetTransport(TransportLimits limits = TransportLimits());
  // Closes the root handles once no exchange uses them. No exchange may still
  // be running, apart from those left behind after their sink's cancel.
  ~WinInetTransport() override;

  // Thread-safe: exchanges share only the root handles, behind a lock.
  TransportReply Exchange(const TransportRequest& request) override;

 private:
  class Roots;
  // One exchange, on the calling thread.
  static TransportReply ExchangeWith(Roots& roots, CancelWatch& watch,
                                     const TransportLimits& limits,
                                     const TransportRequest& request);
  TransportLimits limits_;
  // Shared with the exchanges left behind after a cancel; the watch goes
  // before the roots.
  std::shared_ptr<Roots> roots_;
  std::shared_ptr<CancelWatch> watch_;
};

}  // namespace weibo
