// The QR sign-in against a scripted loopback server, and its small parts:
// JSON-P unwrapping, the callback stamp and the wait that keeps handling
// events.
#include "signin/qr_sign_in.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "app/program.h"
#include "flow/recording_window_ops.h"
#include "signin/callback_stamp.h"
#include "signin/jsonp.h"
#include "signin/message_wait.h"
#include "signin/sign_in_texts.h"
#include "support/json_reply.h"
#include "support/timestamp.h"
#include "tests/common/loopback_server.h"

namespace weibo {
namespace {

// A 1 x 1 picture, 24 bits per pixel, as a BMP file.
const ByteArray kBitmap(
    "BM:\0\0\0\0\0\0\0"
    "6\0\0\0(\0\0\0"
    "\1\0\0\0\1\0\0\0"
    "\1\0\30\0"
    "\0\0\0\0"
    "\4\0\0\0"
    "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0"
    "\x7F\x7F\x7F\0",
    58);

ByteArray Reply(const std::string& body, const std::vector<Text>& cookies = {}) {
  std::vector<Text> headers = {"Content-Type: text/html; charset=utf-8"};
  for (const Text& cookie : cookies) headers.push_back("Set-Cookie: " + cookie + "; path=/");
  return MakeReply("200 OK", headers, body);
}

ByteArray Jsonp(const std::string& json, const std::vector<Text>& cookies = {}) {
  return Reply("STK_17000000000001(" + json + ");", cookies);
}

ByteArray Poll(const std::string& retcode, const std::string& msg, const std::string& extra = "") {
  return Jsonp("{\"retcode\":" + retcode + ",\"msg\":\"" + msg + "\"" + extra + "}");
}

// The UTF-8 texts the service sends and their code page 936 forms.
const char kUnusedUtf8[] = "\xE6\x9C\xAA\xE4\xBD\xBF\xE7\x94\xA8";               // 未使用
// 成功扫描(待确认)
const char kScannedUtf8[] =
    "\xE6\x88\x90\xE5\x8A\x9F\xE6\x89\xAB\xE6\x8F\x8F(\xE5\xBE\x85\xE7\xA1\xAE\xE8\xAE\xA4)";
const char kScannedGbk[] = "\xB3\xC9\xB9\xA6\xC9\xA8\xC3\xE8(\xB4\xFD\xC8\xB7\xC8\xCF)";
const char kExpiredUtf8[] =
    "\xE4\xBA\x8C\xE7\xBB\xB4\xE7\xA0\x81\xE5\xB7\xB2\xE8\xBF\x87\xE6\x9C\x9F";  // 二维码已过期

const char kQrLine[] =
    R"(GET /sso/qrcode/image\?entry=weibo&size=180&callback=STK_\d{13} HTTP/1\.1)";
const char kPictureLine[] = R"(GET /qr\.bmp HTTP/1\.1)";

std::string PollLine(const std::string& qrid) {
  return R"(GET /sso/qrcode/check\?entry=weibo&qrid=)" + qrid +
         R"(&callback=STK_\d{14,15} HTTP/1\.1)";
}

struct ProgramEnded {
  int code;
};

class QrSignInTest : public ::testing::Test {
 protected:
  QrSignInTest() {
    endpoints_.signon_host = server_.HostPort();
    endpoints_.main_domain = "weibo.example";
    windows_.LoadWindow(WindowId::kSignIn);
  }

  void Run() { QrSignInPaced(FlowContext{state_, &windows_, nullptr, &endpoints_}, pacing_); }

  void EnqueueQrCode(const std::string& qrid, const std::vector<Text>& cookies = {}) {
    server_.Enqueue(Jsonp("{\"retcode\":20000000,\"data\":{\"image\":\"" + server_.Url("/qr.bmp") +
                              "\",\"qrid\":\"" + qrid + "\"}}",
                          cookies));
  }
  void EnqueueQrCodeAndPicture(const std::string& qrid) {
    EnqueueQrCode(qrid);
    server_.Enqueue(MakeReply("200 OK", {"Content-Type: image/bmp"}, kBitmap));
  }

