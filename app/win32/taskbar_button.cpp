#include "app/win32/taskbar_button.h"

#include <shobjidl.h>

namespace weibo {
namespace {

TBPFLAG FlagOf(TaskbarProgress state) {
  switch (state) {
    case TaskbarProgress::kNormal:
      return TBPF_NORMAL;
    case TaskbarProgress::kPaused:
      return TBPF_PAUSED;
    case TaskbarProgress::kError:
      return TBPF_ERROR;
    case TaskbarProgress::kNone:
      break;
  }
  return TBPF_NOPROGRESS;
}

}  // namespace

TaskbarButton::~TaskbarButton() {
  if (list_ != nullptr) list_->Release();
  if (com_started_) CoUninitialize();
}

bool TaskbarButton::Ready() {
  if (tried_) return list_ != nullptr;
  tried_ = true;
  com_started_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  void* made = nullptr;
  if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                              &made)) ||
      made == nullptr) {
    return false;
  }
  list_ = static_cast<ITaskbarList3*>(made);
  if (FAILED(list_->HrInit())) {
    list_->Release();
    list_ = nullptr;
  }
  return list_ != nullptr;
}

void TaskbarButton::Show(HWND window, TaskbarProgress state, int done, int total) {
  if (window == nullptr) return;
  if (state == TaskbarProgress::kNone || state == TaskbarProgress::kError) done = total = 0;
  if (state == shown_state_ && done == shown_done_ && total == shown_total_) return;
  if (!Ready()) return;
  shown_state_ = state;
  shown_done_ = done;
  shown_total_ = total;
  list_->SetProgressState(window, FlagOf(state));
  if (state == TaskbarProgress::kError) {
    list_->SetProgressValue(window, 1, 1);
  } else if (state != TaskbarProgress::kNone && total > 0) {
    list_->SetProgressValue(window, static_cast<ULONGLONG>(done), static_cast<ULONGLONG>(total));
  }
}

}  // namespace weibo
