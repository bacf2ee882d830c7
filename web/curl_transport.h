// HttpTransport on libcurl. HTTP/1.1 only (also over TLS), certificates and
// host names verified, http and https only, no cookie engine, no cache, and
// no request header beyond Host, Content-Length, User-Agent and the lines
// the request carries. Each thread keeps one curl handle for its life, so
// consecutive exchanges of one thread with one server reuse the connection.
#pragma once

#include "web/http_transport.h"

namespace weibo {

class CurlTransport : public HttpTransport {
 public:
  explicit CurlTransport(TransportLimits limits = TransportLimits());

  // Thread-safe: the object holds only its limits; every thread uses its own
  // curl handle.
  TransportReply Exchange(const TransportRequest& request) override;

 private:
  TransportLimits limits_;
};

}  // namespace weibo
