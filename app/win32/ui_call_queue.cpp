#include "app/win32/ui_call_queue.h"

#include <utility>

namespace weibo {
namespace {

constexpr wchar_t kClassName[] = L"WeiboUiCallQueue";
constexpr UINT kRunQueued = WM_APP + 1;

void RegisterClassOnce(HINSTANCE instance) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  if (GetClassInfoExW(instance, kClassName, &window_class)) return;
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = instance;
  window_class.lpszClassName = kClassName;
  RegisterClassExW(&window_class);
}

}  // namespace

UiCallQueue::UiCallQueue() : shared_(std::make_shared<Shared>()), ui_thread_(GetCurrentThreadId()) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  RegisterClassOnce(instance);
  window_ = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                            nullptr);
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&UiCallQueue::Procedure));
}

UiCallQueue::~UiCallQueue() {
  Stop();
  if (window_ != nullptr) ::DestroyWindow(window_);
}

LRESULT CALLBACK UiCallQueue::Procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kRunQueued) {
    auto* queue = reinterpret_cast<UiCallQueue*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (queue != nullptr) queue->RunQueued();
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void UiCallQueue::Post(std::function<void()> call) {
  {
    std::lock_guard<std::mutex> lock(shared_->mutex);
    if (shared_->stopped) return;
    shared_->calls.push_back(std::move(call));
  }
  PostMessageW(window_, kRunQueued, 0, 0);
}

void UiCallQueue::RunQueued() {
  for (;;) {
    std::function<void()> call;
    {
      std::lock_guard<std::mutex> lock(shared_->mutex);
      if (shared_->stopped || shared_->calls.empty()) return;
      call = std::move(shared_->calls.front());
      shared_->calls.pop_front();
    }
    call();
  }
}

bool UiCallQueue::RunAndWait(const std::function<void()>& call) {
  std::shared_ptr<Shared> shared = shared_;
  if (GetCurrentThreadId() == ui_thread_) {
    {
      std::lock_guard<std::mutex> lock(shared->mutex);
      if (shared->stopped) return false;
    }
    call();
    return true;
  }
  auto done = std::make_shared<bool>(false);  // guarded by shared->mutex
  Post([shared, done, call] {
    call();
    std::lock_guard<std::mutex> lock(shared->mutex);
    *done = true;
    shared->ran.notify_all();
  });
  std::unique_lock<std::mutex> lock(shared->mutex);
  shared->ran.wait(lock, [&] { return *done || shared->stopped; });
  return *done;
}

void UiCallQueue::Stop() {
  std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->stopped = true;
  shared_->calls.clear();
  shared_->ran.notify_all();
}

}  // namespace weibo
