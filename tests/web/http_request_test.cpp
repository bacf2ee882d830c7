#include "web/http_request.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "tests/common/loopback_server.h"
#include "web/curl_transport.h"
#include "web/fetch_text.h"

namespace weibo {
namespace {

using namespace std::chrono_literals;

constexpr char kDefaultAgent[] =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1; Vrel; .NET CLR 2.0.50727; "
    ".NET CLR 3.0.04506.648; .NET CLR 3.5.21022)";
constexpr char kDefaultLines[] =
    "Accept: */*\r\nAccept-Language: zh-cn\r\n"
    "Content-Type: application/x-www-form-urlencoded";

TransportLimits Limits(std::chrono::milliseconds idle) {
  TransportLimits limits;
  limits.connect_timeout = 5s;
  limits.idle_timeout = idle;
  return limits;
}

// The header block of a request or reply, up to and with the empty line.
Text HeadOf(const ByteArray& message) { return message.substr(0, message.find("\r\n\r\n") + 4); }
Text FirstLine(const ByteArray& message) { return message.substr(0, message.find("\r\n")); }

// Every output of one call, with the values the caller passed in.
struct Call {
  Text jar;
  Text new_cookies = "untouched";
  Text headers;
  Text location = "untouched";
  ByteArray post_bytes;
  Text raw_headers = "untouched";
  ByteArray body;
};

class HttpRequestTest : public ::testing::Test {
 protected:
  ByteArray Run(Call& call, const Text& url, int method = 0, const Text& post_text = Text(),
                bool no_redirect = false, const std::optional<Text>& proxy = std::nullopt) {
    call.body = HttpRequestVia(transport_, url, method, post_text, &call.jar, &call.new_cookies,
                               &call.headers, &call.location, no_redirect, &call.post_bytes, proxy,
                               &call.raw_headers);
    return call.body;
  }
  Text Head(std::size_t n) { return HeadOf(server_.Requests().at(n)); }
  // "GET <target> HTTP/1.1", the Host line and `lines`, as a request head.
  Text ExpectedGet(const Text& target, const Text& lines) {
    return "GET " + target + " HTTP/1.1\r\nHost: " + server_.HostPort() + "\r\n" + lines +
           "\r\n\r\n";
  }

