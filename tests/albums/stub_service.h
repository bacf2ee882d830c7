// A small HTTP service on 127.0.0.1 for the album tests: routes answered by
// the test's own handlers, and a record of what was asked.
#pragma once

#include <httplib.h>

#include <mutex>
#include <thread>
#include <vector>

#include "support/text_rules.h"

namespace weibo {

struct StubRequest {
  Text target;  // path and query as sent
  Text cookie;  // the Cookie header, empty when none
};

class StubService {
 public:
  StubService();
  // Stops serving and joins the serving thread.
  ~StubService();
  StubService(const StubService&) = delete;
  StubService& operator=(const StubService&) = delete;

  // Register routes here before Start.
  httplib::Server& server() { return server_; }

  // Binds an ephemeral port and serves on a thread of its own. False when
  // no port could be bound.
  bool Start();
  // "127.0.0.1:PORT"
  Text Host() const;

  // Every request received so far, in arrival order.
  std::vector<StubRequest> Requests() const;
  // The targets of Requests() that begin with `prefix`.
  std::vector<Text> TargetsStartingWith(const Text& prefix) const;

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  mutable std::mutex mutex_;
  std::vector<StubRequest> requests_;
};

// `body` as a complete JSON reply.
void SetJsonBody(httplib::Response& response, const Text& body);

}  // namespace weibo
