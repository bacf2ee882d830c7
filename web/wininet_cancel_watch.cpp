#include "web/wininet_cancel_watch.h"

#include <algorithm>
#include <chrono>

namespace weibo {
namespace {

// How often the sinks of waiting exchanges are asked. A cancelled exchange
// ends within two looks: the one that first sees its call, and the next.
constexpr std::chrono::milliseconds kLookInterval{150};

}  // namespace

CancelWatch::~CancelWatch() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void CancelWatch::Add(ExchangeHandles* exchange) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    watched_.push_back(exchange);
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
  }
  wake_.notify_all();
}

void CancelWatch::Remove(ExchangeHandles* exchange) {
  std::lock_guard<std::mutex> lock(mutex_);
  watched_.erase(std::remove(watched_.begin(), watched_.end(), exchange), watched_.end());
}

bool CancelWatch::Begin(ExchangeHandles* exchange) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (exchange->closed_) return false;
  exchange->in_call_ = true;
  ++exchange->call_;
  return true;
}

bool CancelWatch::End(ExchangeHandles* exchange) {
  std::lock_guard<std::mutex> lock(mutex_);
  exchange->in_call_ = false;
  return exchange->closed_;
}

std::vector<HINTERNET> CancelWatch::TakeCancelled() {
  std::vector<HINTERNET> to_close;
  for (ExchangeHandles* exchange : watched_) {
    const bool waiting = exchange->in_call_ && exchange->call_ == exchange->seen_call_;
    exchange->seen_call_ = exchange->in_call_ ? exchange->call_ : 0;
    if (!waiting || exchange->closed_ || !exchange->sink_->Cancelled()) continue;
    exchange->closed_ = true;
    if (exchange->request_ != nullptr) to_close.push_back(exchange->request_);
    if (exchange->connection_ != nullptr) to_close.push_back(exchange->connection_);
  }
  return to_close;
}

void CancelWatch::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    if (watched_.empty()) {
      wake_.wait(lock, [this] { return stopping_ || !watched_.empty(); });
      continue;
    }
    wake_.wait_for(lock, kLookInterval, [this] { return stopping_; });
    if (stopping_) break;
    const std::vector<HINTERNET> to_close = TakeCancelled();
    if (to_close.empty()) continue;
    // Closed outside the lock: the exchanges marked closed no longer touch
    // these handles, and the others need not wait for WinINet.
    lock.unlock();
    for (HINTERNET handle : to_close) InternetCloseHandle(handle);
    lock.lock();
  }
}

ExchangeHandles::ExchangeHandles(CancelWatch& watch, BodySink* sink, HINTERNET connection)
    : watch_(watch), sink_(sink), connection_(connection) {
  if (sink_ != nullptr) watch_.Add(this);
}

ExchangeHandles::~ExchangeHandles() {
  if (sink_ != nullptr) watch_.Remove(this);
  // Removed from the watch, so closed_ no longer changes; the watch's thread
  // closes what it marked, this side closes the rest.
  bool closed = false;
  {
    std::lock_guard<std::mutex> lock(watch_.mutex_);
    closed = closed_;
  }
  if (closed) return;
  if (request_ != nullptr) InternetCloseHandle(request_);
  if (connection_ != nullptr) InternetCloseHandle(connection_);
}

}  // namespace weibo
