// HttpDownload: bodies streamed to a sink, and what the caller learns about
// cut and refused transfers.
#include <gtest/gtest.h>

#include "tests/common/loopback_server.h"
#include "web/http_request.h"

namespace weibo {
namespace {

using namespace std::chrono_literals;

// Keeps what it is given; refuses statuses other than 200 and, when asked,
// every write after the first.
class KeepingSink : public BodySink {
 public:
  bool Accept(int status) override {
    statuses.push_back(status);
    return status == 200;
  }
  bool Write(const char* data, std::size_t size) override {
    ++writes;
    if (refuse_after_first && writes > 1) return false;
    bytes.append(data, size);
    return true;
  }
  std::vector<int> statuses;
  ByteArray bytes;
  int writes = 0;
  bool refuse_after_first = false;
};

class HttpDownloadTest : public ::testing::Test {
 protected:
  HttpDownloadTest() : transport_(NewHttpTransport(Limits())) {}
  static TransportLimits Limits() {
    TransportLimits limits;
    limits.connect_timeout = 5s;
    limits.idle_timeout = 2s;
    return limits;
  }
  LoopbackServer server_;
  std::unique_ptr<HttpTransport> transport_;
};

TEST_F(HttpDownloadTest, StreamsTheFinalBodyAndKeepsRedirectsAndErrorsInMemory) {
  const ByteArray big(3 << 20, '\x5A');
  server_.Enqueue(MakeReply("302 Found",
                            {"Location: " + server_.Url("/there"), "Set-Cookie: a=1; path=/"},
                            "moved"));
  server_.Enqueue(MakeReply("200 OK", {"Set-Cookie: b=2"}, big));
  KeepingSink sink;
  Text jar = "old=0";
  Text fresh;
  DownloadReply reply = HttpDownloadVia(*transport_, server_.Url("/here"), &sink, &jar, &fresh);
  EXPECT_TRUE(reply.started);
  EXPECT_EQ(reply.outcome, TransportOutcome::kComplete);
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(sink.statuses, (std::vector<int>{302, 200}));
  EXPECT_TRUE(sink.bytes == big);
  EXPECT_TRUE(reply.body.empty());
  EXPECT_EQ(fresh, "a=1;b=2");
  EXPECT_NE(jar.find("b=2"), Text::npos);
  EXPECT_NE(server_.Requests().at(0).find("Cookie: old=0"), ByteArray::npos);

  // An error page stays in memory with its status and headers.
  server_.Enqueue(MakeReply("429 Too Many Requests", {"Retry-After: 7"}, "slow down"));
  KeepingSink refused;
  reply = HttpDownloadVia(*transport_, server_.Url("/busy"), &refused);
  EXPECT_EQ(reply.outcome, TransportOutcome::kComplete);
  EXPECT_EQ(reply.status, 429);
  EXPECT_EQ(reply.body, "slow down");
  EXPECT_TRUE(refused.bytes.empty());
  EXPECT_NE(reply.raw_headers.find("Retry-After: 7\r\n"), Text::npos);

  // A scheme that is refused never starts.
  EXPECT_FALSE(HttpDownloadVia(*transport_, "ftp://127.0.0.1/x", &sink).started);
}

TEST_F(HttpDownloadTest, CutOrRefusedBodiesAreNotComplete) {
  // Shorter than its Content-Length, then the connection closes.
  server_.Enqueue(ScriptedReply{
      "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly part", /*close=*/true});
  KeepingSink cut;
  DownloadReply reply = HttpDownloadVia(*transport_, server_.Url("/cut"), &cut);
  EXPECT_TRUE(reply.started);
  EXPECT_EQ(reply.outcome, TransportOutcome::kFailed);
  EXPECT_EQ(reply.status, 200);

  // A sink that cannot take more ends the transfer.
  server_.Enqueue(MakeReply("200 OK", {}, ByteArray(1 << 20, 'x')));
  KeepingSink full;
  full.refuse_after_first = true;
  reply = HttpDownloadVia(*transport_, server_.Url("/full"), &full);
  EXPECT_EQ(reply.outcome, TransportOutcome::kFailed);
  EXPECT_LT(full.bytes.size(), std::size_t{1} << 20);

  // No server behind the port.
  LoopbackServer* gone = new LoopbackServer();
  const Text url = gone->Url("/x");
  delete gone;
  reply = HttpDownloadVia(*transport_, url, &full);
  EXPECT_TRUE(reply.started);
  EXPECT_EQ(reply.outcome, TransportOutcome::kFailed);
  EXPECT_EQ(reply.status, 0);
}

// A sink that says it is cancelled ends its transfer as a failure: one
// streaming a large body after its first piece, and one whose server has
// gone silent after part of the body, long before the idle time-out (which
// would end it as a time-out instead).
TEST_F(HttpDownloadTest, ACancelledSinkEndsItsTransfer) {
  class CancellingSink : public KeepingSink {
   public:
    bool Cancelled() override { return writes >= cancel_after; }
    int cancel_after = 1;
  };
  server_.Enqueue(MakeReply("200 OK", {}, ByteArray(4 << 20, 'x')));
  CancellingSink streaming;
  DownloadReply reply = HttpDownloadVia(*transport_, server_.Url("/big"), &streaming);
  EXPECT_EQ(reply.outcome, TransportOutcome::kFailed);
  EXPECT_LT(streaming.bytes.size(), std::size_t{4} << 20);

  TransportLimits patient = Limits();
  patient.idle_timeout = 60s;
  patient.min_bytes_per_second = 0;
  const std::unique_ptr<HttpTransport> transport = NewHttpTransport(patient);
  ScriptedReply silent{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc"};
  silent.stall = true;
  server_.Enqueue(silent);
  CancellingSink waiting;
  waiting.cancel_after = 0;
  reply = HttpDownloadVia(*transport, server_.Url("/silent"), &waiting);
  EXPECT_EQ(reply.outcome, TransportOutcome::kFailed);
}

}  // namespace
}  // namespace weibo
