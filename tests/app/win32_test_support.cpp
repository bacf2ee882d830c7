#include "tests/app/win32_test_support.h"

#include <utility>

namespace weibo {
namespace {

struct Watch {
  std::wstring class_name;
  std::function<void(HWND)> act;
  DWORD deadline = 0;
  UINT_PTR timer = 0;
  bool acted = false;
};

Watch& CurrentWatch() {
  static Watch watch;
  return watch;
}

struct Search {
  const std::wstring* name;
  HWND found;
};

// Named, since a lambda is no stdcall callback on 32-bit Windows.
BOOL CALLBACK FindInSearch(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (*s->name == name && IsWindowVisible(window)) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindShown(const std::wstring& class_name) {
  Search search{&class_name, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindInSearch, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  Watch& watch = CurrentWatch();
  HWND shown = FindShown(watch.class_name);
  if (shown == nullptr && GetTickCount() < watch.deadline) return;
  KillTimer(nullptr, watch.timer);
  watch.timer = 0;
  if (shown == nullptr) return;
  watch.acted = true;
  auto act = std::move(watch.act);
  act(shown);
}

}  // namespace

void EventLog::OnFirstActivation(WindowId window) {
  events.push_back(window == WindowId::kMain ? "activated main" : "activated sign-in");
}
void EventLog::OnClosing(WindowId window) {
  events.push_back(window == WindowId::kMain ? "closing main" : "closing sign-in");
}
void EventLog::OnToolButton(int index) { events.push_back("tool " + std::to_string(index)); }
void EventLog::OnMenuItem(MenuItem item) {
  events.push_back("menu " + std::to_string(static_cast<int>(item)));
}
void EventLog::OnAlbumViewRightClick() { events.push_back("right-click"); }

RECT RectInParent(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

std::wstring W(const char* utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), length);
  wide.resize(static_cast<std::size_t>(length > 0 ? length - 1 : 0));
  return wide;
}

void WhenShown(const wchar_t* class_name, std::function<void(HWND)> act, int limit_ms) {
  Watch& watch = CurrentWatch();
  if (watch.timer != 0) KillTimer(nullptr, watch.timer);
  watch.class_name = class_name;
  watch.act = std::move(act);
  watch.deadline = GetTickCount() + static_cast<DWORD>(limit_ms);
  watch.acted = false;
  watch.timer = SetTimer(nullptr, 0, 30, OnTimer);
}

bool Acted() { return CurrentWatch().acted; }

bool PumpUntil(const std::function<bool()>& done, int limit_ms) {
  const DWORD deadline = GetTickCount() + static_cast<DWORD>(limit_ms);
  while (!done()) {
    if (GetTickCount() > deadline) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

}  // namespace weibo
