#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <limits>

#include "tests/common/socket_calls.h"

namespace weibo {
namespace {

// Winsock is started once and left running until the process ends.
bool StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

SOCKET Native(SocketId socket) { return static_cast<SOCKET>(socket); }

}  // namespace

SocketId ListenOnLoopback(int backlog, int* port) {
  if (!StartWinsock()) return kNoSocket;
  SOCKET fd = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (fd == INVALID_SOCKET) return kNoSocket;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, backlog) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    closesocket(fd);
    return kNoSocket;
  }
  *port = ntohs(address.sin_port);
  return static_cast<SocketId>(fd);
}

SocketId AcceptConnection(SocketId listener) {
  SOCKET fd = accept(Native(listener), nullptr, nullptr);
  return fd == INVALID_SOCKET ? kNoSocket : static_cast<SocketId>(fd);
}

bool SendAllBytes(SocketId socket, std::string_view bytes) {
  while (!bytes.empty()) {
    const int chunk =
        static_cast<int>(std::min<std::size_t>(bytes.size(), std::numeric_limits<int>::max()));
    int sent = send(Native(socket), bytes.data(), chunk, 0);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

long ReceiveSome(SocketId socket, char* buffer, std::size_t size) {
  const int chunk = static_cast<int>(std::min<std::size_t>(size, std::numeric_limits<int>::max()));
  return recv(Native(socket), buffer, chunk, 0);
}

void CloseSocket(SocketId socket) { closesocket(Native(socket)); }

bool PollSockets(std::vector<PolledSocket>& sockets, int timeout_ms) {
  std::vector<WSAPOLLFD> polled;
  for (const PolledSocket& s : sockets) {
    polled.push_back({Native(s.socket), static_cast<SHORT>(s.want_read ? POLLRDNORM : 0), 0});
  }
  if (WSAPoll(polled.data(), static_cast<ULONG>(polled.size()), timeout_ms) == SOCKET_ERROR) {
    return false;
  }
  for (std::size_t i = 0; i < sockets.size(); ++i) {
    sockets[i].readable = (polled[i].revents & (POLLRDNORM | POLLHUP)) != 0 && sockets[i].want_read;
    sockets[i].broken = (polled[i].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
  }
  return true;
}

}  // namespace weibo
