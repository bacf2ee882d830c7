// A scripted HTTP server on 127.0.0.1 for the sign-in tests: answers every
// GET request, on any path, with the next queued reply (404 when none is
// left) and records what each request asked for and whether it carried
// cookies. Closes each connection after its reply; serves on its own threads.
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

#include "support/text_rules.h"

namespace httplib {
class Server;
}

namespace weibo {

struct ScriptedReply {
  ByteArray body;
  std::vector<Text> cookies;  // one Set-Cookie header each, "name=value"
  Text content_type = "text/html; charset=utf-8";
};

struct SeenRequest {
  Text line;                   // "GET /path?query HTTP/1.1"
  std::optional<Text> cookie;  // the Cookie header, when one was sent
};

class ScriptedService {
 public:
  // Binds an ephemeral port and serves; aborts the test program on failure.
  ScriptedService();
  // Stops serving and joins its threads.
  ~ScriptedService();
  ScriptedService(const ScriptedService&) = delete;
  ScriptedService& operator=(const ScriptedService&) = delete;

  Text HostPort() const;                    // "127.0.0.1:<port>"
  Text Url(std::string_view path) const;    // "http://127.0.0.1:<port>" + path

  void Enqueue(ScriptedReply reply);
  std::vector<SeenRequest> Requests() const;

 private:
  std::unique_ptr<httplib::Server> server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::deque<ScriptedReply> replies_;
  std::vector<SeenRequest> requests_;
};

}  // namespace weibo
