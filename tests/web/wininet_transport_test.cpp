// HttpRequest over the WinINet transport against the loopback server: the
// exchanges the libcurl transport is held to on Linux. WinINet adds lines of
// its own (Host first; Content-Length, Connection and Cache-Control where it
// sees fit), so requests are compared by the lines the tool composes: those
// must go out byte for byte and in order, with nothing else added.
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/common/loopback_server.h"
#include "web/fetch_text.h"
#include "web/http_request.h"
#include "web/wininet_transport.h"

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

// True under Wine (which exports wine_get_version from ntdll).
bool UnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
bool UnderWineWith936() { return UnderWine() && GetACP() == 936; }

Text HeadOf(const ByteArray& message) { return message.substr(0, message.find("\r\n\r\n") + 4); }
Text FirstLine(const ByteArray& message) { return message.substr(0, message.find("\r\n")); }

// The lines WinINet adds by itself.
bool IsPlatformLine(const Text& line) {
  const Text lower = AsciiLower(line);
  for (const char* name : {"host:", "connection:", "cache-control:", "content-length:"}) {
    if (lower.rfind(name, 0) == 0) return true;
  }
  return false;
}

// The request line and the lines of a request head that the tool composed,
// joined by CR LF.
Text ComposedPart(const ByteArray& request) {
  const Text head = HeadOf(request);
  Text out = FirstLine(head);
  std::size_t at = head.find("\r\n") + 2;
  while (at < head.size()) {
    const std::size_t end = head.find("\r\n", at);
    const Text line = head.substr(at, end - at);
    if (!line.empty() && !IsPlatformLine(line)) out += "\r\n" + line;
    at = end + 2;
  }
  return out;
}

struct Call {
  Text jar;
  Text new_cookies = "untouched";
  Text headers;
  Text location = "untouched";
  ByteArray post_bytes;
  Text raw_headers = "untouched";
  ByteArray body;
};

class WinInetTest : public ::testing::Test {
 protected:
  ByteArray Run(Call& call, const Text& url, int method = 0, const Text& post_text = Text(),
                bool no_redirect = false, const std::optional<Text>& proxy = std::nullopt) {
    call.body = HttpRequestVia(transport_, url, method, post_text, &call.jar, &call.new_cookies,
                               &call.headers, &call.location, no_redirect, &call.post_bytes, proxy,
                               &call.raw_headers);
    return call.body;
  }
  ByteArray Request(std::size_t n) { return server_.Requests().at(n); }

  LoopbackServer server_;
  WinInetTransport transport_{Limits(10s)};
};

TEST_F(WinInetTest, ComposedLinesGoOutExactlyAndTheReplyComesBackWhole) {
  const ByteArray reply =
      MakeReply("200 OK", {"Content-Type: text/plain"}, std::string_view("hello\0world", 11));
  server_.Enqueue(reply);
  for (int i = 0; i < 2; ++i) server_.Enqueue(MakeReply("200 OK", {}, ""));
  const Text url = server_.Url("/p?q=1");
  const Text tail = "Referer: " + url + "\r\n" + kDefaultLines;
  Call call;
  EXPECT_EQ(Run(call, url), ByteArray("hello\0world", 11));
  EXPECT_EQ(ComposedPart(Request(0)),
            "GET /p?q=1 HTTP/1.1\r\nUser-Agent: " + Text(kDefaultAgent) + "\r\n" + tail);
  EXPECT_EQ(RequestHeader(Request(0), "Host"), server_.HostPort());
  EXPECT_EQ(RequestHeader(Request(0), "Cookie"), "");
  EXPECT_EQ(call.headers, tail);
  EXPECT_EQ(call.raw_headers, HeadOf(reply));
  EXPECT_EQ(call.location, call.raw_headers);
  EXPECT_EQ(call.new_cookies, "");

  // The caller's agent line in lower case is the one agent sent; a jar adds
  // the Cookie line last, after the caller's own Cookie line.
  Call own;
  own.headers = "user-agent: Agent/1";
  Run(own, url);
  EXPECT_EQ(ComposedPart(Request(1)), "GET /p?q=1 HTTP/1.1\r\nuser-agent: Agent/1\r\n" + tail);
  Call with_jar;
  with_jar.jar = "a=1; b=2";
  with_jar.headers = "X-Extra: 3\r\nreferer: http://other/\r\nCookie: c=3";
  Run(with_jar, url);
  EXPECT_EQ(with_jar.headers,
            "X-Extra: 3\r\nreferer: http://other/\r\nCookie: c=3\r\n" + tail + "\r\nCookie: a=1; b=2");
  const Text sent = ComposedPart(Request(2));
  EXPECT_EQ(sent.substr(sent.find("\r\nX-Extra")), "\r\n" + with_jar.headers);
}

