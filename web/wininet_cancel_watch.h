// Ends WinINet exchanges whose body sink is cancelled while they wait in a
// blocking call. A synchronous HttpSendRequest or InternetReadFile on a
// silent server returns only when data or the idle time-out comes; closing
// its handles from another thread makes it fail at once on Windows (Wine's
// WinINet lets the call end first; web/detachable_exchange.h gives the
// caller control back either way, and this frees the connection early where
// WinINet allows it). A CancelWatch owns
// one thread that, while exchanges are watched, asks their sinks about every
// 150 ms and closes the handles of a cancelled one that is waiting.
//
// Ownership: an exchange keeps its connection and request handles in an
// ExchangeHandles on its own stack. They are closed exactly once: by the
// watch's thread when it cancels the exchange, else by ExchangeHandles'
// destructor. The watch closes them only while the exchange is inside a
// blocking call it announced through Blocking(), and only when that same call
// was already running at the watch's previous look, so the exchange is
// waiting inside WinINet, not about to use the handles. After Blocking()
// reports a close, the exchange makes no further call on the handles.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "web/http_transport.h"

namespace weibo {

class ExchangeHandles;

class CancelWatch {
 public:
  CancelWatch() = default;
  // Stops the watch's thread. No ExchangeHandles of this watch may exist.
  ~CancelWatch();
  CancelWatch(const CancelWatch&) = delete;
  CancelWatch& operator=(const CancelWatch&) = delete;

 private:
  friend class ExchangeHandles;
  // Called by ExchangeHandles on the exchange's thread; thread-safe. The
  // thread starts with the first exchange watched.
  void Add(ExchangeHandles* exchange);
  void Remove(ExchangeHandles* exchange);
  // Announces the start and end of a blocking call; End() is true when the
  // watch closed the handles meanwhile.
  bool Begin(ExchangeHandles* exchange);
  bool End(ExchangeHandles* exchange);
  void Run();
  // Picks, under the lock, the handles of cancelled exchanges to close.
  std::vector<HINTERNET> TakeCancelled();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<ExchangeHandles*> watched_;
  bool stopping_ = false;
  std::thread thread_;
};

// One exchange's connection and request handles. Used on the exchange's
// thread only; the watch reaches its state under the watch's lock.
class ExchangeHandles {
 public:
  // Takes `connection` (may be null). With a null `sink` nothing is watched
  // and the handles are only closed at the end.
  ExchangeHandles(CancelWatch& watch, BodySink* sink, HINTERNET connection);
  // Stops watching, then closes the handles the watch has not closed, the
  // request before its connection.
  ~ExchangeHandles();
  ExchangeHandles(const ExchangeHandles&) = delete;
  ExchangeHandles& operator=(const ExchangeHandles&) = delete;

  // Takes the request handle opened on the connection (may be null).
  void SetRequest(HINTERNET request) { request_ = request; }
  HINTERNET connection() const { return connection_; }
  HINTERNET request() const { return request_; }

  // Runs `call`, a blocking WinINet call on these handles. False when the
  // watch closed the handles (before or during the call): the exchange is
  // cancelled and must not use them again.
  template <typename Call>
  bool Blocking(Call&& call) {
    if (!watch_.Begin(this)) return false;
    call();
    return !watch_.End(this);
  }

 private:
  friend class CancelWatch;
  CancelWatch& watch_;
  BodySink* sink_;
  HINTERNET connection_;
  HINTERNET request_ = nullptr;
  // Guarded by the watch's lock.
  bool closed_ = false;
  bool in_call_ = false;
  std::uint64_t call_ = 0;       // the serial of the latest blocking call
  std::uint64_t seen_call_ = 0;  // the call running at the watch's last look
};

}  // namespace weibo
