// Every libcurl call of the tool is in this file.
#include "web/curl_transport.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace weibo {
namespace {

using Clock = std::chrono::steady_clock;

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct CurlTextDeleter {
  void operator()(char* text) const { curl_free(text); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;
using CurlText = std::unique_ptr<char, CurlTextDeleter>;

// Default request headers of libcurl that the request must not carry unless
// its own lines hold them: an empty "Name:" entry suppresses each.
constexpr const char* kSuppressed[] = {"Accept:", "Expect:", "Content-Type:", "Transfer-Encoding:"};
// The same for a request through a proxy; this list is sent to the proxy in
// addition to the request's own lines, so it holds only suppressing entries.
constexpr const char* kProxySuppressed[] = {"Proxy-Connection:"};
// How much a single read from the connection may take. libcurl's default of
// 16 KiB takes a picture in several reads, each with its own wait for the
// socket and its own write to disk; this size takes most in one or two.
constexpr long kReceiveBufferBytes = 100 * 1024;

bool GlobalInit() {
  static const bool ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ok;
}

// The calling thread's curl handle, created on first use and cleaned up when
// the thread ends. Its connection cache is what lets a thread reuse a
// connection across exchanges. Null when libcurl cannot make one.
CURL* ThreadHandle() {
  thread_local EasyHandle handle(curl_easy_init());
  return handle.get();
}

std::string UrlPart(CURLU* url, CURLUPart part) {
  char* text = nullptr;
  if (curl_url_get(url, part, &text, 0) != CURLUE_OK) return std::string();
  CurlText holder(text);
  return std::string(text);
}

// The address libcurl is given, or empty when host, port and path do not
// make exactly that address (a host holding "@", "?" or a space, say).
std::string ComposeUrl(const TransportRequest& request) {
  if (request.host.empty() || request.port < 1 || request.port > 65535) return std::string();
  std::string url = RequestAddress(request);
  UrlHandle parsed(curl_url());
  if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
    return std::string();
  }
  if (AsciiLower(UrlPart(parsed.get(), CURLUPART_HOST)) != AsciiLower(request.host) ||
      UrlPart(parsed.get(), CURLUPART_PORT) != std::to_string(request.port)) {
    return std::string();
  }
  return url;
}

// Appends `line` to `list`; false when out of memory (the list stays whole).
bool Append(HeaderList* list, const char* line) {
  curl_slist* longer = curl_slist_append(list->get(), line);
  if (longer == nullptr) return false;
  list->release();
  list->reset(longer);
  return true;
}

// The request's sendable header lines followed by the suppressing entries.
bool BuildHeaderList(const std::vector<Text>& lines, HeaderList* list) {
  for (const Text& line : SendableHeaderLines(lines)) {
    if (!Append(list, line.c_str())) return false;
  }
  for (const char* entry : kSuppressed) {
    if (!Append(list, entry)) return false;
  }
  return true;
}

bool BuildProxyHeaderList(HeaderList* list) {
  for (const char* entry : kProxySuppressed) {
    if (!Append(list, entry)) return false;
  }
  return true;
}

// Everything the callbacks of one exchange share.
struct ExchangeState {
  const TransportLimits* limits = nullptr;
  TransportReply* reply = nullptr;
  std::size_t header_bytes = 0;
  curl_off_t seen_down = 0;
  curl_off_t seen_up = 0;
  Clock::time_point last_byte = Clock::now();
  BodySink* sink = nullptr;  // the request's, or null
  bool sink_asked = false;   // Accept was called for this exchange
  bool sink_taking = false;  // and said yes: the body goes to the sink
  std::size_t sunk_bytes = 0;
  // True once the final (non-1xx) reply's header block has ended: header
  // lines after it are the trailer of a chunked body.
  bool final_block_done = false;
  // The current minimal-speed window: when it began (once the first byte
  // moved) and how many bytes had moved by then.
  bool window_open = false;
  Clock::time_point window_start;
  std::size_t window_base = 0;
  bool too_large = false;
  bool idle_too_long = false;
  bool too_slow = false;
};

// True for the status line of an interim (1xx) reply.
bool IsInterimStatusLine(std::string_view line) {
  const std::size_t space = line.find(' ');
  return space != std::string_view::npos && space + 1 < line.size() && line[space + 1] == '1';
}

// Notes one header line (without its line end) in the reply's blocks. Lines
// after the final block are the trailer of a chunked body and are dropped.
void AddHeaderLine(ExchangeState* state, const std::string& line) {
  if (state->final_block_done) return;
  auto& blocks = state->reply->header_blocks;
  if (blocks.empty() || line.rfind("HTTP/", 0) == 0) blocks.emplace_back();
  blocks.back() += line;
  blocks.back() += "\r\n";
  if (line.empty()) state->final_block_done = !IsInterimStatusLine(blocks.back());
}

// The status code of a header block ("HTTP/1.1 200 OK ..."), or 0.
int BlockStatus(const ByteArray& block) {
  const std::size_t space = block.find(' ');
  if (block.rfind("HTTP/", 0) != 0 || space == ByteArray::npos) return 0;
  int status = 0;
  for (std::size_t i = space + 1; i < block.size() && i < space + 4; ++i) {
    if (block[i] < '0' || block[i] > '9') return 0;
    status = status * 10 + (block[i] - '0');
  }
  return status;
}

// Once the final reply's header block has ended: asks the request's sink,
// once, whether it takes the body.
void OfferBodyToSink(ExchangeState* state) {
  if (state->sink == nullptr || state->sink_asked || !state->final_block_done) return;
  const int status = BlockStatus(state->reply->header_blocks.back());
  if (status < 200) return;
  state->sink_asked = true;
  state->sink_taking = state->sink->Accept(status);
}

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* state = static_cast<ExchangeState*>(user);
  std::size_t bytes = size * count;
  state->last_byte = Clock::now();
  state->header_bytes += bytes;
  if (state->header_bytes > state->limits->max_header_bytes) {
    state->too_large = true;
    return 0;
  }
  std::string line(data, bytes);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  AddHeaderLine(state, line);
  OfferBodyToSink(state);
  return bytes;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* state = static_cast<ExchangeState*>(user);
  std::size_t bytes = size * count;
  state->last_byte = Clock::now();
  if (state->sink_taking) {
    if (bytes > state->limits->max_streamed_body_bytes - state->sunk_bytes) {
      state->too_large = true;
      return 0;
    }
    state->sunk_bytes += bytes;
    return !state->sink->Cancelled() && state->sink->Write(data, bytes) ? bytes : 0;
  }
  ByteArray& body = state->reply->body;
  if (bytes > state->limits->max_body_bytes - body.size()) {
    state->too_large = true;
    return 0;
  }
  body.append(data, bytes);
  return bytes;
}

// True when a whole minimal-speed window has passed with fewer bytes moved
// than the limit asks; otherwise opens or advances the window. `moved` is
// the count of bytes moved so far in both directions.
bool BelowMinimalSpeed(ExchangeState* state, Clock::time_point now, std::size_t moved) {
  const TransportLimits& limits = *state->limits;
  if (limits.min_bytes_per_second == 0 || limits.min_speed_window.count() <= 0 || moved == 0) {
    return false;
  }
  if (!state->window_open) {
    // The bytes that opened the window count towards it.
    state->window_open = true;
    state->window_start = now;
    return false;
  }
  if (now - state->window_start < limits.min_speed_window) return false;
  const auto window_ms = static_cast<std::size_t>(limits.min_speed_window.count());
  const std::size_t wanted = limits.min_bytes_per_second * window_ms / 1000;
  if (moved - state->window_base < wanted) return true;
  state->window_start = now;
  state->window_base = moved;
  return false;
}

// Called by libcurl at least about once a second while the exchange runs;
// ends it when no byte moved in either direction for the idle time-out, or
// when the bytes move slower than the minimal speed.
int OnProgress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
  auto* state = static_cast<ExchangeState*>(user);
  Clock::time_point now = Clock::now();
  if (down != state->seen_down || up != state->seen_up) {
    state->seen_down = down;
    state->seen_up = up;
    state->last_byte = now;
  }
  if (now - state->last_byte >= state->limits->idle_timeout) {
    state->idle_too_long = true;
    return 1;
  }
  if (state->sink != nullptr && state->sink->Cancelled()) return 1;
  const auto moved = static_cast<std::size_t>(down + up) + state->header_bytes;
  if (BelowMinimalSpeed(state, now, moved)) {
    state->too_slow = true;
    return 1;
  }
  return 0;
}

