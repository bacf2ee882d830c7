// Every WinINet call of the tool is in this file.
#include "web/wininet_transport.h"

#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace weibo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                INTERNET_FLAG_NO_COOKIES |
                                INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTH |
                                INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_KEEP_CONNECTION;
constexpr std::size_t kReadSize = 64 * 1024;

// Enough connections per server for every worker that may reach one host at
// once (five download and five lookup workers) and the user-interface
// thread's own requests: WinINet's default (two per HTTP/1.1 server) would
// keep the others waiting inside WinINet while their time limits run.
constexpr DWORD kConnectionsPerServer = 16;

struct HandleCloser {
  void operator()(void* handle) const { InternetCloseHandle(static_cast<HINTERNET>(handle)); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

// Raises WinINet's process-wide connection limits, once, before the first
// root handle is opened.
void RaiseConnectionLimits() {
  static const bool raised = [] {
    DWORD count = kConnectionsPerServer;
    const bool per_1_1 = InternetSetOptionA(nullptr, INTERNET_OPTION_MAX_CONNS_PER_SERVER, &count,
                                            sizeof count);
    const bool per_1_0 = InternetSetOptionA(nullptr, INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER,
                                            &count, sizeof count);
    return per_1_1 && per_1_0;
  }();
  (void)raised;
}

bool HasAgentLine(const std::vector<Text>& lines) {
  for (const Text& line : lines) {
    if (AsciiLower(line).rfind("user-agent:", 0) == 0) return true;
  }
  return false;
}

// The header lines handed to WinINet: the agent line unless the request's
// lines hold one, then the sendable lines in order.
std::vector<std::string> HeaderLines(const TransportRequest& request) {
  std::vector<std::string> lines;
  if (!HasAgentLine(request.header_lines)) {
    lines.push_back("User-Agent: " + SendableAgent(request.agent));
  }
  for (Text& line : SendableHeaderLines(request.header_lines)) lines.push_back(std::move(line));
  return lines;
}

void SetTimeouts(HINTERNET request, const TransportLimits& limits) {
  auto set = [request](DWORD option, std::chrono::milliseconds value) {
    DWORD ms = static_cast<DWORD>(value.count());
    InternetSetOptionA(request, option, &ms, sizeof ms);
  };
  set(INTERNET_OPTION_CONNECT_TIMEOUT, limits.connect_timeout);
  set(INTERNET_OPTION_SEND_TIMEOUT, limits.idle_timeout);
  set(INTERNET_OPTION_RECEIVE_TIMEOUT, limits.idle_timeout);
  set(INTERNET_OPTION_DATA_SEND_TIMEOUT, limits.idle_timeout);
  set(INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, limits.idle_timeout);
}

// One string-valued HttpQueryInfoA answer, whatever its length; false when
// the reply has none.
bool QueryText(HINTERNET request, DWORD info, std::string* out) {
  DWORD length = 0;
  if (HttpQueryInfoA(request, info, nullptr, &length, nullptr) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER || length == 0) {
    return false;
  }
  std::string buffer(length + 1, '\0');
  if (!HttpQueryInfoA(request, info, buffer.data(), &length, nullptr)) return false;
  buffer.resize(length);
  *out = std::move(buffer);
  return true;
}

int QueryStatus(HINTERNET request) {
  DWORD status = 0;
  DWORD length = sizeof status;
  if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &length,
                      nullptr)) {
    return 0;
  }
  return static_cast<int>(status);
}

// The raw header block as HttpRequest expects it: lines ended by CR LF and
// one empty line at the end.
ByteArray HeaderBlock(std::string raw) {
  while (raw.size() >= 2 && raw.compare(raw.size() - 2, 2, "\r\n") == 0) raw.resize(raw.size() - 2);
  return raw + "\r\n\r\n";
}

// The absolute form of a reply's Location against the request's address.
Text AbsoluteTarget(const TransportRequest& request, const std::string& location) {
  const std::string base = RequestAddress(request);
  DWORD length = static_cast<DWORD>(base.size() + location.size() + 64);
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::string combined(length, '\0');
    if (InternetCombineUrlA(base.c_str(), location.c_str(), combined.data(), &length,
                            ICU_NO_ENCODE)) {
      combined.resize(length);
      return combined;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    length += 1;
  }
  return Text();
}

