#include "tests/albums/stub_service.h"

#include <chrono>

namespace weibo {

StubService::StubService() {
  server_.new_task_queue = [] { return new httplib::ThreadPool(16); };
  // One request per connection: no connection waits for a next request, so
  // stopping the service does not wait for keep-alive time-outs.
  server_.set_keep_alive_max_count(1);
  // Recorded before the handler answers, so that a request the client has
  // seen answered is always in the record.
  server_.set_pre_routing_handler([this](const httplib::Request& request, httplib::Response&) {
    std::lock_guard<std::mutex> hold(mutex_);
    requests_.push_back({request.target, request.get_header_value("Cookie")});
    return httplib::Server::HandlerResponse::Unhandled;
  });
}

StubService::~StubService() {
  server_.stop();
  if (thread_.joinable()) thread_.join();
}

bool StubService::Start() {
  port_ = server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) return false;
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  for (int i = 0; i < 5000 && !server_.is_running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return server_.is_running();
}

Text StubService::Host() const { return "127.0.0.1:" + std::to_string(port_); }

std::vector<StubRequest> StubService::Requests() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return requests_;
}

std::vector<Text> StubService::TargetsStartingWith(const Text& prefix) const {
  std::vector<Text> targets;
  for (const StubRequest& request : Requests()) {
    if (request.target.compare(0, prefix.size(), prefix) == 0) targets.push_back(request.target);
  }
  return targets;
}

void SetJsonBody(httplib::Response& response, const Text& body) {
  response.set_content(body, "application/json; charset=utf-8");
}

}  // namespace weibo
