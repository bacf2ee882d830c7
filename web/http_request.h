// One complete, blocking HTTP/1.1 exchange, and the URL routines that feed it.
#pragma once

#include <optional>

#include "support/text_rules.h"

namespace weibo {

// Sends one request and returns the response body (empty when the exchange
// did not start). Only `url` is required; the pointer arguments are the
// caller's variables, written in place, and may be null to leave them out.
//
//   url           the address; a bare address without scheme is plain HTTP
//   method        0 = GET, 1 = POST
//   post_text     POST body as text, used when *post_bytes is empty
//   cookie_jar    in/out: sent as the Cookie header, merged with the reply's cookies
//   new_cookies   out: the cookies this exchange set, in jar entry format
//   extra_headers in/out: the caller's header lines (CR LF between them);
//                 on return the complete header text that was sent
//   location      out: the reply's redirect target, or its header block
//   no_redirect   true: a redirect reply is returned instead of followed
//   post_bytes    in/out: POST body as bytes; wins over post_text when not empty
//   proxy         absent: direct; present and not empty: "host:port" of an
//                 HTTP proxy for plain-HTTP requests; present and empty: direct
//   raw_headers   out: the final reply's raw header block
//
// Blocks the calling thread. Calls that share one cookie jar must not
// overlap; a caller that shares a jar between threads serialises them.
ByteArray HttpRequest(const Text& url, int method = 0, const Text& post_text = Text(),
                      Text* cookie_jar = nullptr, Text* new_cookies = nullptr,
                      Text* extra_headers = nullptr, Text* location = nullptr,
                      bool no_redirect = false, ByteArray* post_bytes = nullptr,
                      const std::optional<Text>& proxy = std::nullopt,
                      Text* raw_headers = nullptr);

// The host of `url`, lower-cased, with its port when `keep_port` is true.
Text UrlHost(const Text& url, bool keep_port = false);
// The port of `url`: the number after the host's last colon, else 443 for
// https and 80 otherwise.
int UrlPort(const Text& url);
// The path of `url` from the first "/" after the host, query included, in
// the URL's own letter case; "/" when there is none.
Text UrlPath(const Text& url);

}  // namespace weibo
