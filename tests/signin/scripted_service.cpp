#include "tests/signin/scripted_service.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace weibo {

ScriptedService::ScriptedService() : server_(std::make_unique<httplib::Server>()) {
  server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
    std::optional<ScriptedReply> reply;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      SeenRequest seen{request.method + " " + request.target + " " + request.version,
                       std::nullopt};
      if (request.has_header("Cookie")) seen.cookie = request.get_header_value("Cookie");
      requests_.push_back(std::move(seen));
      if (!replies_.empty()) {
        reply = std::move(replies_.front());
        replies_.pop_front();
      }
    }
    if (!reply) {
      response.status = 404;
      return;
    }
    for (const Text& cookie : reply->cookies) response.set_header("Set-Cookie", cookie + "; path=/");
    response.set_content(reply->body, reply->content_type.c_str());
  });
  // One request per connection: no idle keep-alive connection holds up the
  // end of the test.
  server_->set_keep_alive_max_count(1);
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) {
    std::fputs("scripted service: no port\n", stderr);
    std::abort();
  }
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

ScriptedService::~ScriptedService() {
  server_->stop();
  thread_.join();
}

Text ScriptedService::HostPort() const { return "127.0.0.1:" + std::to_string(port_); }

Text ScriptedService::Url(std::string_view path) const {
  return "http://" + HostPort() + Text(path);
}

void ScriptedService::Enqueue(ScriptedReply reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_.push_back(std::move(reply));
}

std::vector<SeenRequest> ScriptedService::Requests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

}  // namespace weibo