// The outcome of a failed WinINet call: a time-out when WinINet says so or
// when nothing arrived for the idle time (some WinINet versions report a
// receive time-out as an aborted connection).
TransportOutcome FailureOutcome(DWORD error, Clock::duration silent, const TransportLimits& limits) {
  if (error == ERROR_INTERNET_TIMEOUT) return TransportOutcome::kTimedOut;
  if (silent >= limits.idle_timeout - std::chrono::milliseconds(limits.idle_timeout.count() / 10)) {
    return TransportOutcome::kTimedOut;
  }
  return TransportOutcome::kFailed;
}

// The reply's Content-Length, when it has one that is a plain number.
std::optional<std::uint64_t> ContentLength(HINTERNET request) {
  std::string text;
  if (!QueryText(request, HTTP_QUERY_CONTENT_LENGTH, &text) || text.empty() || text.size() > 19 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  return std::stoull(text);
}

// Reads the body into the sink or into `reply->body`, within the body cap.
// WinINet reports the end of a connection closed before `expected` bytes
// as the end of the body, so the length is checked here: a cut body fails.
TransportOutcome ReadBody(HINTERNET request, BodySink* sink, const TransportLimits& limits,
                          std::optional<std::uint64_t> expected, TransportReply* reply) {
  std::string buffer(kReadSize, '\0');
  std::size_t total = 0;
  Clock::time_point last_byte = Clock::now();
  // The minimal speed: each window from the first byte on must move enough
  // bytes, or the body is abandoned (a server that trickles never idles).
  Clock::time_point window_start = last_byte;
  std::size_t window_bytes = 0;
  const double window_seconds = std::chrono::duration<double>(limits.min_speed_window).count();
  const double window_needed = static_cast<double>(limits.min_bytes_per_second) * window_seconds;
  for (;;) {
    if (sink != nullptr && sink->Cancelled()) return TransportOutcome::kFailed;
    DWORD count = 0;
    if (!InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()), &count)) {
      return FailureOutcome(GetLastError(), Clock::now() - last_byte, limits);
    }
    if (count == 0) {
      if (expected && total != *expected) return TransportOutcome::kFailed;
      return TransportOutcome::kComplete;
    }
    last_byte = Clock::now();
    window_bytes += count;
    if (limits.min_bytes_per_second > 0 && last_byte - window_start >= limits.min_speed_window) {
      if (static_cast<double>(window_bytes) < window_needed) return TransportOutcome::kTimedOut;
      window_start = last_byte;
      window_bytes = 0;
    }
    const std::size_t cap =
        sink != nullptr ? limits.max_streamed_body_bytes : limits.max_body_bytes;
    if (count > cap - total) return TransportOutcome::kTooLarge;
    total += count;
    if (sink != nullptr) {
      if (!sink->Write(buffer.data(), count)) return TransportOutcome::kFailed;
    } else {
      reply->body.append(buffer.data(), count);
    }
  }
}