  // Expects the request lines to match `patterns` in order, no more, no fewer.
  void ExpectRequests(const std::vector<std::string>& patterns) {
    const std::vector<ByteArray> requests = server_.Requests();
    ASSERT_EQ(requests.size(), patterns.size());
    for (std::size_t i = 0; i < patterns.size(); ++i) {
      const Text line = requests[i].substr(0, requests[i].find("\r\n"));
      EXPECT_TRUE(std::regex_match(line, std::regex(patterns[i]))) << i << ": " << line;
    }
  }

  int CallCount(const std::string& call) const {
    int count = 0;
    for (const std::string& line : windows_.Calls()) count += line == call ? 1 : 0;
    return count;
  }

  LoopbackServer server_;
  RecordingWindowOps windows_;
  Endpoints endpoints_;
  std::shared_ptr<ProgramState> state_ = std::make_shared<ProgramState>();
  SignInPacing pacing_{1, 1};
};

TEST_F(QrSignInTest, ConfirmedCodeLogsInVisitsTheDomainsAndOpensTheMainWindow) {
  EnqueueQrCode("QRID1", {"SSO_QR=q1"});
  server_.Enqueue(MakeReply("200 OK", {"Content-Type: image/bmp"}, kBitmap));
  server_.Enqueue(Poll("50114001", kUnusedUtf8));
  server_.Enqueue(Poll("50114002", kScannedUtf8));
  server_.Enqueue(Jsonp(R"({"retcode":20000000,"msg":"ok","data":{"alt":"ALT-1"}})", {"POLL=p1"}));
  server_.Enqueue(Jsonp(R"({"retcode":"0","crossDomainUrlList":[")" + server_.Url("/visit1") +
                            R"(",5,")" + server_.Url("/visit2") + R"("]})",
                        {"LOGIN=l1"}));
  server_.Enqueue(Reply("", {"SUB=s1"}));
  server_.Enqueue(Reply("ignored", {"SUBP=s2"}));

  // What the window shows each time events are handled, by requests sent.
  std::vector<std::pair<std::size_t, Text>> seen;
  windows_.SetPendingMessages(
      [&] { seen.emplace_back(server_.Requests().size(), windows_.LabelText()); });
  Run();

  ExpectRequests({kQrLine, kPictureLine, PollLine("QRID1"), PollLine("QRID1"), PollLine("QRID1"),
                  R"(GET /sso/login\.php\?entry=weibo&returntype=TEXT&crossdomain=1)"
                  R"(&cdult=3&domain=weibo\.example&alt=ALT-1&savestate=30)"
                  R"(&callback=STK_\d{14,15} HTTP/1\.1)",
                  "GET /visit1 HTTP/1.1", "GET /visit2 HTTP/1.1"});  // the entry 5 is no address

  // The jar goes with the polls and visits, not with the picture or the
  // login, whose cookies are dropped.
  const std::vector<ByteArray> requests = server_.Requests();
  EXPECT_EQ(RequestHeader(requests[1], "Cookie"), "");
  EXPECT_TRUE(TextContains(RequestHeader(requests[2], "Cookie"), "SSO_QR=q1"));
  EXPECT_EQ(RequestHeader(requests[5], "Cookie"), "");
  EXPECT_TRUE(TextContains(RequestHeader(requests[6], "Cookie"), "POLL=p1"));
  EXPECT_TRUE(TextContains(RequestHeader(requests[7], "Cookie"), "SUB=s1"));
  for (const char* cookie : {"SSO_QR=q1", "POLL=p1", "SUB=s1", "SUBP=s2"}) {
    EXPECT_TRUE(TextContains(state_->cookie_jar, cookie)) << state_->cookie_jar;
  }
  EXPECT_FALSE(TextContains(state_->cookie_jar, "LOGIN")) << state_->cookie_jar;

  // The first poll follows the picture at once; events are handled after
  // each poll reply, and once more when the success text is up, so that it is
  // drawn before the login and the visits block the window. The label changes
  // on the scanned code (its text read whole, parentheses and all) and on
  // success only.
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front().first, 3U);
  EXPECT_EQ(seen.back(), std::make_pair(std::size_t{5}, Text(kSignInSucceeded)));
  for (std::size_t i = 0; i + 1 < seen.size(); ++i) {
    EXPECT_EQ(seen[i].second, seen[i].first <= 4 ? Text() : Text(kScannedGbk)) << seen[i].first;
  }
  EXPECT_EQ(CallCount("SetLabelText"), 2);
  EXPECT_EQ(windows_.LabelText(), kSignInSucceeded);
  EXPECT_EQ(windows_.Picture().substr(0, 2), "BM");
  const std::vector<std::string> calls = windows_.Calls();
  ASSERT_GE(calls.size(), 2U);
  EXPECT_EQ(calls[calls.size() - 2], "SetVisible sign-in 0");
  EXPECT_EQ(calls.back(), "LoadWindow main");
}

