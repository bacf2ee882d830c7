// The transport under HttpRequest: one request/reply exchange with a server,
// without redirect handling, cookies or header composition (HttpRequest does
// those). web/curl_transport.cpp implements it on libcurl and
// web/wininet_transport.cpp on WinINet; tests can build a transport with
// short time-outs and pass it to HttpRequestVia.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "support/text_rules.h"

namespace weibo {

// Takes the body of a reply as it arrives, so that a large picture never has
// to be held in memory whole. Used by one exchange at a time.
class BodySink {
 public:
  virtual ~BodySink() = default;
  // Called once per exchange, when the final (non-1xx) reply's header block
  // is complete and before any of its body bytes: true streams the body to
  // Write(), false keeps it in `TransportReply::body` as usual (a redirect or
  // an error page, say).
  virtual bool Accept(int status) = 0;
  // Called with each piece of the body, in order. False abandons the
  // transfer (outcome kFailed).
  virtual bool Write(const char* data, std::size_t size) = 0;
  // Asked by the transport while the exchange runs, between pieces and at
  // least about once a second while it waits for the server (WinINet: only
  // between pieces of the reply). True ends the exchange as kFailed; a
  // transfer that was never going to end this way need not override it.
  // Called on the exchange's thread.
  virtual bool Cancelled() { return false; }
};

// What one exchange sends.
struct TransportRequest {
  bool secure = false;             // TLS (https) or plain HTTP
  Text host;                       // lower-case host name, without port
  int port = 80;                   // 1 to 65535
  Text path;                       // request target from the first "/", query included
  bool post = false;               // POST with `body`, else GET without one
  ByteArray body;                  // POST body, sent with its byte count
  Text agent;                      // sent as User-Agent unless `header_lines` hold one
  std::vector<Text> header_lines;  // sent in this order, one "Name: value" each
  std::optional<Text> http_proxy;  // "host:port" of an HTTP proxy, else direct
  // Not owned; when set and its Accept() says so, the body goes there and
  // `TransportReply::body` stays empty. The outcome still tells whether the
  // body arrived completely.
  BodySink* body_sink = nullptr;
};

enum class TransportOutcome {
  kNotStarted,  // the request could not be set up; nothing was sent
  kComplete,    // the reply arrived completely
  kFailed,      // connection or transfer failed (refused, reset, TLS, cut short)
  kTimedOut,    // no connection in time, no byte for too long, or too slow
  kTooLarge,    // the body or header blocks passed their cap
};

// What came back. Everything that arrived is kept, also on failure.
struct TransportReply {
  TransportOutcome outcome = TransportOutcome::kNotStarted;
  int status = 0;  // the final status code, 0 when none arrived
  // Each header block that arrived (interim 1xx replies included), in order:
  // its status line and header lines, each ended by CR LF, then an empty
  // line. Line ends are normalised to CR LF. The trailer lines of a chunked
  // body are not part of any block and are dropped.
  std::vector<ByteArray> header_blocks;
  ByteArray body;     // the final reply's body; empty unless kComplete
  Text redirect_url;  // absolute target of a 3xx reply's Location, else empty
};

// Limits of one transport. The defaults are those of the running tool.
struct TransportLimits {
  std::chrono::milliseconds connect_timeout{60'000};
  // A transfer that receives (or sends) no byte for this long is abandoned.
  std::chrono::milliseconds idle_timeout{60'000};
  // A transfer that, from its first byte on, moves fewer bytes (sent and
  // received, header lines included) than min_bytes_per_second asks within a
  // whole min_speed_window is abandoned: a server that trickles a byte now
  // and then never reaches the idle time-out. Windows follow one another
  // from the first byte; 0 bytes per second switches the check off.
  std::size_t min_bytes_per_second = 1024;
  std::chrono::milliseconds min_speed_window{60'000};
  // A body kept in memory (TransportReply::body) may not pass this: a text
  // reply is held several times over while it is converted, and a 32-bit
  // process has 2 GiB of address space in all.
  std::size_t max_body_bytes = std::size_t{32} << 20;
  // A body handed to a BodySink as it arrives (a picture written to its
  // file) may not pass this.
  std::size_t max_streamed_body_bytes = std::size_t{256} << 20;
  std::size_t max_header_bytes = std::size_t{1} << 20;
};

class HttpTransport {
 public:
  virtual ~HttpTransport() = default;
  // Performs one exchange and blocks until it ends. Safe to call from several
  // threads at once.
  virtual TransportReply Exchange(const TransportRequest& request) = 0;
};

// What both transports make of a request, the same way.
//
// The request target with the bytes it may not carry raw (controls, space,
// DEL and bytes of 0x80 or more) percent-encoded; everything else stays as
// given.
Text EscapeTarget(std::string_view path);
// The request's absolute address: scheme, host, port and escaped target.
Text RequestAddress(const TransportRequest& request);
// The header lines that are sent, in order: those that are neither empty nor
// hold a CR or LF of their own (such a line could smuggle in another header).
std::vector<Text> SendableHeaderLines(const std::vector<Text>& lines);
// The agent text up to its first line break.
Text SendableAgent(const Text& agent);

// The process's transport with the default limits. It lives until the
// process ends; safe to use from any thread.
HttpTransport& DefaultHttpTransport();

// A transport of this platform's kind (libcurl, WinINet) with `limits`;
// owned by the caller.
std::unique_ptr<HttpTransport> NewHttpTransport(TransportLimits limits);

}  // namespace weibo
