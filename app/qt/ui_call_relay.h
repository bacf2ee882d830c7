// Runs calls on the user-interface thread for other threads, and waits for
// them.
#pragma once

#include <QObject>
#include <QThread>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace weibo {

class UiCallRelay {
 public:
  // Construct on the user-interface thread.
  UiCallRelay();
  // Stops the relay; calls still queued are dropped.
  ~UiCallRelay();
  UiCallRelay(const UiCallRelay&) = delete;
  UiCallRelay& operator=(const UiCallRelay&) = delete;

  // On the user-interface thread: runs `call` at once. On any other thread:
  // queues `call` to the user-interface thread's event loop and waits until
  // it has run, or until the relay is stopped. Returns true when `call` ran.
  // Calls from one thread run in the order they were made.
  bool Run(const std::function<void()>& call);

  // From any thread: queues `call` to the user-interface thread's event loop
  // and returns at once. Dropped when the relay is stopped before it runs.
  void Post(std::function<void()> call);

  // Releases every waiting thread and drops calls not yet run; later calls
  // from other threads return false at once. Call on the user-interface
  // thread.
  void Stop();
  bool Stopped() const;

 private:
  struct Shared {
    mutable std::mutex mutex;
    std::condition_variable ran;
    bool stopped = false;
  };

  std::shared_ptr<Shared> shared_;
  QThread* ui_thread_;
  QObject* receiver_;  // owned; lives on the user-interface thread
};

}  // namespace weibo
