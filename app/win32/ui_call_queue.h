// Calls handed to the user-interface thread by other threads, through a
// hidden message-only window: each call is queued under a mutex and a private
// message is posted to the window, whose procedure runs the queued calls in
// order when the message loop dispatches it.
//
// Construct and destroy on the user-interface thread. Post and RunAndWait are
// safe from any thread while the object lives.
#pragma once

#include "app/win32/windows_api.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace weibo {

class UiCallQueue {
 public:
  UiCallQueue();
  // Stops the queue (dropping what is queued) and destroys the window.
  ~UiCallQueue();
  UiCallQueue(const UiCallQueue&) = delete;
  UiCallQueue& operator=(const UiCallQueue&) = delete;

  // Queues `call` and returns at once. Calls run in the order they were
  // posted. Dropped once Stop has run.
  void Post(std::function<void()> call);

  // On the user-interface thread: runs `call` at once. On another thread:
  // queues it and waits until it has run or the queue is stopped. True when
  // `call` ran.
  bool RunAndWait(const std::function<void()>& call);

  // Drops the queued calls, releases every waiting thread and makes later
  // calls return at once. Any thread.
  void Stop();

 private:
  struct Shared {
    std::mutex mutex;
    std::condition_variable ran;
    std::deque<std::function<void()>> calls;
    bool stopped = false;
  };

  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void RunQueued();

  std::shared_ptr<Shared> shared_;
  DWORD ui_thread_;
  HWND window_ = nullptr;
};

}  // namespace weibo