TEST_F(WinInetTest, AddressFormsReachTheRightTarget) {
  for (int i = 0; i < 2; ++i) server_.Enqueue(MakeReply("200 OK", {}, "ok"));
  const Text port = std::to_string(server_.Port());
  Call mixed;
  EXPECT_EQ(Run(mixed, "HTTP://LocalHost:" + port + "/Path/A?B=c"), "ok");
  EXPECT_EQ(FirstLine(Request(0)), "GET /Path/A?B=c HTTP/1.1");
  EXPECT_EQ(AsciiLower(RequestHeader(Request(0), "Host")), "localhost:" + port);
  Call bare;
  EXPECT_EQ(Run(bare, "127.0.0.1:" + port + "/x y\xD6\xD0"), "ok");
  EXPECT_EQ(FirstLine(Request(1)), "GET /x%20y%D6%D0 HTTP/1.1");
}

TEST_F(WinInetTest, HttpsSpeaksTls) {
  // Wine's TLS handshake over WinINet waits for ever when the server answers
  // anything but TLS (and the time-outs do not end it), so this runs on
  // Windows only.
  if (UnderWine()) GTEST_SKIP() << "TLS handshake failures hang under Wine";
  const Text port = std::to_string(server_.Port());
  // "HTTPS" in capitals speaks TLS: the server sees a handshake record,
  // answers nonsense and the exchange fails with an empty body.
  server_.Enqueue(ScriptedReply{"nonsense", /*close=*/true, false, /*on_first_bytes=*/true});
  Call secure;
  EXPECT_EQ(Run(secure, "HTTPS://127.0.0.1:" + port + "/a?b"), "");
  EXPECT_EQ(static_cast<unsigned char>(server_.Requests().back().at(0)), 0x16);
  EXPECT_EQ(secure.raw_headers, "");
}

TEST_F(WinInetTest, RedirectsAreOursAndEveryReplysCookiesMerge) {
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
  EXPECT_EQ(Run(call, server_.Url("/one"), 1), "done");
  std::vector<ByteArray> requests = server_.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(FirstLine(requests[1]), "POST /one HTTP/1.1");
  EXPECT_EQ(FirstLine(requests[2]), "POST /two HTTP/1.1");
  EXPECT_EQ(requests[2].substr(requests[2].size() - 7), "\r\n\r\nk=v");
  EXPECT_EQ(FirstLine(requests[3]), "GET /three HTTP/1.1");
  EXPECT_EQ(RequestHeader(requests[3], "Content-Length"), "");
  EXPECT_EQ(call.jar, "a=3; b=1");
  EXPECT_EQ(call.new_cookies, "a=2;b=1;z=deleted;a=3");
  EXPECT_EQ(call.raw_headers, HeadOf(final_reply));
}

TEST_F(WinInetTest, LargeHeaderBlocksAreReadWholeUpToTheCap) {
  std::vector<Text> lines;
  for (int i = 0; i < 120; ++i) lines.push_back("X-Filler-" + std::to_string(i) + ": " + Text(60, 'f'));
  // A value ending in a lead byte before CR LF: Wine's WinINet reads header
  // lines through the ANSI code page, and under 936 such a line swallows its
  // line end, so there the value is plain.
  lines.push_back(UnderWineWith936() ? "X-Title: plain" : "X-Title: \xC4\xE3\xBA\xC3\xB0");
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
  EXPECT_EQ(call.jar, "big=1; a=1");

  TransportLimits limits = Limits(10s);
  limits.max_body_bytes = 1000;
  limits.max_header_bytes = 3000;
  WinInetTransport capped(limits);
  server_.Enqueue(MakeReply("200 OK", {}, Text(1000, 'a')));
  server_.Enqueue(MakeReply("200 OK", {}, Text(5000, 'b')));
  server_.Enqueue(ScriptedReply{"HTTP/1.1 200 OK\r\nSet-Cookie: c=1\r\n\r\n" + Text(5000, 'c'),
                                /*close=*/true});
  server_.Enqueue(MakeReply("200 OK", std::vector<Text>(100, "X-Filler: " + Text(50, 'h')), "s"));
  EXPECT_EQ(HttpRequestVia(capped, server_.Url("/fits")), Text(1000, 'a'));
  EXPECT_EQ(HttpRequestVia(capped, server_.Url("/long")), "");
  Text jar;
  EXPECT_EQ(HttpRequestVia(capped, server_.Url("/open"), 0, "", &jar), "");
  EXPECT_EQ(jar, "c=1");
  EXPECT_EQ(HttpRequestVia(capped, server_.Url("/heads")), "");
}