  LoopbackServer server_;
  CurlTransport transport_{Limits(10s)};
};

TEST_F(HttpRequestTest, DefaultGetSendsExactlyTheDefaultLines) {
  const ByteArray reply =
      MakeReply("200 OK", {"Content-Type: text/plain"}, std::string_view("hello\0world", 11));
  server_.Enqueue(reply);
  for (int i = 0; i < 2; ++i) server_.Enqueue(MakeReply("200 OK", {}, ""));
  const Text url = server_.Url("/p?q=1");
  const Text tail = "Referer: " + url + "\r\n" + kDefaultLines;
  Call call;
  EXPECT_EQ(Run(call, url), ByteArray("hello\0world", 11));
  EXPECT_EQ(server_.Requests().at(0),
            ExpectedGet("/p?q=1", "User-Agent: " + Text(kDefaultAgent) + "\r\n" + tail));
  EXPECT_EQ(call.headers, tail);
  EXPECT_EQ(call.raw_headers, HeadOf(reply));
  EXPECT_EQ(call.location, call.raw_headers);  // no Location line: the whole block
  EXPECT_EQ(call.new_cookies, "");

  // The agent comes from the caller's line in any letter case, also when
  // "User-Agent:" is only part of another name (that agent then goes out as
  // well). A jar adds the Cookie line last; a caller's Cookie line or
  // lower-case Referer line stops no default line.
  Call own;
  own.headers = "user-agent: Agent/1";
  Run(own, url);
  EXPECT_EQ(Head(1), ExpectedGet("/p?q=1", "user-agent: Agent/1\r\n" + tail));
  Call with_jar;
  with_jar.jar = "a=1; b=2";
  with_jar.headers = "X-User-Agent: Alt/3\r\nreferer: http://other/\r\nCookie: c=3";
  Run(with_jar, url);
  EXPECT_EQ(with_jar.headers, "X-User-Agent: Alt/3\r\nreferer: http://other/\r\nCookie: c=3\r\n" +
                                  tail + "\r\nCookie: a=1; b=2");
  EXPECT_EQ(Head(2), ExpectedGet("/p?q=1", "User-Agent: Alt/3\r\n" + with_jar.headers));
}

TEST_F(HttpRequestTest, AddressFormsReachTheRightTarget) {
  for (int i = 0; i < 2; ++i) server_.Enqueue(MakeReply("200 OK", {}, "ok"));
  const Text port = std::to_string(server_.Port());
  // Scheme in capitals, mixed-case host, port and query.
  Call mixed;
  const Text url = "HTTP://LocalHost:" + port + "/Path/A?B=c";
  EXPECT_EQ(Run(mixed, url), "ok");
  EXPECT_EQ(Head(0).substr(0, Head(0).find("User-Agent")),
            "GET /Path/A?B=c HTTP/1.1\r\nHost: localhost:" + port + "\r\n");
  EXPECT_NE(Head(0).find("\r\nReferer: " + url + "\r\n"), Text::npos);

  // A bare host is plain HTTP; bytes a request line cannot carry are escaped.
  Call bare;
  EXPECT_EQ(Run(bare, "127.0.0.1:" + port + "/x y\xD6\xD0"), "ok");
  EXPECT_EQ(FirstLine(Head(1)), "GET /x%20y%D6%D0 HTTP/1.1");

  // "HTTPS" in capitals speaks TLS: the server sees a TLS handshake record,
  // answers nonsense and the exchange fails with an empty body.
  server_.Enqueue(ScriptedReply{"nonsense", /*close=*/true, false, /*on_first_bytes=*/true});
  Call secure;
  EXPECT_EQ(Run(secure, "HTTPS://127.0.0.1:" + port + "/a?b"), "");
  EXPECT_EQ(static_cast<unsigned char>(server_.Requests().back().at(0)), 0x16);
  EXPECT_EQ(secure.raw_headers, "");
}

TEST_F(HttpRequestTest, RedirectChainMergesEveryReplysCookiesInOrder) {
  // Not followed: the 302 comes back with its target and its cookies merged.
  server_.Enqueue(MakeReply(
      "302 Found", {"Location: /next", "Set-Cookie: r=1; path=/", "Set-Cookie: a=deleted"}, "moved"));
  Call returned;
  returned.jar = "a=1; k=0";
  EXPECT_EQ(Run(returned, server_.Url("/start"), 0, "", /*no_redirect=*/true), "moved");
  EXPECT_EQ(returned.location, "/next");
  EXPECT_EQ(returned.new_cookies, "r=1;a=deleted");
  EXPECT_EQ(returned.jar, "r=1; k=0");
  EXPECT_EQ(server_.Requests().size(), 1u);

  server_.Enqueue(
      MakeReply("307 Temporary Redirect", {"Location: /two", "Set-Cookie: a=2; path=/"}, ""));
  server_.Enqueue(MakeReply(
      "302 Found",
      {"Location: " + server_.Url("/three"), "Set-Cookie: b=1", "Set-Cookie: z=deleted; path=/"},
      "skipped"));
  const ByteArray final_reply = MakeReply("200 OK", {"Set-Cookie: a=3; path=/"}, "done");
  server_.Enqueue(final_reply);
  Call call;
  call.jar = "a=1; z=9";
  call.post_bytes = "k=v";
  EXPECT_EQ(Run(call, server_.Url("/one"), /*method=*/1), "done");
  std::vector<ByteArray> requests = server_.Requests();
  ASSERT_EQ(requests.size(), 4u);
  // 307 keeps the POST and its body; 302 after a POST continues with GET.
  EXPECT_EQ(FirstLine(requests[1]), "POST /one HTTP/1.1");
  EXPECT_EQ(FirstLine(requests[2]), "POST /two HTTP/1.1");
  EXPECT_EQ(requests[2].substr(requests[2].size() - 7), "\r\n\r\nk=v");
  // The next hop carries the same header text: Referer and Cookie unchanged.
  EXPECT_EQ(requests[2].substr(requests[2].find("Referer:")),
            requests[1].substr(requests[1].find("Referer:")));
  EXPECT_EQ(FirstLine(requests[3]), "GET /three HTTP/1.1");
  EXPECT_EQ(requests[3].find("Content-Length"), Text::npos);
  // Each reply overrides what the earlier ones set; the last reply's block.
  EXPECT_EQ(call.jar, "a=3; b=1");
  EXPECT_EQ(call.new_cookies, "a=2;b=1;z=deleted;a=3");
  EXPECT_EQ(call.raw_headers, HeadOf(final_reply));
}

TEST_F(HttpRequestTest, HeaderBlockOverFiveThousandBytesIsReadWhole) {
  std::vector<Text> lines;
  for (int i = 0; i < 120; ++i)
    lines.push_back("X-Filler-" + std::to_string(i) + ": " + Text(60, 'f'));
  lines.push_back("X-Title: \xC4\xE3\xBA\xC3\xB0");  // ends in a lead byte before CR LF
  lines.push_back("Set-Cookie: big=1; path=/");
  lines.push_back("Location: http://elsewhere.example/");
  const ByteArray reply = MakeReply("200 OK", lines, "body");
  ASSERT_GT(reply.size(), 8000u);
  server_.Enqueue(reply);
  Call call;
  call.jar = "a=1";
  EXPECT_EQ(Run(call, server_.Url("/")), "body");
  EXPECT_EQ(call.raw_headers, HeadOf(reply));
  EXPECT_EQ(call.location, "http://elsewhere.example/");
  EXPECT_EQ(call.new_cookies, "big=1");
  EXPECT_EQ(call.jar, "big=1; a=1");
}

TEST_F(HttpRequestTest, RefusedConnectionsAndOtherSchemesGiveAnEmptyBody) {
  Text closed_url;
  {
    LoopbackServer gone;
    closed_url = gone.Url("/");  // nothing listens there any more
  }
  Call refused;
  refused.jar = "a = 1;b=2; a=3";
  EXPECT_EQ(Run(refused, closed_url), "");
  EXPECT_EQ(refused.jar, "a=1; b=2");
  EXPECT_EQ(refused.new_cookies, "");
  EXPECT_EQ(refused.headers,
            "Referer: " + closed_url + "\r\n" + kDefaultLines + "\r\nCookie: a = 1;b=2; a=3");
  EXPECT_EQ(refused.raw_headers, "");
  EXPECT_EQ(refused.location, "");

  for (const Text url : {"FILE:///etc/hostname", "ftp://127.0.0.1/"}) {
    Call call;
    call.jar = "a = 1";
    call.headers = "X: y";
    EXPECT_EQ(Run(call, url), "") << url;
    // Refused before anything is sent: no argument changes.
    EXPECT_EQ(call.jar, "a = 1");
    EXPECT_EQ(call.headers, "X: y");
    EXPECT_EQ(call.raw_headers, "untouched");
  }
  // A redirect to file:// is not followed; what arrived is still reported.
  const ByteArray moved =
      MakeReply("302 Found", {"Location: file:///etc/passwd", "Set-Cookie: s=1"}, "moved");
  server_.Enqueue(moved);
  Call call;
  EXPECT_EQ(Run(call, server_.Url("/")), "");
  EXPECT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(call.location, "file:///etc/passwd");
  EXPECT_EQ(call.jar, "s=1");
  EXPECT_EQ(call.raw_headers, HeadOf(moved));
}

TEST_F(HttpRequestTest, PostSendsBytesOrTextExactly) {
  for (int i = 0; i < 4; ++i) server_.Enqueue(MakeReply("200 OK", {}, "posted"));
  Call from_text;
  EXPECT_EQ(Run(from_text, server_.Url("/form"), 1, "a=1&b=\xD6\xD0"), "posted");
  EXPECT_EQ(from_text.post_bytes, "a=1&b=\xD6\xD0");
  EXPECT_EQ(server_.Requests().at(0),
            "POST /form HTTP/1.1\r\nHost: " + server_.HostPort() +
                "\r\nUser-Agent: " + kDefaultAgent + "\r\nReferer: " + server_.Url("/form") +
                "\r\n" + kDefaultLines + "\r\nContent-Length: 8\r\n\r\na=1&b=\xD6\xD0");

  Call from_bytes;
  from_bytes.post_bytes = ByteArray("x\0y", 3);
  Run(from_bytes, server_.Url("/form"), 1, "ignored");
  const ByteArray second = server_.Requests().at(1);
  EXPECT_EQ(second.substr(second.size() - 7), ByteArray("\r\n\r\nx\0y", 7));

  // Header names that merely contain "Accept:" or "Content-Type:" stop the
  // default lines, and then no such line goes out at all.
  Call odd_names;
  odd_names.headers = "X-Accept: 1\r\nX-Content-Type: 2";
  Run(odd_names, server_.Url("/odd"), 1, "q");
  EXPECT_EQ(Head(2), "POST /odd HTTP/1.1\r\nHost: " + server_.HostPort() +
                         "\r\nUser-Agent: " + kDefaultAgent +
                         "\r\nX-Accept: 1\r\nX-Content-Type: 2\r\nReferer: " + server_.Url("/odd") +
                         "\r\nAccept-Language: zh-cn\r\nContent-Length: 1\r\n\r\n");

  // A large body goes out at once, without an Expect line.
  Call large;
  large.post_bytes = ByteArray(1536 * 1024, 'L');
  Run(large, server_.Url("/big"), 1);
  const ByteArray third = server_.Requests().at(3);
  EXPECT_EQ(third.find("Expect"), Text::npos);
  EXPECT_EQ(third.substr(third.find("\r\n\r\n") + 4), large.post_bytes);
}

TEST_F(HttpRequestTest, ProxyServesPlainHttpOnlyWhenGiven) {
  LoopbackServer proxy;
  proxy.Enqueue(MakeReply("200 OK", {}, "via proxy"));
  for (int i = 0; i < 2; ++i) server_.Enqueue(MakeReply("200 OK", {}, "direct"));
  const Text url = server_.Url("/x");
  // A proxy named by the environment is ignored: direct means direct.
  setenv("http_proxy", proxy.Url("/").c_str(), 1);
  Call absent;
  EXPECT_EQ(Run(absent, url), "direct");
  EXPECT_EQ(Run(absent, url, 0, "", false, Text()), "direct");
  unsetenv("http_proxy");
  Call given;
  EXPECT_EQ(Run(given, url, 0, "", false, proxy.HostPort()), "via proxy");
  ASSERT_EQ(proxy.Requests().size(), 1u);
  const Text head = proxy.Requests()[0];
  EXPECT_EQ(FirstLine(head), "GET " + url + " HTTP/1.1");
  EXPECT_EQ(head.find("Proxy-Connection"), Text::npos);
  EXPECT_NE(head.find("\r\nReferer: " + url + "\r\n"), Text::npos);
}

TEST_F(HttpRequestTest, OneThreadReusesItsConnection) {
  for (int i = 0; i < 4; ++i) server_.Enqueue(MakeReply("200 OK", {}, "pic" + std::to_string(i)));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(HttpRequestVia(transport_, server_.Url("/p")), "pic" + std::to_string(i));
  }
  EXPECT_EQ(server_.Connections(), 1);
  std::thread other([&] { EXPECT_EQ(HttpRequestVia(transport_, server_.Url("/q")), "pic3"); });
  other.join();
  EXPECT_EQ(server_.Connections(), 2);
}

TEST_F(HttpRequestTest, RepliesOverTheCapsGiveEmptyResult) {
  TransportLimits limits = Limits(10s);
  limits.max_body_bytes = 1000;
  limits.max_header_bytes = 3000;
  CurlTransport capped(limits);
  server_.Enqueue(MakeReply("200 OK", {}, Text(1000, 'a')));
  server_.Enqueue(MakeReply("200 OK", {}, Text(5000, 'b')));
  // Without Content-Length the body ends when the connection closes.
  server_.Enqueue(ScriptedReply{"HTTP/1.1 200 OK\r\nSet-Cookie: c=1\r\n\r\n" + Text(5000, 'c'),
                                /*close=*/true});
  EXPECT_EQ(HttpRequestVia(capped, server_.Url("/fits")), Text(1000, 'a'));
  EXPECT_EQ(HttpRequestVia(capped, server_.Url("/long")), "");
  Text jar;
  EXPECT_EQ(HttpRequestVia(capped, server_.Url("/open"), 0, "", &jar), "");
  EXPECT_EQ(jar, "c=1");
  // Endless header lines are cut off as well.
  server_.Enqueue(MakeReply("200 OK", std::vector<Text>(100, "X-Filler: " + Text(50, 'h')), "s"));
  EXPECT_EQ(HttpRequestVia(capped, server_.Url("/heads")), "");
}

TEST(CurlTransportTest, ConnectionThatIsNeverAcceptedTimesOut) {
  // A listening socket with a full accept queue drops further connection
  // attempts, so a connect to it waits until the connect time-out.
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 0), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  std::vector<int> fillers;
  for (int i = 0; i < 3; ++i) {
    fillers.push_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0));
    connect(fillers.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  TransportLimits limits;
  limits.connect_timeout = 300ms;
  limits.idle_timeout = 10min;  // only the connect time-out can end this in time
  CurlTransport transport(limits);
  TransportRequest request;
  request.host = "127.0.0.1";
  request.port = ntohs(address.sin_port);
  request.path = "/";
  EXPECT_EQ(transport.Exchange(request).outcome, TransportOutcome::kTimedOut);
  for (int fd : fillers) close(fd);
  close(listener);
}

