#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "tests/common/socket_calls.h"

namespace weibo {

SocketId ListenOnLoopback(int backlog, int* port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return kNoSocket;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, backlog) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(fd);
    return kNoSocket;
  }
  *port = ntohs(address.sin_port);
  return static_cast<SocketId>(fd);
}

SocketId AcceptConnection(SocketId listener) {
  int fd = accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
  return fd < 0 ? kNoSocket : static_cast<SocketId>(fd);
}

bool SendAllBytes(SocketId socket, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t sent = send(static_cast<int>(socket), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

long ReceiveSome(SocketId socket, char* buffer, std::size_t size) {
  return static_cast<long>(recv(static_cast<int>(socket), buffer, size, 0));
}

void CloseSocket(SocketId socket) { close(static_cast<int>(socket)); }

bool PollSockets(std::vector<PolledSocket>& sockets, int timeout_ms) {
  std::vector<pollfd> polled;
  for (const PolledSocket& s : sockets) {
    polled.push_back({static_cast<int>(s.socket), static_cast<short>(s.want_read ? POLLIN : 0), 0});
  }
  if (poll(polled.data(), polled.size(), timeout_ms) < 0) return false;
  for (std::size_t i = 0; i < sockets.size(); ++i) {
    sockets[i].readable = (polled[i].revents & POLLIN) != 0;
    sockets[i].broken = (polled[i].revents & (POLLHUP | POLLERR)) != 0;
  }
  return true;
}

}  // namespace weibo
