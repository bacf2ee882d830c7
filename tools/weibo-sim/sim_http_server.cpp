// The socket side of SimHttpServer: the connection loop, a buffered stream
// over the accepted socket, and the raw writes and resets that faults use.
#include "tools/weibo-sim/sim_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

namespace weibo::sim {
namespace {

constexpr int kSliceMs = 25;
constexpr int kReadTimeoutMs = 5000;
constexpr int kWriteTimeoutMs = 5000;
constexpr int kKeepAliveMs = 5000;
constexpr std::size_t kPoolThreads = 16;
constexpr std::size_t kKeepAliveRequests = 100;

// Waits for `events` on `fd` for up to `timeout_ms`, in short slices so that
// a stopping server is noticed. False on time-out or stop.
bool WaitFor(int fd, short events, int timeout_ms, const std::atomic<bool>& stopping) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!stopping.load()) {
    pollfd entry{fd, events, 0};
    int ready = ::poll(&entry, 1, kSliceMs);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
  return false;
}

void Address(int fd, bool peer, std::string& ip, int& port) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  int result = peer ? ::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length)
                    : ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ip.clear();
  port = -1;
  if (result != 0 || address.ss_family != AF_INET) return;
  const auto* in = reinterpret_cast<const sockaddr_in*>(&address);
  char text[INET_ADDRSTRLEN] = {};
  ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
  ip = text;
  port = ntohs(in->sin_port);
}

class SocketConnection : public httplib::Stream, public Connection {
 public:
  SocketConnection(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping) {}

  bool is_readable() const override {
    return offset_ < buffer_.size() || WaitFor(fd_, POLLIN, kReadTimeoutMs, stopping_);
  }
  bool is_writable() const override { return WaitFor(fd_, POLLOUT, kWriteTimeoutMs, stopping_); }

  ssize_t read(char* ptr, size_t size) override {
    if (offset_ < buffer_.size()) {
      std::size_t n = std::min(size, buffer_.size() - offset_);
      std::memcpy(ptr, buffer_.data() + offset_, n);
      offset_ += n;
      return static_cast<ssize_t>(n);
    }
    if (!is_readable()) return -1;
    buffer_.resize(4096);
    ssize_t n = ::recv(fd_, buffer_.data(), buffer_.size(), 0);
    if (n <= 0) {
      buffer_.clear();
      offset_ = 0;
      return n;
    }
    buffer_.resize(static_cast<std::size_t>(n));
    offset_ = 0;
    return read(ptr, size);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (abandoned_) return -1;
    return Send(ptr, size) ? static_cast<ssize_t>(size) : -1;
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    Address(fd_, true, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    Address(fd_, false, ip, port);
  }
  socket_t socket() const override { return fd_; }

  bool SendRaw(std::string_view bytes) override { return Send(bytes.data(), bytes.size()); }
  void Abandon(bool reset) override {
    abandoned_ = true;
    reset_ = reset;
  }

  bool abandoned() const { return abandoned_; }
  bool has_buffered_bytes() const { return offset_ < buffer_.size(); }

  void Close() {
    if (reset_) {
      linger option{1, 0};  // close() then sends RST and drops unsent data
      ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &option, sizeof option);
    } else {
      ::shutdown(fd_, SHUT_RDWR);
    }
    ::close(fd_);
  }

 private:
  bool Send(const char* ptr, std::size_t size) {
    while (size > 0) {
      if (!is_writable()) return false;
      ssize_t n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      ptr += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

  int fd_;
  const std::atomic<bool>& stopping_;
  std::string buffer_;
  std::size_t offset_ = 0;
  bool abandoned_ = false;
  bool reset_ = false;
};

thread_local Connection* current_connection = nullptr;

struct CurrentConnectionScope {
  explicit CurrentConnectionScope(Connection* connection) { current_connection = connection; }
  ~CurrentConnectionScope() { current_connection = nullptr; }
};

}  // namespace

Connection* CurrentConnection() { return current_connection; }

SimHttpServer::SimHttpServer() {
  new_task_queue = [] { return new httplib::ThreadPool(kPoolThreads); };
  set_keep_alive_max_count(kKeepAliveRequests);
  // Only SO_REUSEADDR: a second simulator must not share a fixed port.
  set_socket_options([](socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
}

SimHttpServer::~SimHttpServer() { Shutdown(); }

int SimHttpServer::Bind(int port) {
  if (port == 0) return bind_to_any_port("127.0.0.1");
  return bind_to_port("127.0.0.1", port) ? port : -1;
}

bool SimHttpServer::Listen() {
  thread_ = std::thread([this] { listen_after_bind(); });
  for (int i = 0; i < 2000 && !is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return is_running();
}

void SimHttpServer::Shutdown() {
  stopping_ = true;
  if (thread_.joinable()) {
    stop();
    thread_.join();
  } else if (socket_t sock = svr_sock_.exchange(INVALID_SOCKET); sock != INVALID_SOCKET) {
    ::close(sock);  // bound but never served
  }
}

void SimHttpServer::Pause(int milliseconds) const {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!stopping_.load() && std::chrono::steady_clock::now() < deadline) {
    auto left = deadline - std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
        left, std::chrono::milliseconds(kSliceMs)));
  }
}

bool SimHttpServer::WaitForRequest(socket_t sock) const {
  return WaitFor(sock, POLLIN, kKeepAliveMs, stopping_);
}

bool SimHttpServer::process_and_close_socket(socket_t sock) {
  // Replies go out in several writes (head, then body); without this, Nagle's
  // algorithm and the client's delayed ACK hold the body back for ~40 ms.
  int yes = 1;
  ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
  SocketConnection connection(sock, stopping_);
  CurrentConnectionScope scope(&connection);
  bool ok = true;
  for (std::size_t left = kKeepAliveRequests; left > 0; --left) {
    if (!connection.has_buffered_bytes() && !WaitForRequest(sock)) break;
    bool closed = false;
    ok = process_request(connection, left == 1, closed, nullptr);
    if (!ok || closed || connection.abandoned()) break;
  }
  connection.Close();
  return ok;
}

}  // namespace weibo::sim