TEST_F(HttpRequestTest, StalledServerIsAbandoned) {
  CurlTransport impatient(Limits(300ms));
  // Takes the request and never answers.
  server_.Enqueue(ScriptedReply{"", false, /*stall=*/true});
  Text jar = "a=1";
  EXPECT_EQ(HttpRequestVia(impatient, server_.Url("/silent"), 0, "", &jar), "");
  EXPECT_EQ(jar, "a=1");
  // Sends its header block and part of the body, then nothing.
  const ByteArray head = "HTTP/1.1 200 OK\r\nSet-Cookie: s=1\r\nContent-Length: 100\r\n\r\n";
  server_.Enqueue(ScriptedReply{head + "partial", false, /*stall=*/true});
  Text raw;
  EXPECT_EQ(HttpRequestVia(impatient, server_.Url("/partial"), 0, "", &jar, nullptr, nullptr,
                           nullptr, false, nullptr, std::nullopt, &raw),
            "");
  EXPECT_EQ(raw, head);
  EXPECT_EQ(jar, "s=1; a=1");
}

// A server on 127.0.0.1 that answers one request with a header block and
// then trickles its body a byte at a time, `pause` apart.
class TrickleServer {
 public:
  TrickleServer(Text head, Text body, std::chrono::milliseconds pause) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 1) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      std::abort();
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this, head, body, pause] { Serve(head, body, pause); });
  }
  ~TrickleServer() {
    stop_ = true;
    shutdown(listener_, SHUT_RDWR);
    thread_.join();
    close(listener_);
  }
  Text Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/slow"; }

 private:
  void Serve(const Text& head, const Text& body, std::chrono::milliseconds pause) {
    int connection = accept(listener_, nullptr, nullptr);
    if (connection < 0) return;
    Text request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == Text::npos) {
      ssize_t got = recv(connection, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      request.append(buffer, static_cast<std::size_t>(got));
    }
    bool open = send(connection, head.data(), head.size(), MSG_NOSIGNAL) > 0;
    for (std::size_t i = 0; open && !stop_ && i < body.size(); ++i) {
      std::this_thread::sleep_for(pause);
      open = send(connection, body.data() + i, 1, MSG_NOSIGNAL) == 1;
    }
    close(connection);
  }

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(CurlTransportTest, TransferBelowTheMinimalSpeedIsAbandoned) {
  TransportLimits limits = Limits(5s);  // the trickle keeps the idle time-out away
  limits.min_bytes_per_second = 1024;
  limits.min_speed_window = 1s;
  CurlTransport transport(limits);
  // 40 bytes at 10 a second would take 4 s to arrive whole.
  const Text body(40, 't');
  TrickleServer slow("HTTP/1.1 200 OK\r\nSet-Cookie: s=1\r\nContent-Length: 40\r\n\r\n", body,
                     100ms);
  Text jar = "a=1";
  Text raw;
  EXPECT_EQ(HttpRequestVia(transport, slow.Url(), 0, "", &jar, nullptr, nullptr, nullptr, false,
                           nullptr, std::nullopt, &raw),
            "");
  EXPECT_TRUE(TextContains(raw, "Content-Length: 40"));
  EXPECT_EQ(jar, "s=1; a=1");
  // A reply that arrives at once passes the same limits.
  LoopbackServer fast;
  fast.Enqueue(MakeReply("200 OK", {}, Text(200'000, 'f')));
  EXPECT_EQ(HttpRequestVia(transport, fast.Url("/fast")), Text(200'000, 'f'));
}

// A transport that records each request and answers with scripted replies.
class ScriptedTransport : public HttpTransport {
 public:
  void Add(int status, const Text& redirect_url, const ByteArray& body) {
    TransportReply reply;
    reply.outcome = TransportOutcome::kComplete;
    reply.status = status;
    reply.redirect_url = redirect_url;
    reply.header_blocks = {"HTTP/1.1 " + std::to_string(status) + " X\r\nLocation: " +
                           redirect_url + "\r\nSet-Cookie: h" + std::to_string(replies_.size()) +
                           "=1; path=/\r\n\r\n"};
    reply.body = body;
    replies_.push_back(reply);
  }
  TransportReply Exchange(const TransportRequest& request) override {
    requests.push_back(request);
    if (requests.size() > replies_.size()) {
      TransportReply failed;
      failed.outcome = TransportOutcome::kFailed;
      return failed;
    }
    return replies_[requests.size() - 1];
  }
  std::vector<TransportRequest> requests;

 private:
  std::vector<TransportReply> replies_;
};

TEST(HttpRequestRedirectTest, FromHttpsToPlainHttpIsRefused) {
  // https to http: the Cookie line would go out in the clear; not followed.
  ScriptedTransport downgrade;
  downgrade.Add(302, "http://photo.example/p", "moved");
  downgrade.Add(200, "", "plain");
  Text jar = "sid=secret";
  Text location;
  EXPECT_EQ(HttpRequestVia(downgrade, "https://login.example/a", 0, "", &jar, nullptr, nullptr,
                           &location),
            "");
  ASSERT_EQ(downgrade.requests.size(), 1u);
  EXPECT_EQ(location, "http://photo.example/p");
  EXPECT_EQ(jar, "h0=1; sid=secret");  // what arrived is still merged

  // Upgrades and https to https are followed; so is http to http.
  for (const auto& [from, to] : {std::pair<Text, Text>{"http://a.example/", "https://b.example/"},
                                 {"https://a.example/", "https://b.example/x"},
                                 {"http://a.example/", "http://b.example/"}}) {
    ScriptedTransport chain;
    chain.Add(301, to, "moved");
    chain.Add(200, "", "final");
    EXPECT_EQ(HttpRequestVia(chain, from), "final") << from << " -> " << to;
    ASSERT_EQ(chain.requests.size(), 2u);
    EXPECT_EQ(chain.requests[1].secure, to.rfind("https", 0) == 0);
  }
  // Asked not to follow, the caller gets the redirect reply itself.
  ScriptedTransport returned;
  returned.Add(302, "http://photo.example/p", "moved");
  EXPECT_EQ(HttpRequestVia(returned, "https://login.example/a", 0, "", nullptr, nullptr, nullptr,
                           nullptr, /*no_redirect=*/true),
            "moved");
}

TEST_F(HttpRequestTest, ChunkedTrailersStayOutOfTheHeaderBlockAndTheJar) {
  const Text head =
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nTrailer: X-Trail\r\n"
      "Set-Cookie: h=1\r\n\r\n";
  server_.Enqueue(head + "4\r\nbody\r\n3\r\n \xB0\x80\r\n0\r\nSet-Cookie: t=1\r\n"
                  "X-Trail: HTTP/1.1 200 OK\r\nLocation: http://trailer.example/\r\n\r\n");
  Call call;
  call.jar = "a=1";
  EXPECT_EQ(Run(call, server_.Url("/chunked")), "body \xB0\x80");
  EXPECT_EQ(call.raw_headers, head);
  EXPECT_EQ(call.jar, "h=1; a=1");
  EXPECT_EQ(call.new_cookies, "h=1");
  EXPECT_EQ(call.location, head);
  // An interim reply before the final one: the final block is reported.
  const Text interim = "HTTP/1.1 100 Continue\r\n\r\n";
  server_.Enqueue(interim + head + "0\r\nSet-Cookie: t=2\r\n\r\n");
  Call after_interim;
  EXPECT_EQ(Run(after_interim, server_.Url("/interim")), "");
  EXPECT_EQ(after_interim.raw_headers, head);
  EXPECT_EQ(after_interim.jar, "h=1");
}

TEST(UrlTest, HostPortAndPathFollowTheTextRules) {
  const Text url = "HTTPS://Example.COM:8443/a?b";
  EXPECT_EQ(UrlHost(url), "example.com");
  EXPECT_EQ(UrlHost(url, true), "example.com:8443");
  EXPECT_EQ(UrlPort(url), 8443);
  EXPECT_EQ(UrlPath(url), "/a?b");
  EXPECT_EQ(UrlPort("photo.example.com/x"), 80);
  // A query right after the host: it becomes part of the host, the path is "/".
  EXPECT_EQ(UrlHost("http://h.example?x=1"), "h.example?x=1");
  EXPECT_EQ(UrlPath("http://h.example?x=1"), "/");
  // The port is the number after the last colon; no digits give 0.
  EXPECT_EQ(UrlPort("http://h.example:/"), 0);
  EXPECT_EQ(UrlPort("http://a:1:2/"), 2);
  EXPECT_EQ(UrlHost("http://a:1:2/"), "a");
  EXPECT_EQ(UrlPort("http://h:\xA3\xB8\xA3\xB0/"), 80);  // full-width digits count
  // A byte of 0x80 or more right before the slash does not carry the host
  // into the path: "/" is never the second byte of a character.
  EXPECT_EQ(UrlHost("http://h\xFF/p/x"), "h\xFF");
  EXPECT_EQ(UrlPath("http://h\xFF/p/x"), "/p/x");
  EXPECT_EQ(UrlHost("https://h\x81/evil.example/"), "h\x81");
}

TEST_F(HttpRequestTest, FetchTextConvertsTheBodyAndHandsBackEveryOutput) {
  const ByteArray chinese = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
  server_.Enqueue(MakeReply("200 OK", {"Set-Cookie: b=2; path=/"},
                            "{\"msg\":\"" + chinese + "\xE2\x82\xAC\xF0\x9F\x98\x80\"}"));
  server_.Enqueue(MakeReply("200 OK", {}, ByteArray("ok\0tail", 7)));
  Text jar = "a=1";
  Text new_cookies;
  Text headers = "Referer: http://127.0.0.1/";
  Text raw_headers;
  EXPECT_EQ(FetchText(server_.Url("/list?x=1"), 0, Text(), &jar, &new_cookies, &headers, nullptr,
                      false, nullptr, std::nullopt, &raw_headers),
            "{\"msg\":\"\xD6\xD0\xCE\xC4\x80?\"}");
  // The caller's variables are written in place as with HttpRequest.
  EXPECT_EQ(jar, "b=2; a=1");
  EXPECT_EQ(new_cookies, "b=2");
  EXPECT_TRUE(TextContains(raw_headers, "Set-Cookie: b=2"));
  EXPECT_EQ(RequestHeader(server_.Requests().at(0), "Cookie"), "a=1");
  // The URL alone: the text ends at the body's zero byte.
  EXPECT_EQ(FetchText(server_.Url("/a")), "ok");
}

}  // namespace
}  // namespace weibo
