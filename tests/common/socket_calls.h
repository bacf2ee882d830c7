// The few socket calls the loopback server makes, over POSIX sockets
// (socket_calls_posix.cpp) or Winsock (socket_calls_winsock.cpp), so that
// the server runs in the Windows test programs too. Each call is safe from
// any thread on distinct sockets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace weibo {

using SocketId = std::uintptr_t;
constexpr SocketId kNoSocket = ~SocketId{0};

// A listening socket on 127.0.0.1 with room for `backlog` pending
// connections, on an ephemeral port (written to `*port`). kNoSocket on
// failure.
SocketId ListenOnLoopback(int backlog, int* port);
// The next pending connection of `listener`, or kNoSocket.
SocketId AcceptConnection(SocketId listener);
// Sends all of `bytes`; false when the peer is gone.
bool SendAllBytes(SocketId socket, std::string_view bytes);
// Receives up to `size` bytes; 0 or less when the peer closed or failed.
long ReceiveSome(SocketId socket, char* buffer, std::size_t size);
void CloseSocket(SocketId socket);

struct PolledSocket {
  SocketId socket = kNoSocket;
  bool want_read = false;  // else only a hang-up or error is reported
  bool readable = false;   // out
  bool broken = false;     // out: hung up or failed
};
// Waits up to `timeout_ms` for one of `sockets` to be ready; false on error.
bool PollSockets(std::vector<PolledSocket>& sockets, int timeout_ms);

}  // namespace weibo
