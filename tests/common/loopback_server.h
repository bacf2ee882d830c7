// A scripted HTTP server on 127.0.0.1 for tests. It listens on an ephemeral
// port, serves any number of connections (keep-alive included) on its own
// thread, records every request it receives, and answers each complete request
// with the next scripted reply, or, when none is queued, with what a handler
// makes of the request. A reply can close the connection or stall it (send
// its bytes, then nothing more, holding the connection open).
#pragma once

#include <atomic>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "support/text_rules.h"
#include "tests/common/socket_calls.h"

namespace weibo {

struct ScriptedReply {
  ByteArray bytes;              // sent exactly as given
  bool close = false;           // close the connection after sending
  bool stall = false;           // then send nothing more and read nothing more
  bool on_first_bytes = false;  // answer as soon as any byte arrives (not HTTP)
};

// "HTTP/1.1 <status>\r\n", each of `header_lines` with CR LF, a Content-Length
// line for `body`, an empty line and the body.
ByteArray MakeReply(std::string_view status, const std::vector<Text>& header_lines,
                    std::string_view body);

// The target ("/path?query") of a request, the value of its header `name`
// (any letter case; empty when absent) and the value of a query parameter.
Text RequestTarget(std::string_view request);
Text RequestHeader(std::string_view request, std::string_view name);
Text QueryValue(std::string_view target, std::string_view name);

class LoopbackServer {
 public:
  // Binds 127.0.0.1 on an ephemeral port and starts serving. Aborts the test
  // program when no socket can be had.
  LoopbackServer();
  // Stops serving and closes every connection.
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return port_; }
  // "127.0.0.1:<port>"
  Text HostPort() const;
  // "http://127.0.0.1:<port>" followed by `path`.
  Text Url(std::string_view path = "/") const;

  // Queues a reply. Replies are used in order, across connections; a request
  // that finds the queue empty gets its connection closed.
  void Enqueue(ScriptedReply reply);
  void Enqueue(ByteArray bytes) { Enqueue(ScriptedReply{std::move(bytes)}); }
  // Answers the requests that find the queue empty. `handler` runs on the
  // serving thread, one request at a time, and returns the reply's bytes.
  void SetHandler(std::function<ByteArray(const ByteArray& request)> handler);

  // Each complete request received so far, header block and body, exactly as
  // received, in arrival order.
  std::vector<ByteArray> Requests() const;
  // The number of connections accepted so far.
  int Connections() const;

 private:
  struct Connection {
    SocketId socket = kNoSocket;
    ByteArray pending;  // received bytes not yet part of a complete request
    bool stalled = false;
  };

  void Serve();
  void Accept();
  // Reads from `connection`; false when it is to be closed.
  bool ReadFrom(Connection& connection);
  // Answers what `connection` has received; false when it is to be closed.
  bool Answer(Connection& connection);
  // Cuts one complete request off the front of `pending`; empty when none.
  static ByteArray TakeRequest(ByteArray& pending);

  SocketId listen_socket_ = kNoSocket;
  std::atomic<bool> stopping_{false};
  int port_ = 0;
  std::vector<Connection> connections_;  // used by the serving thread only
  mutable std::mutex mutex_;
  std::deque<ScriptedReply> replies_;
  std::function<ByteArray(const ByteArray&)> handler_;
  std::vector<ByteArray> requests_;
  int accepted_ = 0;
  std::thread thread_;
};

}  // namespace weibo
