#include "tests/common/loopback_server.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "tests/common/socket_calls.h"

namespace weibo {
namespace {

void Die(const char* what) {
  std::perror(what);
  std::abort();
}

}  // namespace

ByteArray MakeReply(std::string_view status, const std::vector<Text>& header_lines,
                    std::string_view body) {
  ByteArray reply = "HTTP/1.1 " + Text(status) + "\r\n";
  for (const Text& line : header_lines) reply += line + "\r\n";
  reply += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  reply += body;
  return reply;
}

Text RequestTarget(std::string_view request) {
  std::size_t start = request.find(' ') + 1;
  return Text(request.substr(start, request.find(' ', start) - start));
}

Text RequestHeader(std::string_view request, std::string_view name) {
  Text lower = AsciiLower(request.substr(0, request.find("\r\n\r\n") + 2));
  std::size_t at = lower.find("\r\n" + AsciiLower(name) + ": ");
  if (at == Text::npos) return Text();
  at += name.size() + 4;
  return Text(request.substr(at, lower.find("\r\n", at) - at));
}

Text QueryValue(std::string_view target, std::string_view name) {
  for (std::size_t at = target.find('?'); at != std::string_view::npos;
       at = target.find('&', at + 1)) {
    if (target.substr(at + 1, name.size() + 1) != Text(name) + "=") continue;
    std::size_t start = at + name.size() + 2;
    return Text(target.substr(start, target.find('&', start) - start));
  }
  return Text();
}

LoopbackServer::LoopbackServer() {
  listen_socket_ = ListenOnLoopback(16, &port_);
  if (listen_socket_ == kNoSocket) Die("listen");
  thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
  stopping_ = true;
  thread_.join();
  for (Connection& connection : connections_) CloseSocket(connection.socket);
  CloseSocket(listen_socket_);
}

Text LoopbackServer::HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

Text LoopbackServer::Url(std::string_view path) const {
  return "http://" + HostPort() + Text(path);
}

void LoopbackServer::Enqueue(ScriptedReply reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_.push_back(std::move(reply));
}

void LoopbackServer::SetHandler(std::function<ByteArray(const ByteArray&)> handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  handler_ = std::move(handler);
}

std::vector<ByteArray> LoopbackServer::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

int LoopbackServer::Connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return accepted_;
}

void LoopbackServer::Serve() {
  // Wakes up now and then to see whether the server is being stopped.
  constexpr int kStopCheckMs = 20;
  while (!stopping_) {
    std::vector<PolledSocket> polled = {{listen_socket_, true}};
    for (const Connection& connection : connections_) {
      // A stalled connection is neither read nor answered until the end.
      polled.push_back({connection.socket, !connection.stalled});
    }
    if (!PollSockets(polled, kStopCheckMs)) Die("poll");
    if (polled[0].readable) Accept();
    std::vector<Connection> kept;
    const std::size_t polled_connections = polled.size() - 1;
    for (std::size_t i = 0; i < polled_connections; ++i) {
      Connection& connection = connections_[i];
      bool keep = true;
      const PolledSocket& events = polled[i + 1];
      if (connection.stalled) {
        keep = !events.broken;  // the client gave up
      } else if (events.readable || events.broken) {
        keep = ReadFrom(connection) && Answer(connection);
      }
      if (keep) {
        kept.push_back(std::move(connection));
      } else {
        CloseSocket(connection.socket);
      }
    }
    // Accept() appended new connections after the polled ones.
    for (std::size_t i = polled_connections; i < connections_.size(); ++i) {
      kept.push_back(std::move(connections_[i]));
    }
    connections_ = std::move(kept);
  }
}

void LoopbackServer::Accept() {
  SocketId socket = AcceptConnection(listen_socket_);
  if (socket == kNoSocket) return;
  connections_.push_back(Connection{socket, ByteArray(), false});
  std::lock_guard<std::mutex> lock(mutex_);
  ++accepted_;
}

bool LoopbackServer::ReadFrom(Connection& connection) {
  std::vector<char> buffer(65536);
  long count = ReceiveSome(connection.socket, buffer.data(), buffer.size());
  if (count <= 0) return false;
  connection.pending.append(buffer.data(), static_cast<std::size_t>(count));
  return true;
}

ByteArray LoopbackServer::TakeRequest(ByteArray& pending) {
  std::size_t head_end = pending.find("\r\n\r\n");
  if (head_end == ByteArray::npos) return ByteArray();
  std::size_t total =
      head_end + 4 + std::strtoull(RequestHeader(pending, "Content-Length").c_str(), nullptr, 10);
  if (pending.size() < total) return ByteArray();
  ByteArray request = pending.substr(0, total);
  pending.erase(0, total);
  return request;
}

bool LoopbackServer::Answer(Connection& connection) {
  while (!connection.stalled && !connection.pending.empty()) {
    ScriptedReply reply;
    ByteArray request;
    std::function<ByteArray(const ByteArray&)> handler;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      bool immediate = !replies_.empty() && replies_.front().on_first_bytes;
      request = immediate ? std::exchange(connection.pending, ByteArray())
                          : TakeRequest(connection.pending);
      if (request.empty()) return true;  // wait for the rest of the request
      requests_.push_back(request);
      if (!replies_.empty()) {
        reply = std::move(replies_.front());
        replies_.pop_front();
      } else if (handler_) {
        handler = handler_;
      } else {
        return false;
      }
    }
    if (handler) reply.bytes = handler(request);
    if (!SendAllBytes(connection.socket, reply.bytes) || reply.close) return false;
    connection.stalled = reply.stall;
  }
  return true;
}

}  // namespace weibo