TEST_F(QrSignInTest, ExpiredCodeStartsOverWithANewOne) {
  EnqueueQrCodeAndPicture("Q1");
  server_.Enqueue(Poll("50114001", kExpiredUtf8));
  EnqueueQrCodeAndPicture("Q2");
  server_.Enqueue(Poll("50114001", ""));  // an empty "msg" also means a new code
  EnqueueQrCodeAndPicture("Q3");
  server_.Enqueue(Poll("50114001", kUnusedUtf8));
  server_.Enqueue(Poll("20000000", "ok", R"(,"data":{})"));
  server_.Enqueue(Jsonp(R"({"retcode":"0"})"));  // no cross-domain list
  Run();

  // A missing "alt" is sent as "0".
  ExpectRequests({kQrLine, kPictureLine, PollLine("Q1"), kQrLine, kPictureLine, PollLine("Q2"),
                  kQrLine, kPictureLine, PollLine("Q3"), PollLine("Q3"),
                  R"(GET /sso/login\.php\?.*&alt=0&savestate=30&.*)"});
  EXPECT_EQ(CallCount("SetPicture"), 3);
  EXPECT_EQ(CallCount("SetLabelText"), 1);
  EXPECT_EQ(CallCount("LoadWindow main"), 1);
}

TEST_F(QrSignInTest, EmptyMessageEndsTheSignInAndOtherRepliesKeepPolling) {
  EnqueueQrCodeAndPicture("Q1");
  server_.Enqueue(Reply("STK_1({\"retcode\":50114002,\"msg\":\"x\"}"));  // cut short
  server_.Enqueue(Jsonp(R"({"retcode":50114002})"));  // no "msg": reads "0"
  server_.Enqueue(Poll("50114003", "unknown"));       // another code
  server_.Enqueue(Reply(""));                         // an empty reply
  server_.Enqueue(Poll("50114002", ""));              // shown, then the end
  server_.Enqueue(Poll("20000000", "never asked for"));
  Run();

  EXPECT_EQ(server_.Requests().size(), 7U);
  // The reply without "msg" sets the label to "0"; the last one to "".
  EXPECT_EQ(CallCount("SetLabelText"), 2);
  EXPECT_EQ(windows_.LabelText(), "");
  EXPECT_FALSE(windows_.IsLoaded(WindowId::kMain));
  EXPECT_TRUE(windows_.IsVisible(WindowId::kSignIn));
  EXPECT_EQ(state_.use_count(), 1);  // the sign-in let go of the state
}