TEST_F(WinInetTest, RefusedConnectionsAndOtherSchemesGiveAnEmptyBody) {
  Text closed_url;
  {
    LoopbackServer gone;
    closed_url = gone.Url("/");
  }
  Call refused;
  refused.jar = "a = 1;b=2; a=3";
  EXPECT_EQ(Run(refused, closed_url), "");
  EXPECT_EQ(refused.jar, "a=1; b=2");
  EXPECT_EQ(refused.raw_headers, "");
  EXPECT_EQ(refused.location, "");

  for (const Text url : {"FILE:///c:/windows/win.ini", "ftp://127.0.0.1/"}) {
    Call call;
    call.jar = "a = 1";
    EXPECT_EQ(Run(call, url), "") << url;
    EXPECT_EQ(call.jar, "a = 1");
    EXPECT_EQ(call.raw_headers, "untouched");
  }
  const ByteArray moved = MakeReply("302 Found", {"Location: file:///c:/x", "Set-Cookie: s=1"}, "m");
  server_.Enqueue(moved);
  Call call;
  EXPECT_EQ(Run(call, server_.Url("/")), "");
  EXPECT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(call.location, "file:///c:/x");
  EXPECT_EQ(call.jar, "s=1");
}

TEST_F(WinInetTest, PostSendsBytesOrTextExactly) {
  for (int i = 0; i < 3; ++i) server_.Enqueue(MakeReply("200 OK", {}, "posted"));
  Call from_text;
  EXPECT_EQ(Run(from_text, server_.Url("/form"), 1, "a=1&b=\xD6\xD0"), "posted");
  EXPECT_EQ(from_text.post_bytes, "a=1&b=\xD6\xD0");
  EXPECT_EQ(ComposedPart(Request(0)), "POST /form HTTP/1.1\r\nUser-Agent: " + Text(kDefaultAgent) +
                                          "\r\nReferer: " + server_.Url("/form") + "\r\n" +
                                          kDefaultLines);
  EXPECT_EQ(RequestHeader(Request(0), "Content-Length"), "8");
  EXPECT_EQ(Request(0).substr(Request(0).size() - 12), "\r\n\r\na=1&b=\xD6\xD0");

  Call from_bytes;
  from_bytes.post_bytes = ByteArray("x\0y", 3);
  Run(from_bytes, server_.Url("/form"), 1, "ignored");
  EXPECT_EQ(Request(1).substr(Request(1).size() - 7), ByteArray("\r\n\r\nx\0y", 7));

  Call large;
  large.post_bytes = ByteArray(1536 * 1024, 'L');
  Run(large, server_.Url("/big"), 1);
  const ByteArray third = Request(2);
  EXPECT_EQ(third.find("Expect"), Text::npos);
  EXPECT_EQ(third.substr(third.find("\r\n\r\n") + 4), large.post_bytes);
}

TEST_F(WinInetTest, ProxyServesPlainHttpOnlyWhenGiven) {
  LoopbackServer proxy;
  proxy.Enqueue(MakeReply("200 OK", {}, "via proxy"));
  server_.Enqueue(MakeReply("200 OK", {}, "direct"));
  const Text url = server_.Url("/x");
  Call empty;
  EXPECT_EQ(Run(empty, url, 0, "", false, Text()), "direct");
  Call given;
  EXPECT_EQ(Run(given, url, 0, "", false, proxy.HostPort()), "via proxy");
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(FirstLine(proxy.Requests()[0]), "GET " + url + " HTTP/1.1");
}

TEST_F(WinInetTest, OneThreadReusesItsConnection) {
  for (int i = 0; i < 4; ++i) server_.Enqueue(MakeReply("200 OK", {}, "pic" + std::to_string(i)));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(HttpRequestVia(transport_, server_.Url("/p")), "pic" + std::to_string(i));
  }
  EXPECT_EQ(server_.Connections(), 1);
  std::thread other([&] { EXPECT_EQ(HttpRequestVia(transport_, server_.Url("/q")), "pic3"); });
  other.join();
}

