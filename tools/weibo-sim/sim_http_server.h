// One listening port of the simulated service: a cpp-httplib server bound to
// 127.0.0.1 whose connections run through the service's own loop, so that a
// handler can send raw bytes and end the connection the way a faulty server
// would (cut the body short, reset the connection, send nothing at all).
//
// Threading: handlers run on the server's pool threads, one connection per
// thread; CurrentConnection() is valid only on such a thread while a handler
// runs. Bind, Listen and Shutdown are called from one controlling thread.
#pragma once

#include <httplib.h>

#include <atomic>
#include <string_view>
#include <thread>

namespace weibo::sim {

// The connection that the calling handler answers.
class Connection {
 public:
  virtual ~Connection() = default;
  // Sends `bytes` now, outside the HTTP reply. False when the peer is gone.
  virtual bool SendRaw(std::string_view bytes) = 0;
  // Ends the connection once the handler returns; the HTTP reply the
  // handler built is not sent. With `reset` the peer sees a reset (RST)
  // instead of an orderly close.
  virtual void Abandon(bool reset) = 0;
};

// Null outside a handler of a SimHttpServer.
Connection* CurrentConnection();

class SimHttpServer : public httplib::Server {
 public:
  SimHttpServer();
  ~SimHttpServer() override;

  // Binds 127.0.0.1:`port` (0: a free port). Returns the port, or -1.
  int Bind(int port);
  // Serves in a thread of its own; returns once the server accepts requests.
  bool Listen();
  // Stops accepting, ends open connections (waits and stalls end early) and
  // joins every thread. Safe to call more than once.
  void Shutdown();

  bool stopping() const { return stopping_.load(); }
  // Sleeps `milliseconds`, or less when Shutdown begins.
  void Pause(int milliseconds) const;

 private:
  bool process_and_close_socket(socket_t sock) override;
  bool WaitForRequest(socket_t sock) const;

  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace weibo::sim