TEST_F(QrSignInTest, ReplyWithoutACodeIsAskedAgainAndABadPictureIsReported) {
  server_.Enqueue(Jsonp(R"({"retcode":50120001,"msg":"busy"})"));
  server_.Enqueue(Jsonp(R"({"data":{"image":")" + server_.Url("/qr.bmp") + R"(","qrid":7}})"));
  server_.Enqueue(Jsonp(R"({"data":{"image":"","qrid":"Q0"}})"));
  EnqueueQrCode("Q1");
  server_.Enqueue(MakeReply("200 OK", {}, "no picture"));
  server_.Enqueue(Poll("50114001", kUnusedUtf8));
  server_.Enqueue(Poll("0", ""));
  int handled = 0;
  windows_.SetPendingMessages([&] { ++handled; });
  pacing_.poll_wait_ms = 0;
  Run();

  // Polling goes on after the picture that cannot be shown.
  ExpectRequests(
      {kQrLine, kQrLine, kQrLine, kQrLine, kPictureLine, PollLine("Q1"), PollLine("Q1")});
  const auto boxes = windows_.MessageBoxes();
  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_EQ(boxes[0].text, kImageConversionFailed);
  EXPECT_EQ(boxes[0].flags, 16);
  EXPECT_EQ(CallCount("SetPicture"), 0);
  // Three pauses of at least two rounds each, and the ones after the polls.
  EXPECT_GE(handled, 8);
}

TEST_F(QrSignInTest, ClosingOrHidingTheWindowDuringTheWaitEndsTheSignIn) {
  // The program ends when the operator closes the visible sign-in window;
  // nothing of the sign-in runs after that.
  EnqueueQrCodeAndPicture("Q1");
  server_.Enqueue(Poll("50114001", kUnusedUtf8));
  ProgramParts parts;
  parts.windows = &windows_;
  parts.endpoints = endpoints_;
  parts.flows.qr_sign_in = [this](const FlowContext& context) { QrSignInPaced(context, pacing_); };
  parts.end_process = [](int code) { throw ProgramEnded{code}; };
  Program program(std::move(parts));
  program.CreateProgramState();
  std::weak_ptr<ProgramState> state = program.State();
  windows_.SetPendingMessages([&program] { program.OnClosing(WindowId::kSignIn); });
  try {
    program.OnFirstActivation(WindowId::kSignIn);
    ADD_FAILURE() << "the program did not end";
  } catch (const ProgramEnded& ended) {
    EXPECT_EQ(ended.code, 0);
  }
  EXPECT_TRUE(state.expired());
  EXPECT_EQ(server_.Requests().size(), 3U);

  // A window hidden (by another sign-in) stops this one as well.
  windows_.SetVisible(WindowId::kSignIn, true);
  EnqueueQrCodeAndPicture("Q2");
  server_.Enqueue(Poll("20000000", "ok", R"(,"data":{"alt":"A"}})"));
  windows_.SetPendingMessages([this] { windows_.SetVisible(WindowId::kSignIn, false); });
  Run();
  EXPECT_EQ(server_.Requests().size(), 6U);
  EXPECT_FALSE(windows_.IsLoaded(WindowId::kMain));
}

