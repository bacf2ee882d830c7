// Saves pictures of the Win32 windows and dialogs as they appear on the
// screen, for review:
//   weibo-app-screenshots.exe <folder>
// Writes sign-in.png, main.png, main-albums.png, popup.png, input-box.png and
// message-box.png. Needs a display (under Wine: a virtual X display).
#include "app/win32/windows_api.h"
#include <commctrl.h>

#include <cstdio>
#include <functional>
#include <string>

#include "app/win32/wide_text.h"
#include "app/win32/win32_runtime.h"
#include "app/win32/win32_window_ops.h"
#include "app/window_texts.h"
#include "support/reencode_image.h"

namespace {

using weibo::ByteArray;

// The BMP file bytes (24 bits per pixel) of `bitmap`, which `dc` is
// compatible with and no device context holds selected.
ByteArray BmpFileOf(HDC dc, HBITMAP bitmap, int width, int height) {
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  const int row = (width * 3 + 3) / 4 * 4;
  std::string pixels(static_cast<std::size_t>(row * height), '\0');
  GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(),
            reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  ByteArray bmp(reinterpret_cast<const char*>(&file), sizeof(file));
  bmp.append(reinterpret_cast<const char*>(&info), sizeof(info));
  bmp += pixels;
  return bmp;
}

// The pixels of `area` of the screen as a PNG file.
ByteArray CaptureScreen(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  SelectObject(memory, old);
  const ByteArray bmp = BmpFileOf(memory, bitmap, width, height);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  ByteArray png;
  weibo::ReencodeImage(bmp, weibo::kImagePng, &png);
  return png;
}

bool SaveArea(const RECT& area, const std::wstring& folder, const char* name) {
  const ByteArray png = CaptureScreen(area);
  const std::wstring path = folder + L"\\" + weibo::Wide(name);
  FILE* file = _wfopen(path.c_str(), L"wb");
  bool saved = file != nullptr && !png.empty();
  if (file != nullptr) {
    saved = saved && std::fwrite(png.data(), 1, png.size(), file) == png.size();
    std::fclose(file);
  }
  std::printf("%s %s\n", saved ? "saved" : "FAILED", name);
  return saved;
}

bool SaveWindow(HWND window, const std::wstring& folder, const char* name) {
  RECT area;
  GetWindowRect(window, &area);
  return SaveArea(area, folder, name);
}

void Settle(weibo::Win32WindowOps& windows) {
  for (int i = 0; i < 20; ++i) {
    windows.ProcessPendingMessages();
    Sleep(25);
  }
}

// Runs `act` from a timer on the first visible window of `class_name` of
// this thread (a dialog or a popup menu, inside its own loop).
std::function<void(HWND)> pending_act;
std::wstring pending_class;
// A named callback: on 32-bit Windows a lambda does not convert to the
// stdcall function pointer that EnumThreadWindows takes.
BOOL CALLBACK FindPending(HWND window, LPARAM param) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (pending_class == name && IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(param) = window;
    return FALSE;
  }
  return TRUE;
}
void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindPending, reinterpret_cast<LPARAM>(&found));
  if (found == nullptr) return;
  KillTimer(nullptr, timer);
  Sleep(300);  // let it draw
  RedrawWindow(found, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  auto act = std::move(pending_act);
  act(found);
}
void WhenShown(const wchar_t* class_name, std::function<void(HWND)> act) {
  pending_class = class_name;
  pending_act = std::move(act);
  SetTimer(nullptr, 0, 100, OnTimer);
}

// A sample cover: a gradient with a sun, as JPEG bytes.
ByteArray SampleCover(int seed, int width, int height) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  for (int y = 0; y < height; ++y) {
    HBRUSH line = CreateSolidBrush(RGB((seed * 60 + y) % 256, (120 + seed * 30) % 256,
                                       (250 - y / 2 + seed * 20) % 256));
    RECT strip{0, y, width, y + 1};
    FillRect(memory, &strip, line);
    DeleteObject(line);
  }
  HBRUSH sun = CreateSolidBrush(RGB(255, 220, 80));
  HGDIOBJ old_brush = SelectObject(memory, sun);
  SelectObject(memory, GetStockObject(NULL_PEN));
  Ellipse(memory, width * 3 / 4 - height / 8, height / 4 - height / 8, width * 3 / 4 + height / 8,
          height / 4 + height / 8);
  SelectObject(memory, old_brush);
  DeleteObject(sun);
  SelectObject(memory, old);
  const ByteArray bmp = BmpFileOf(memory, bitmap, width, height);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  ByteArray jpeg;
  weibo::ReencodeImage(bmp, weibo::kImageJpeg, &jpeg);
  return jpeg;
}

