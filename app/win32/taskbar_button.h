// The main window's taskbar button as a progress bar (ITaskbarList3): the
// share done, paused, error, or nothing.
//
// Ownership: one object per Win32WindowOps; it holds the COM interface once
// made and releases it when destroyed. Threading: user-interface thread
// only (COM is initialised there for the object's life).
#pragma once

#include "app/win32/windows_api.h"
#include "flow/window_ops.h"

struct ITaskbarList3;

namespace weibo {

class TaskbarButton {
 public:
  TaskbarButton() = default;
  ~TaskbarButton();
  TaskbarButton(const TaskbarButton&) = delete;
  TaskbarButton& operator=(const TaskbarButton&) = delete;

  // Shows `state` with `done` of `total` on `window`'s button. Does nothing
  // when the system offers no taskbar list (an older Windows, a desktop
  // without a taskbar) or when the same values are shown already.
  void Show(HWND window, TaskbarProgress state, int done, int total);

 private:
  bool Ready();

  ITaskbarList3* list_ = nullptr;
  bool tried_ = false;
  bool com_started_ = false;
  TaskbarProgress shown_state_ = TaskbarProgress::kNone;
  int shown_done_ = -1;
  int shown_total_ = -1;
};

}  // namespace weibo
