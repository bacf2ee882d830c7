// Building the two windows with the Win32 API and common controls, control
// by control, at the layout's positions scaled to the screen's DPI. The
// windows' own procedure (which reports events) belongs to the caller; the
// controls built here need no more than the messages documented below.
// Call on the user-interface thread.
#pragma once

#include "app/win32/windows_api.h"
#include <commctrl.h>

#include <string>

#include "app/win32/win32_controls.h"

namespace weibo {

inline constexpr wchar_t kSignInClass[] = L"WeiboSignInWindow";
inline constexpr wchar_t kMainClass[] = L"WeiboMainWindow";

// The caption handed to the window system for `title`. An empty caption
// lets the window manager under Wine show the program's name instead; a
// single space shows an empty caption bar.
std::wstring ShownTitle(const std::wstring& title);

// Registers the classes of both windows (with `procedure`) and of the
// controls drawn here, once per process.
void RegisterWindowClasses(HINSTANCE instance, WNDPROC procedure);

// The font of texts on the screen (the system's message font); owned by the
// process, never deleted.
HFONT ScreenFont();

// The sign-in window, hidden, with 图片框1 and 标签1. `param` reaches the
// procedure's WM_NCCREATE as CREATESTRUCT::lpCreateParams.
HWND CreateSignInWindow(HINSTANCE instance, const DpiScale& scale, void* param);

// Shows `bitmap` in the picture box 图片框1, which takes it over (null
// clears the box).
void SetPictureBoxBitmap(HWND picture_box, HBITMAP bitmap);
// The bitmap 图片框1 shows, or null; still owned by the box.
HBITMAP PictureBoxBitmap(HWND picture_box);
// Paints 图片框1's `inside` on `dc`: the window's colour, and `bitmap` (may
// be null) from the top left corner, fitted to the inside (FitSharply: a QR
// code enlarged for the screen's scale fills its box and stays sharp).
void DrawPictureBox(HDC dc, const RECT& inside, HBITMAP bitmap);

struct MainWindowParts {
  HWND window = nullptr;
  HWND tool_bar = nullptr;
  HWND album_view = nullptr;
  HWND status_bar = nullptr;
  HMENU album_menu = nullptr;  // the hidden group 右键; destroy it with the window
  HACCEL accelerators = nullptr;  // destroy it with the window
  HIMAGELIST tool_images = nullptr;  // destroy it with the window
};

// The main window, hidden, with its menus, the band and the tool bar, the
// album view and the status bar. The band passes the tool bar's WM_COMMAND
// and WM_NOTIFY on to the window. The window's procedure must pass WM_SIZE
// on to the status bar.
MainWindowParts CreateMainWindow(HINSTANCE instance, const DpiScale& scale, void* param);

}  // namespace weibo
