// What the Win32 window tests share: an event recorder, geometry and text
// readers, and a helper that acts on a modal window (dialog, message box,
// popup menu) from inside its own message loop.
#pragma once

#include "app/win32/windows_api.h"

#include <functional>
#include <string>
#include <vector>

#include "flow/window_ops.h"

namespace weibo {

// Records every window event as a line: "activated sign-in", "closing main",
// "tool 0", "menu 3", "right-click".
class EventLog : public WindowEvents {
 public:
  void OnFirstActivation(WindowId window) override;
  void OnClosing(WindowId window) override;
  void OnToolButton(int index) override;
  void OnMenuItem(MenuItem item) override;
  void OnAlbumViewRightClick() override;

  std::vector<std::string> events;
};

// `control`'s rectangle in its parent's client coordinates.
RECT RectInParent(HWND control);
// The window's text.
std::wstring TextOf(HWND window);
// A UTF-8 literal as UTF-16.
std::wstring W(const char* utf8);

// Runs `act` once, from a timer of this thread, on the first visible window
// of this thread whose class is `class_name` ("#32770" for dialogs and
// message boxes, "#32768" for popup menus). Gives up after about
// `limit_ms`; Acted tells whether it ran.
void WhenShown(const wchar_t* class_name, std::function<void(HWND)> act, int limit_ms = 5000);
bool Acted();

// Dispatches this thread's messages until `done` holds; false when it still
// does not hold after about `limit_ms` milliseconds.
bool PumpUntil(const std::function<bool()>& done, int limit_ms = 5000);

}  // namespace weibo