// Sets every option of one exchange on a freshly reset handle. False when
// libcurl refuses one of them.
bool SetOptions(CURL* easy, const TransportRequest& request, const std::string& url,
                curl_slist* headers, curl_slist* proxy_headers, ExchangeState* state) {
  const TransportLimits& limits = *state->limits;
  const std::string proxy = request.http_proxy ? "http://" + *request.http_proxy : std::string();
  const std::string agent = SendableAgent(request.agent);
  bool ok = true;
  auto set = [&](CURLoption option, auto value) {
    ok = ok && curl_easy_setopt(easy, option, value) == CURLE_OK;
  };
  set(CURLOPT_URL, url.c_str());
  set(CURLOPT_PROTOCOLS_STR, "http,https");
  set(CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  set(CURLOPT_FOLLOWLOCATION, 0L);
  set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  set(CURLOPT_SSL_VERIFYPEER, 1L);
  set(CURLOPT_SSL_VERIFYHOST, 2L);
  set(CURLOPT_NOSIGNAL, 1L);
  set(CURLOPT_PROXY, proxy.c_str());  // empty: direct, whatever the environment says
  set(CURLOPT_NOPROXY, "");
  set(CURLOPT_USERAGENT, agent.c_str());
  set(CURLOPT_HTTPHEADER, headers);
  set(CURLOPT_PROXYHEADER, proxy_headers);
  set(CURLOPT_HEADEROPT, static_cast<long>(CURLHEADER_SEPARATE));
  set(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect_timeout.count()));
  set(CURLOPT_MAXFILESIZE_LARGE,
      static_cast<curl_off_t>(std::max(limits.max_body_bytes, limits.max_streamed_body_bytes)));
  set(CURLOPT_HEADERFUNCTION, &OnHeader);
  set(CURLOPT_HEADERDATA, static_cast<void*>(state));
  set(CURLOPT_WRITEFUNCTION, &OnBody);
  set(CURLOPT_WRITEDATA, static_cast<void*>(state));
  set(CURLOPT_XFERINFOFUNCTION, &OnProgress);
  set(CURLOPT_XFERINFODATA, static_cast<void*>(state));
  set(CURLOPT_NOPROGRESS, 0L);
  set(CURLOPT_BUFFERSIZE, kReceiveBufferBytes);
  if (request.post) {
    set(CURLOPT_POST, 1L);
    set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    set(CURLOPT_POSTFIELDS, request.body.data());
  } else {
    set(CURLOPT_HTTPGET, 1L);
  }
  return ok;
}

