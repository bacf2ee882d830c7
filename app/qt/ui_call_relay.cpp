#include "app/qt/ui_call_relay.h"

#include <QMetaObject>

namespace weibo {

UiCallRelay::UiCallRelay()
    : shared_(std::make_shared<Shared>()),
      ui_thread_(QThread::currentThread()),
      receiver_(new QObject()) {}

UiCallRelay::~UiCallRelay() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->stopped = true;
  shared_->ran.notify_all();
  // Deleting the receiver drops the calls still queued to it. The lock keeps
  // other threads from queueing to it meanwhile.
  delete receiver_;
  receiver_ = nullptr;
}

bool UiCallRelay::Run(const std::function<void()>& call) {
  if (QThread::currentThread() == ui_thread_) {
    if (Stopped()) return false;
    call();
    return true;
  }
  std::shared_ptr<Shared> shared = shared_;
  auto done = std::make_shared<bool>(false);  // guarded by shared->mutex
  std::unique_lock<std::mutex> lock(shared->mutex);
  if (shared->stopped) return false;
  QMetaObject::invokeMethod(
      receiver_,
      [shared, done, call] {
        {
          std::lock_guard<std::mutex> check(shared->mutex);
          if (shared->stopped) return;
        }
        call();
        std::lock_guard<std::mutex> finish(shared->mutex);
        *done = true;
        shared->ran.notify_all();
      },
      Qt::QueuedConnection);
  shared->ran.wait(lock, [&] { return *done || shared->stopped; });
  return *done;
}

void UiCallRelay::Post(std::function<void()> call) {
  std::shared_ptr<Shared> shared = shared_;
  std::lock_guard<std::mutex> lock(shared->mutex);
  if (shared->stopped) return;
  QMetaObject::invokeMethod(
      receiver_,
      [shared, call = std::move(call)] {
        {
          std::lock_guard<std::mutex> check(shared->mutex);
          if (shared->stopped) return;
        }
        call();
      },
      Qt::QueuedConnection);
}

void UiCallRelay::Stop() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->stopped = true;
  shared_->ran.notify_all();
}

bool UiCallRelay::Stopped() const {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  return shared_->stopped;
}

}  // namespace weibo
