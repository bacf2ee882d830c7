// One complete, blocking HTTP/1.1 exchange, and the URL routines that feed it.
#pragma once

#include <optional>

#include "support/text_rules.h"
#include "web/http_transport.h"

namespace weibo {

// Sends one request and returns the response body. Only `url` is required;
// the pointer arguments are the caller's variables, written in place, and may
// be null to leave them out.
//
//   url           the address; a bare address without scheme is plain HTTP,
//                 one whose first five bytes are "https" (any case) uses TLS;
//                 schemes other than http and https are refused
//   method        0 = GET, 1 = POST
//   post_text     POST body as text, used when *post_bytes is empty
//   cookie_jar    in/out: sent as the Cookie header when not empty; on return
//                 merged with the cookies of every reply, in order
//   new_cookies   out: the cookies the replies set, in jar entry format
//   extra_headers in/out: the caller's header lines (CR LF between them);
//                 on return the complete header text that was sent: the
//                 caller's lines, then Referer (the URL itself), Accept,
//                 Accept-Language and Content-Type where missing, then Cookie
//   location      out: the final reply's Location value, or its whole header
//                 block when it has none
//   no_redirect   true: a redirect reply is returned instead of followed
//   post_bytes    in/out: POST body as bytes; wins over post_text when not
//                 empty; after a POST it holds the body that was sent
//   proxy         absent: direct; present and not empty: "host:port" of an
//                 HTTP proxy for plain-HTTP requests; present and empty: direct
//   raw_headers   out: the final reply's raw header block: its status line and
//                 header lines, each ended by CR LF, then an empty line (never
//                 the trailer lines of a chunked body)
//
// Result: the final reply's body, whatever its status code. Empty when the
// request cannot be made (refused scheme, no host, bad port): then no
// argument is written. Also empty when the exchange fails on the way
// (refused connection, no byte for 60 s, under 1 KiB/s for 60 s, a body over
// 32 MiB, a redirect to a refused scheme or from https to plain http); then
// the arguments are written from what arrived.
//
// Blocks the calling thread. Consecutive calls of one thread to one server
// reuse its connection. Calls that share one cookie jar must not overlap; a
// caller that shares a jar between threads serialises them.
ByteArray HttpRequest(const Text& url, int method = 0, const Text& post_text = Text(),
                      Text* cookie_jar = nullptr, Text* new_cookies = nullptr,
                      Text* extra_headers = nullptr, Text* location = nullptr,
                      bool no_redirect = false, ByteArray* post_bytes = nullptr,
                      const std::optional<Text>& proxy = std::nullopt, Text* raw_headers = nullptr);

// HttpRequest through `transport` instead of the process's default one (a
// transport with other limits, e.g. short time-outs).
ByteArray HttpRequestVia(HttpTransport& transport, const Text& url, int method = 0,
                         const Text& post_text = Text(), Text* cookie_jar = nullptr,
                         Text* new_cookies = nullptr, Text* extra_headers = nullptr,
                         Text* location = nullptr, bool no_redirect = false,
                         ByteArray* post_bytes = nullptr,
                         const std::optional<Text>& proxy = std::nullopt,
                         Text* raw_headers = nullptr);

// What HttpDownload reports about a request: enough to tell a complete
// reply from a cut one and a lasting refusal from a passing one.
struct DownloadReply {
  bool started = false;  // false: the request could not be made (refused scheme, no host)
  // How the last exchange of the chain ended; kComplete only when the final
  // reply arrived whole (a body shorter than its Content-Length is kFailed).
  TransportOutcome outcome = TransportOutcome::kNotStarted;
  int status = 0;    // the last reply's status code, 0 when none arrived
  Text raw_headers;  // the last reply's header block, lines ended by CR LF
  ByteArray body;    // the final body, unless the sink took it; empty on failure
};

// A GET of `url` with HttpRequest's default headers, redirects and cookie
// handling (`cookie_jar` and `new_cookies` as there), whose final body goes
// to `sink` as it arrives when the sink accepts it (see BodySink); a body the
// sink refuses, a redirect's say, is kept in `body`. `sink` may be null.
// Blocks the calling thread; any thread.
DownloadReply HttpDownload(const Text& url, BodySink* sink, Text* cookie_jar = nullptr,
                           Text* new_cookies = nullptr);
DownloadReply HttpDownloadVia(HttpTransport& transport, const Text& url, BodySink* sink,
                              Text* cookie_jar = nullptr, Text* new_cookies = nullptr);

// The host of `url`, lower-cased, with its port when `keep_port` is true: the
// text after "https://" or else after the first "http://" (put in front when
// missing) up to the next "/". Pure; any thread.
Text UrlHost(const Text& url, bool keep_port = false);
// The port of `url`: the number after the host's last colon (0 when no digits
// follow it), else 443 when the first five bytes are "https" and 80 otherwise.
int UrlPort(const Text& url);
// The path of `url` from the first "/" after the host, query included, in
// the URL's own letter case; "/" when there is none.
Text UrlPath(const Text& url);

}  // namespace weibo