TransportOutcome OutcomeOf(CURLcode code, const ExchangeState& state) {
  if (code == CURLE_OK) return TransportOutcome::kComplete;
  if (state.too_large || code == CURLE_FILESIZE_EXCEEDED) return TransportOutcome::kTooLarge;
  if (state.idle_too_long || state.too_slow || code == CURLE_OPERATION_TIMEDOUT) {
    return TransportOutcome::kTimedOut;
  }
  return TransportOutcome::kFailed;
}

}  // namespace

CurlTransport::CurlTransport(TransportLimits limits) : limits_(limits) {}

TransportReply CurlTransport::Exchange(const TransportRequest& request) {
  TransportReply reply;
  if (!GlobalInit()) return reply;
  std::string url = ComposeUrl(request);
  CURL* easy = ThreadHandle();
  if (url.empty() || easy == nullptr) return reply;
  // A reset keeps the handle's open connections, so they can be reused.
  curl_easy_reset(easy);
  HeaderList headers;
  HeaderList proxy_headers;
  ExchangeState state;
  state.limits = &limits_;
  state.reply = &reply;
  state.sink = request.body_sink;
  if (!BuildHeaderList(request.header_lines, &headers) || !BuildProxyHeaderList(&proxy_headers) ||
      !SetOptions(easy, request, url, headers.get(), proxy_headers.get(), &state)) {
    curl_easy_reset(easy);
    return reply;
  }

  CURLcode code = curl_easy_perform(easy);
  long status = 0;
  if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK) {
    reply.status = static_cast<int>(status);
  }
  char* redirect = nullptr;
  if (reply.status >= 300 && reply.status < 400 &&
      curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &redirect) == CURLE_OK && redirect) {
    reply.redirect_url = redirect;
  }
  reply.outcome = OutcomeOf(code, state);
  if (reply.outcome != TransportOutcome::kComplete) reply.body.clear();
  // The handle keeps pointers to this call's header list and state; drop them.
  curl_easy_reset(easy);
  return reply;
}

std::unique_ptr<HttpTransport> NewHttpTransport(TransportLimits limits) {
  return std::make_unique<CurlTransport>(limits);
}

}  // namespace weibo