// Sends the request on `handle` and reads the reply into `reply`.
void Run(HINTERNET handle, const TransportRequest& request, const TransportLimits& limits,
         TransportReply* reply) {
  // Each line is added on its own so that WinINet keeps repeated names (the
  // whole text in one call keeps only the last line of a name).
  for (const std::string& line : HeaderLines(request)) {
    HttpAddRequestHeadersA(handle, line.c_str(), static_cast<DWORD>(line.size()),
                           HTTP_ADDREQ_FLAG_ADD);
  }
  const Clock::time_point sent_at = Clock::now();
  void* body = request.post ? const_cast<char*>(request.body.data()) : nullptr;
  const DWORD body_size = request.post ? static_cast<DWORD>(request.body.size()) : 0;
  const BOOL sent = HttpSendRequestA(handle, nullptr, 0, body, body_size);
  const DWORD send_error = sent ? 0 : GetLastError();
  std::string raw;
  const bool has_headers = QueryText(handle, HTTP_QUERY_RAW_HEADERS_CRLF, &raw) &&
                           raw.rfind("HTTP/", 0) == 0;
  if (has_headers && raw.size() > limits.max_header_bytes) {
    reply->outcome = TransportOutcome::kTooLarge;
    return;
  }
  if (has_headers) {
    reply->header_blocks.push_back(HeaderBlock(std::move(raw)));
    reply->status = QueryStatus(handle);
  }
  if (!sent) {
    reply->outcome = FailureOutcome(send_error, Clock::now() - sent_at, limits);
    return;
  }
  std::string location;
  if (reply->status >= 300 && reply->status < 400 &&
      QueryText(handle, HTTP_QUERY_LOCATION, &location) && !location.empty()) {
    reply->redirect_url = AbsoluteTarget(request, location);
  }
  BodySink* sink = request.body_sink;
  if (sink != nullptr && sink->Cancelled()) {
    reply->outcome = TransportOutcome::kFailed;
    return;
  }
  if (sink != nullptr && !sink->Accept(reply->status)) sink = nullptr;
  reply->outcome = ReadBody(handle, sink, limits, ContentLength(handle), reply);
}

}  // namespace

// The transport's root handles: one direct, and one per HTTP proxy whose
// plain-HTTP requests go through it. They stay open for the transport's life,
// so that WinINet keeps its connections to each server between exchanges, and
// are closed when the transport is destroyed, after its last exchange.
class WinInetTransport::Roots {
 public:
  // The root handle for an empty `proxy` (direct) or for that proxy, opened
  // on first use; null when WinINet has none to give. The agent is always
  // sent as a header line, so the root's own agent text stays empty.
  HINTERNET Root(const std::string& proxy) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = roots_.find(proxy);
    if (found != roots_.end()) return found->second.get();
    const std::string list = "http=" + proxy;
    Handle root(proxy.empty()
                    ? InternetOpenA("", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)
                    : InternetOpenA("", INTERNET_OPEN_TYPE_PROXY, list.c_str(), "", 0));
    if (root == nullptr) return nullptr;
    return roots_.emplace(proxy, std::move(root)).first->second.get();
  }

 private:
  std::mutex mutex_;
  std::map<std::string, Handle> roots_;
};

WinInetTransport::WinInetTransport(TransportLimits limits)
    : limits_(limits), roots_(std::make_unique<Roots>()) {
  RaiseConnectionLimits();
}

WinInetTransport::~WinInetTransport() = default;

TransportReply WinInetTransport::Exchange(const TransportRequest& request) {
  TransportReply reply;
  if (request.host.empty() || request.port < 1 || request.port > 65535 ||
      request.host.find_first_of("@/?# \r\n") != Text::npos) {
    return reply;
  }
  if (request.post && request.body.size() > 0xFFFFFFFFu) return reply;
  HINTERNET root = roots_->Root(request.http_proxy ? *request.http_proxy : std::string());
  if (root == nullptr) return reply;
  // The connection and request handles are this exchange's own and are
  // closed when it returns, the request before its connection.
  Handle connection(InternetConnectA(root, request.host.c_str(),
                                     static_cast<INTERNET_PORT>(request.port), nullptr, nullptr,
                                     INTERNET_SERVICE_HTTP, 0, 0));
  if (connection == nullptr) return reply;
  const DWORD flags = kRequestFlags | (request.secure ? INTERNET_FLAG_SECURE : 0);
  const std::string target = EscapeTarget(request.path.empty() ? Text("/") : request.path);
  Handle handle(HttpOpenRequestA(connection.get(), request.post ? "POST" : "GET", target.c_str(),
                                 "HTTP/1.1", nullptr, nullptr, flags, 0));
  if (handle == nullptr) return reply;
  SetTimeouts(handle.get(), limits_);
  Run(handle.get(), request, limits_, &reply);
  if (reply.outcome != TransportOutcome::kComplete) reply.body.clear();
  return reply;
}

std::unique_ptr<HttpTransport> NewHttpTransport(TransportLimits limits) {
  return std::make_unique<WinInetTransport>(limits);
}

}  // namespace weibo