TEST(JsonpBody, UnwrapsTheFirstValue) {
  EXPECT_EQ(JsonpBody("STK_1700000000000({\"retcode\":20000000});"), "{\"retcode\":20000000}");
  EXPECT_EQ(JsonpBody("cb({})\n/* (later) */"), "{}");
  EXPECT_EQ(JsonpBody("cb()"), "");

  // A second "(" before the first ")" moves the start behind it, once only.
  EXPECT_EQ(JsonpBody("try{cb({\"a\":1})}catch(e){}"), "{\"a\":1}");
  EXPECT_EQ(JsonpBody("a(b(c(d)e)"), "c(d");

  // Parentheses inside JSON strings belong to the body: a confirmation
  // whose "msg" is 登录成功(手机已确认) is read whole.
  const Text message = "\xB5\xC7\xC2\xBC\xB3\xC9\xB9\xA6(\xCA\xD6\xBB\xFA\xD2\xD1\xC8\xB7\xC8\xCF)";
  const Text json = "{\"retcode\":20000000,\"msg\":\"" + message + "\"}";
  EXPECT_EQ(JsonpBody("STK_17000000000001(" + json + ");"), json);
  JsonNode document;
  EXPECT_TRUE(JsonParse(document, JsonpBody("STK_1(" + json + ")")));
  EXPECT_EQ(JsonText(JsonMember(document, "msg")), message);
  EXPECT_EQ(JsonText(JsonMember(document, "retcode")), "20000000");

  // Escaped quotes and backslashes do not end a string; a "(" in a string
  // does not move the start.
  EXPECT_EQ(JsonpBody(R"j(cb({"m":"(say \")\"","p":"C:\\"}) // (x))j"),
            R"j({"m":"(say \")\"","p":"C:\\"})j");
  EXPECT_EQ(JsonpBody(R"(cb({"m":"a)b","n":"(c"});)"), R"({"m":"a)b","n":"(c"})");
}

TEST(JsonpBody, EmptyWithoutBothParentheses) {
  EXPECT_EQ(JsonpBody(""), "");
  EXPECT_EQ(JsonpBody("{\"retcode\":1}"), "");
  EXPECT_EQ(JsonpBody("cb({\"retcode\":1}"), "");
  EXPECT_EQ(JsonpBody(")cb("), "");
  EXPECT_EQ(JsonpBody("cb("), "");
  EXPECT_EQ(JsonpBody("cb({\"msg\":\"never closed)"), "");
}

TEST(JsonpBody, StepsOverTwoByteCharacters) {
  // A parenthesis can never be the second byte of a character: after a lead
  // byte it still counts. D6 D0 is one character.
  EXPECT_EQ(JsonpBody("\x81(cb(1)"), "1");
  EXPECT_EQ(JsonpBody("cb(\xD6\xD0\x81)2)"), "\xD6\xD0\x81");
  EXPECT_EQ(JsonpBody("\x81(\x81)"), "\x81");
  // 淺 ends in the byte 0x5C, which is no escape of the quote after it.
  EXPECT_EQ(JsonpBody("cb({\"m\":\"\x9C\x5C\"})"), "{\"m\":\"\x9C\x5C\"}");
}

TEST(CallbackStamp, TimestampFollowedByTwoMillisecondDigits) {
  EXPECT_EQ(CallbackStampOf("1700000000123", 7), "17000000001237");
  EXPECT_EQ(CallbackStampOf("1700000000123", 42), "170000000012342");
  EXPECT_EQ(CallbackStampOf("1700000000123", 100), "170000000012310");

  const Text before = MillisecondTimestamp();
  const Text stamp = CallbackStamp();
  const Text after = MillisecondTimestamp();
  ASSERT_TRUE(stamp.size() == 14 || stamp.size() == 15) << stamp;
  EXPECT_EQ(stamp.find_first_not_of("0123456789"), Text::npos) << stamp;
  EXPECT_LE(before, stamp.substr(0, 13));
  EXPECT_LE(stamp.substr(0, 13), after);
}

TEST(WaitProcessingMessages, HandlesEventsUntilTheTimeHasPassed) {
  RecordingWindowOps windows;
  int handled = 0;
  windows.SetPendingMessages([&handled] { ++handled; });
  WaitProcessingMessages(windows, -5);
  EXPECT_EQ(handled, 0);

  const auto start = std::chrono::steady_clock::now();
  WaitProcessingMessages(windows, 30);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
  // Events are handled at once and again after the time has passed; in
  // between the wait sleeps about 10 ms at a time instead of spinning.
  EXPECT_GE(handled, 2);
  EXPECT_LE(handled, 5);
}

}  // namespace
}  // namespace weibo
