#include "web/http_request.h"

#include <limits>
#include <utility>
#include <vector>

#include "web/cookie_jar.h"
#include "web/header_text.h"
#include "web/http_transport.h"

namespace weibo {
namespace {

constexpr char kDefaultAgent[] =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; Vrel; .NET CLR 2.0.50727; "
    ".NET CLR 3.0.04506.648; .NET CLR 3.5.21022)";
constexpr char kCrLf[] = "\r\n";
// Redirects followed in one call before it gives up.
constexpr int kMaxRedirects = 30;

bool IsSecure(const Text& url) { return AsciiLower(TextLeft(url, 5)) == "https"; }

// True when `url` names a scheme ("name://") other than http and https.
bool HasForeignScheme(const Text& url) {
  std::size_t end = url.find("://");
  if (end == Text::npos || end == 0) return false;
  for (std::size_t i = 0; i < end; ++i) {
    char c = url[i];
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
    if (!letter && !(i > 0 && other)) return false;
  }
  Text scheme = AsciiLower(url.substr(0, end));
  return scheme != "http" && scheme != "https";
}

// Where `url` is sent: scheme, host, port and path. Empty for a scheme other
// than http and https, no host, or a port out of range. Port 0 (an empty
// port) means the scheme's default port.
std::optional<TransportRequest> TargetOf(const Text& url) {
  if (HasForeignScheme(url)) return std::nullopt;
  TransportRequest target;
  target.secure = IsSecure(url);
  target.host = UrlHost(url);
  target.port = UrlPort(url);
  target.path = UrlPath(url);
  if (target.port == 0) target.port = target.secure ? 443 : 80;
  if (target.host.empty() || target.port < 1 || target.port > 65535) return std::nullopt;
  return target;
}

// The user agent: the value of the caller's User-Agent line, else the default.
Text ChooseAgent(const Text& headers) {
  if (!TextContains(headers, "User-Agent:", /*ignore_case=*/true)) return kDefaultAgent;
  Text agent = TrimSpaces(TextBetween(headers, "User-Agent:", kCrLf));
  if (agent.empty()) agent = HeaderValue(headers);
  return agent;
}

// Adds the default lines the caller's header text lacks, and the Cookie line.
void ComposeHeaderText(const Text& url, const Text& cookie_jar, Text* headers) {
  if (!TextContains(*headers, "Referer:")) {
    *headers += headers->empty() ? "Referer: " : "\r\nReferer: ";
    *headers += url;
  }
  if (!TextContains(*headers, "Accept:")) *headers += "\r\nAccept: */*";
  if (!TextContains(*headers, "Accept-Language:")) *headers += "\r\nAccept-Language: zh-cn";
  if (!TextContains(*headers, "Content-Type:")) {
    *headers += "\r\nContent-Type: application/x-www-form-urlencoded";
  }
  if (!cookie_jar.empty()) *headers += "\r\nCookie: " + cookie_jar;
}

bool IsFollowedRedirect(int status) {
  return status == 300 || status == 301 || status == 302 || status == 303 || status == 307 ||
         status == 308;
}

// The proxy for one hop: only plain-HTTP requests go through it.
std::optional<Text> HopProxy(bool secure, const std::optional<Text>& proxy) {
  if (secure || !proxy || proxy->empty()) return std::nullopt;
  return proxy;
}

// What a chain of exchanges (the request and the redirects it followed) left.
struct Chain {
  bool started = false;
  std::vector<ByteArray> header_blocks;  // every reply's blocks, in arrival order
  ByteArray body;                        // the final reply's body; empty on failure
  TransportOutcome outcome = TransportOutcome::kNotStarted;  // of the last exchange
  int status = 0;                                            // of the last exchange
};

// Sends `request` and, when `follow` is set, each redirect target in turn.
// A redirect to a scheme other than http and https, a target that cannot be
// requested, a redirect from https to plain http (it would send the Cookie
// line and the body in the clear) or too many redirects end the chain with
// an empty body.
Chain RunChain(HttpTransport& transport, TransportRequest request, bool follow,
               const std::optional<Text>& proxy) {
  Chain chain;
  for (int hop = 0;; ++hop) {
    TransportReply reply = transport.Exchange(request);
    if (hop == 0 && reply.outcome == TransportOutcome::kNotStarted) return chain;
    chain.started = true;
    for (ByteArray& block : reply.header_blocks) chain.header_blocks.push_back(std::move(block));
    chain.outcome = reply.outcome;
    chain.status = reply.status;
    if (reply.outcome != TransportOutcome::kComplete) return chain;
    if (!follow || reply.redirect_url.empty() || !IsFollowedRedirect(reply.status)) {
      chain.body = std::move(reply.body);
      return chain;
    }
    std::optional<TransportRequest> next = TargetOf(reply.redirect_url);
    if (!next || hop == kMaxRedirects) return chain;
    if (request.secure && !next->secure) return chain;
    // As browsers do: 303 always, and 301/302 after a POST, continue with GET.
    bool keep_post =
        request.post && reply.status != 303 && reply.status != 301 && reply.status != 302;
    next->post = keep_post;
    if (keep_post) next->body = std::move(request.body);
    next->agent = std::move(request.agent);
    next->header_lines = std::move(request.header_lines);
    next->http_proxy = HopProxy(next->secure, proxy);
    next->body_sink = request.body_sink;
    request = std::move(*next);
  }
}

// The redirect target among the final block's lines, else the whole block.
Text LocationOf(const std::vector<Text>& lines, const Text& raw_headers) {
  Text location;
  for (const Text& line : lines) {
    if (TextContains(line, "Location:")) location = HeaderValue(line);
  }
  return location.empty() ? raw_headers : location;
}

// Merges the cookies of every reply block into the jar, in order, so that a
// later reply overrides an earlier one. Returns the cookies the replies set,
// joined by ";". With no block the jar is still normalised.
Text MergeChainCookies(const std::vector<ByteArray>& blocks, Text* cookie_jar) {
  Text all_fresh;
  if (blocks.empty()) {
    MergeCookies(cookie_jar, &all_fresh);
    return all_fresh;
  }
  for (const ByteArray& block : blocks) {
    Text fresh = ExtractSetCookies(SplitBytes(block, kCrLf));
    MergeCookies(cookie_jar, &fresh);
    if (fresh.empty()) continue;
    if (!all_fresh.empty()) all_fresh += ";";
    all_fresh += fresh;
  }
  return all_fresh;
}

template <typename T>
void WriteBack(T* argument, T value) {
  if (argument != nullptr) *argument = std::move(value);
}

}  // namespace

ByteArray HttpRequestVia(HttpTransport& transport, const Text& url, int method,
                         const Text& post_text, Text* cookie_jar, Text* new_cookies,
                         Text* extra_headers, Text* location, bool no_redirect,
                         ByteArray* post_bytes, const std::optional<Text>& proxy,
                         Text* raw_headers) {
  Text headers = extra_headers ? *extra_headers : Text();
  Text jar = cookie_jar ? *cookie_jar : Text();
  ByteArray body = post_bytes ? *post_bytes : ByteArray();
  const bool post = method == 1;

  std::optional<TransportRequest> request = TargetOf(url);
  if (!request) return ByteArray();
  request->agent = ChooseAgent(headers);
  ComposeHeaderText(url, jar, &headers);
  request->header_lines = SplitBytes(headers, kCrLf);
  if (post && body.empty()) body = post_text;
  request->post = post;
  if (post) request->body = body;
  request->http_proxy = HopProxy(request->secure, proxy);

  Chain chain = RunChain(transport, std::move(*request), !no_redirect, proxy);
  if (!chain.started) return ByteArray();

  Text raw = chain.header_blocks.empty() ? Text() : chain.header_blocks.back();
  Text target = LocationOf(SplitBytes(raw, kCrLf), raw);
  Text fresh = MergeChainCookies(chain.header_blocks, &jar);
  WriteBack(cookie_jar, std::move(jar));
  WriteBack(new_cookies, std::move(fresh));
  WriteBack(extra_headers, std::move(headers));
  WriteBack(location, std::move(target));
  if (post) WriteBack(post_bytes, std::move(body));
  WriteBack(raw_headers, std::move(raw));
  return std::move(chain.body);
}

ByteArray HttpRequest(const Text& url, int method, const Text& post_text, Text* cookie_jar,
                      Text* new_cookies, Text* extra_headers, Text* location, bool no_redirect,
                      ByteArray* post_bytes, const std::optional<Text>& proxy, Text* raw_headers) {
  return HttpRequestVia(DefaultHttpTransport(), url, method, post_text, cookie_jar, new_cookies,
                        extra_headers, location, no_redirect, post_bytes, proxy, raw_headers);
}

DownloadReply HttpDownloadVia(HttpTransport& transport, const Text& url, BodySink* sink,
                              Text* cookie_jar, Text* new_cookies) {
  DownloadReply result;
  Text jar = cookie_jar ? *cookie_jar : Text();
  std::optional<TransportRequest> request = TargetOf(url);
  if (!request) return result;
  Text headers;
  request->agent = ChooseAgent(headers);
  ComposeHeaderText(url, jar, &headers);
  request->header_lines = SplitBytes(headers, kCrLf);
  request->body_sink = sink;

  Chain chain = RunChain(transport, std::move(*request), /*follow=*/true, std::nullopt);
  if (!chain.started) return result;
  result.started = true;
  result.outcome = chain.outcome;
  result.status = chain.status;
  result.raw_headers = chain.header_blocks.empty() ? Text() : chain.header_blocks.back();
  result.body = std::move(chain.body);
  Text fresh = MergeChainCookies(chain.header_blocks, &jar);
  WriteBack(cookie_jar, std::move(jar));
  WriteBack(new_cookies, std::move(fresh));
  return result;
}

DownloadReply HttpDownload(const Text& url, BodySink* sink, Text* cookie_jar, Text* new_cookies) {
  return HttpDownloadVia(DefaultHttpTransport(), url, sink, cookie_jar, new_cookies);
}

Text UrlHost(const Text& url, bool keep_port) {
  Text lower = AsciiLower(url);
  if (lower.empty() || lower.back() != '/') lower += '/';
  Text scheme = "https://";
  if (lower.rfind(scheme, 0) != 0) {
    scheme = "http://";
    if (!TextContains(lower, scheme)) lower.insert(0, scheme);
  }
  // The host ends at the first "/" byte: no two-byte character of the code
  // page has "/" as its second byte, and a stray byte of 0x80 or more before
  // the slash must not carry the host into the path.
  const std::size_t host_at = static_cast<std::size_t>(TextFind(lower, scheme) - 1) + scheme.size();
  Text host = lower.substr(host_at, lower.find('/', host_at) - host_at);
  if (keep_port) return host;
  int colon_at = TextFind(host, ":");
  return colon_at < 0 ? host : TextLeft(host, colon_at - 1);
}

int UrlPort(const Text& url) {
  Text host = UrlHost(url, /*keep_port=*/true);
  int colon_at = -1;
  for (int at = TextFind(host, ":"); at > 0; at = TextFind(host, ":", at + 1)) colon_at = at;
  if (colon_at < 0) return IsSecure(url) ? 443 : 80;
  std::int64_t port = TextToInteger(TextMid(host, colon_at + 1));
  if (port > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (port < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(port);
}

Text UrlPath(const Text& url) {
  int host_at = TextFind(url, UrlHost(url), 1, /*ignore_case=*/true);
  if (host_at < 0) return "/";
  const std::size_t slash_at = url.find('/', static_cast<std::size_t>(host_at - 1));
  return slash_at == Text::npos ? Text("/") : url.substr(slash_at);
}

}  // namespace weibo