// Five download and five lookup workers may reach one host at once; none may
// wait inside WinINet for a connection while its time limit runs.
TEST_F(WinInetTest, ConnectionLimitsCoverEveryWorker) {
  for (DWORD option : {INTERNET_OPTION_MAX_CONNS_PER_SERVER,
                       INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER}) {
    DWORD count = 0;
    DWORD size = sizeof count;
    ASSERT_TRUE(InternetQueryOptionA(nullptr, option, &count, &size));
    EXPECT_GE(count, 10u) << "option " << option;
  }
}

TEST_F(WinInetTest, StalledServerIsAbandoned) {
  WinInetTransport impatient(Limits(500ms));
  server_.Enqueue(ScriptedReply{"", false, /*stall=*/true});
  Text jar = "a=1";
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(HttpRequestVia(impatient, server_.Url("/silent"), 0, "", &jar), "");
  EXPECT_EQ(jar, "a=1");
  const ByteArray head = "HTTP/1.1 200 OK\r\nSet-Cookie: s=1\r\nContent-Length: 100\r\n\r\n";
  server_.Enqueue(ScriptedReply{head + "partial", false, /*stall=*/true});
  Text raw;
  TransportRequest request;
  request.host = "127.0.0.1";
  request.port = server_.Port();
  request.path = "/partial";
  const TransportReply reply = impatient.Exchange(request);
  EXPECT_EQ(reply.outcome, TransportOutcome::kTimedOut);
  ASSERT_EQ(reply.header_blocks.size(), 1u);
  EXPECT_EQ(reply.header_blocks[0], head);
  EXPECT_EQ(reply.body, "");
  EXPECT_LT(std::chrono::steady_clock::now() - started, 20s);
}

// Records what a body sink is handed.
class RecordingSink : public BodySink {
 public:
  explicit RecordingSink(bool accept, std::size_t fail_after = SIZE_MAX)
      : accept_(accept), fail_after_(fail_after) {}
  bool Accept(int status) override {
    statuses.push_back(status);
    return accept_;
  }
  bool Write(const char* data, std::size_t size) override {
    received.append(data, size);
    return received.size() <= fail_after_;
  }
  std::vector<int> statuses;
  ByteArray received;

 private:
  bool accept_;
  std::size_t fail_after_;
};

TEST_F(WinInetTest, BodySinkTakesTheBodyItAccepts) {
  const ByteArray picture(300 * 1024, '\xA5');
  server_.Enqueue(MakeReply("200 OK", {}, picture));
  server_.Enqueue(MakeReply("302 Found", {"Location: /elsewhere"}, "moved"));
  server_.Enqueue(MakeReply("200 OK", {}, picture));
  TransportRequest request;
  request.host = "127.0.0.1";
  request.port = server_.Port();
  request.path = "/pic";

  RecordingSink taking(true);
  request.body_sink = &taking;
  TransportReply streamed = transport_.Exchange(request);
  EXPECT_EQ(streamed.outcome, TransportOutcome::kComplete);
  EXPECT_EQ(streamed.body, "");
  EXPECT_EQ(taking.received, picture);
  EXPECT_EQ(taking.statuses, std::vector<int>{200});

  RecordingSink declining(false);
  request.body_sink = &declining;
  TransportReply kept = transport_.Exchange(request);
  EXPECT_EQ(kept.outcome, TransportOutcome::kComplete);
  EXPECT_EQ(kept.status, 302);
  EXPECT_EQ(kept.body, "moved");
  EXPECT_EQ(kept.redirect_url, server_.Url("/elsewhere"));
  EXPECT_EQ(declining.received, "");

  RecordingSink failing(true, 1000);
  request.body_sink = &failing;
  EXPECT_EQ(transport_.Exchange(request).outcome, TransportOutcome::kFailed);
}

TEST_F(WinInetTest, FetchTextConvertsTheBody) {
  const ByteArray chinese = "\xE4\xB8\xAD\xE6\x96\x87";  // 中文
  server_.Enqueue(MakeReply("200 OK", {"Set-Cookie: b=2; path=/"},
                            "{\"msg\":\"" + chinese + "\xE2\x82\xAC\xF0\x9F\x98\x80\"}"));
  Text jar = "a=1";
  EXPECT_EQ(FetchText(server_.Url("/list?x=1"), 0, Text(), &jar),
            "{\"msg\":\"\xD6\xD0\xCE\xC4\x80?\"}");
  EXPECT_EQ(jar, "b=2; a=1");
  EXPECT_EQ(RequestHeader(Request(0), "Cookie"), "a=1");
}

}  // namespace
}  // namespace weibo