weibo::Text Gbk(const wchar_t* text) { return weibo::Narrow(text); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: weibo-app-screenshots <folder>\n");
    return 2;
  }
  const std::wstring folder = argv[1];
  CreateDirectoryW(folder.c_str(), nullptr);
  weibo::StartWin32Ui();
  weibo::StartImageCodecs();
  weibo::Win32WindowOps windows;
  bool ok = true;

  windows.LoadWindow(weibo::WindowId::kSignIn);
  windows.SetPicture(SampleCover(5, 180, 180));
  Settle(windows);
  ok &= SaveWindow(windows.Handle(weibo::WindowId::kSignIn), folder, "sign-in.png");

  windows.SetVisible(weibo::WindowId::kSignIn, false);
  windows.LoadWindow(weibo::WindowId::kMain);
  Settle(windows);
  HWND main = windows.Handle(weibo::WindowId::kMain);
  ok &= SaveWindow(main, folder, "main.png");

  const wchar_t* labels[] = {L"\u65C5\u884C_100\u5F20",  // 旅行_100张
                             L"\u5934\u50CF\u76F8\u518C_3\u5F20",  // 头像相册_3张
                             L"\u4E00\u4E2A\u5F88\u957F\u5F88\u957F\u7684\u76F8\u518C\u540D\u5B57"
                             L"\u4F1A\u5728\u56FE\u6807\u4E0B\u9762\u6362\u884C_65\u5F20",
                             L"\u6DFA\u8272 \u98A8\u666F_31\u5F20",  // 淺色 風景_31张
                             L"\u9ED8\u8BA4\u76F8\u518C_0\u5F20"};   // 默认相册_0张
  weibo::ImageList icons;
  for (int i = 0; i < 5; ++i) {
    icons.pictures.push_back(i == 4 ? ByteArray("not a picture")
                                    : SampleCover(i, 200 + i * 40, 150 + i * 20));
  }
  windows.SetTitle(weibo::WindowId::kMain, Gbk(L"\u793A\u4F8B\u7528\u6237 - \u5FAE\u76F8\u518C"));
  windows.SetLargeIconList(icons);
  for (int i = 0; i < 5; ++i) windows.AppendItem(Gbk(labels[i]), i);
  HWND albums = windows.FindControl(L"\u8D85\u7EA7\u5217\u8868\u6846\u0031");
  ListView_SetItemState(albums, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  windows.SetStatusText(0, Gbk(L"\u72B6\u6001:\u5F53\u524D\u5DF2\u4E0B\u8F7D 42\u5F20!"));
  Settle(windows);
  ok &= SaveWindow(main, folder, "main-albums.png");

  RECT view;
  GetWindowRect(albums, &view);
  SetCursorPos(view.left + 240, view.top + 120);
  WhenShown(L"#32768", [&](HWND popup) {
    RECT area;
    GetWindowRect(main, &area);
    RECT menu;
    GetWindowRect(popup, &menu);
    UnionRect(&area, &area, &menu);
    ok &= SaveArea(area, folder, "popup.png");
    EndMenu();
  });
  windows.PopupAlbumMenu();

  WhenShown(L"#32770", [&](HWND dialog) {
    ok &= SaveWindow(dialog, folder, "input-box.png");
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  weibo::Text entered;
  windows.InputBox(
      Gbk(L"\u8BF7\u8F93\u5165\u7528\u6237\u4E3B\u9875\u5730\u5740,\u5982:weibo.com/u/1234567890"),
      weibo::Text(), "weibo.com/u/1234567890?from=myfollow_all", &entered);

  WhenShown(L"#32770", [&](HWND box) {
    ok &= SaveWindow(box, folder, "message-box.png");
    PostMessageW(box, WM_COMMAND, IDNO, 0);
  });
  windows.MessageBox(weibo::kContactAuthorQuestion, weibo::Text(),
                     weibo::kMbYesNo | weibo::kMbIconInformation);
  return ok ? 0 : 1;
}
