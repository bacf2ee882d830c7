#include "web/detachable_exchange.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

namespace weibo {
namespace {

constexpr std::chrono::milliseconds kLookInterval{150};

// Forwards to the caller's sink until detached; then cancelled and taking
// nothing.
class GuardedSink : public BodySink {
 public:
  explicit GuardedSink(BodySink* sink) : sink_(sink) {}
  bool Accept(int status) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return sink_ != nullptr && sink_->Accept(status);
  }
  bool Write(const char* data, std::size_t size) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return sink_ != nullptr && sink_->Write(data, size);
  }
  bool Cancelled() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return sink_ == nullptr || sink_->Cancelled();
  }
  // Waits for a call in progress; no call reaches the sink afterwards.
  void Detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    sink_ = nullptr;
  }

 private:
  std::mutex mutex_;
  BodySink* sink_;
};

// What the caller's thread and the exchange's thread share.
struct Shared {
  Shared(const TransportRequest& original) : request(original), sink(original.body_sink) {
    request.body_sink = &sink;
  }
  TransportRequest request;
  GuardedSink sink;
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  TransportReply reply;
};

}  // namespace

TransportReply RunDetachable(const TransportRequest& request,
                             std::function<TransportReply(const TransportRequest&)> exchange) {
  auto shared = std::make_shared<Shared>(request);
  std::thread([shared, exchange = std::move(exchange)] {
    TransportReply reply = exchange(shared->request);
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->reply = std::move(reply);
    shared->done = true;
    shared->ended.notify_all();
  }).detach();
  std::unique_lock<std::mutex> lock(shared->mutex);
  while (!shared->ended.wait_for(lock, kLookInterval, [&] { return shared->done; })) {
    lock.unlock();
    const bool cancelled = request.body_sink->Cancelled();
    lock.lock();
    if (cancelled && !shared->done) {
      lock.unlock();
      shared->sink.Detach();
      TransportReply reply;
      reply.outcome = TransportOutcome::kFailed;
      return reply;
    }
  }
  return std::move(shared->reply);
}

}  // namespace weibo
