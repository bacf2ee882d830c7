#include "tests/common/loopback_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace weibo {
namespace {

void Die(const char* what) {
  std::perror(what);
  std::abort();
}

// Sends all of `bytes`; false when the peer is gone.
bool SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t sent = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
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
  listen_fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listen_fd_ < 0) Die("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  if (bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) Die("bind");
  if (listen(listen_fd_, 16) != 0) Die("listen");
  socklen_t length = sizeof address;
  if (getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    Die("getsockname");
  }
  port_ = ntohs(address.sin_port);
  if (pipe2(wake_fds_, O_CLOEXEC) != 0) Die("pipe2");
  thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
  char stop = 's';
  if (write(wake_fds_[1], &stop, 1) != 1) Die("write");
  thread_.join();
  for (Connection& connection : connections_) close(connection.fd);
  close(listen_fd_);
  close(wake_fds_[0]);
  close(wake_fds_[1]);
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
  for (;;) {
    std::vector<pollfd> polled = {{wake_fds_[0], POLLIN, 0}, {listen_fd_, POLLIN, 0}};
    for (const Connection& connection : connections_) {
      // A stalled connection is neither read nor answered until the end.
      polled.push_back({connection.fd, static_cast<short>(connection.stalled ? 0 : POLLIN), 0});
    }
    if (poll(polled.data(), polled.size(), -1) < 0) Die("poll");
    if (polled[0].revents != 0) return;
    if (polled[1].revents & POLLIN) Accept();
    std::vector<Connection> kept;
    const std::size_t polled_connections = polled.size() - 2;
    for (std::size_t i = 0; i < polled_connections; ++i) {
      Connection& connection = connections_[i];
      bool keep = true;
      short events = polled[i + 2].revents;
      if (connection.stalled) {
        keep = (events & (POLLHUP | POLLERR)) == 0;  // the client gave up
      } else if (events != 0) {
        keep = ReadFrom(connection) && Answer(connection);
      }
      if (keep) {
        kept.push_back(std::move(connection));
      } else {
        close(connection.fd);
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
  int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  connections_.push_back(Connection{fd, ByteArray(), false});
  std::lock_guard<std::mutex> lock(mutex_);
  ++accepted_;
}

bool LoopbackServer::ReadFrom(Connection& connection) {
  char buffer[65536];
  ssize_t count = recv(connection.fd, buffer, sizeof buffer, 0);
  if (count <= 0) return false;
  connection.pending.append(buffer, static_cast<std::size_t>(count));
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
    if (!SendAll(connection.fd, reply.bytes) || reply.close) return false;
    connection.stalled = reply.stall;
  }
  return true;
}

}  // namespace weibo
