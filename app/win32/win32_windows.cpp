#include "app/win32/win32_windows.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/win32/tool_icons.h"
#include "app/win32/wide_text.h"
#include "app/window_texts.h"
#include "support/picture_fit.h"

namespace weibo {
namespace {

constexpr wchar_t kPictureBoxClass[] = L"WeiboPictureBox";
constexpr wchar_t kBandClass[] = L"WeiboBand";

constexpr DWORD kFixedWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// 图片框1: a one-pixel border (WS_BORDER) around an inside of the window's
// colour, showing its bitmap (DrawPictureBox).
LRESULT CALLBACK PictureBoxProcedure(HWND box, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(box, &paint);
      RECT inside;
      GetClientRect(box, &inside);
      DrawPictureBox(dc, inside, PictureBoxBitmap(box));
      EndPaint(box, &paint);
      return 0;
    }
    case WM_DESTROY:
      SetPictureBoxBitmap(box, nullptr);
      return 0;
    default:
      return DefWindowProcW(box, message, wparam, lparam);
  }
}

// 外形框1: the button-face strip outlined in grey along its inner edge,
// painted as its background, so that the flat tool bar on it, which lets its
// parent's background show through, stands on the strip. It hands the tool
// bar's commands and notifications on to the window.
void PaintBand(HWND band, HDC dc) {
  RECT all;
  GetClientRect(band, &all);
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  HBRUSH grey = CreateSolidBrush(RGB(kBandLineGrey, kBandLineGrey, kBandLineGrey));
  FrameRect(dc, &all, grey);
  DeleteObject(grey);
}

LRESULT CALLBACK BandProcedure(HWND band, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
      return SendMessageW(GetParent(band), message, wparam, lparam);
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT:
      PaintBand(band, reinterpret_cast<HDC>(wparam));
      return 1;
    default:
      return DefWindowProcW(band, message, wparam, lparam);
  }
}

void RegisterOne(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, HBRUSH background) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  if (GetClassInfoExW(instance, name, &window_class)) return;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  window_class.hbrBackground = background;
  window_class.lpszClassName = name;
  // The program icon of the resources (id 1), when there is one.
  window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  RegisterClassExW(&window_class);
}

HWND Child(const wchar_t* class_name, const std::wstring& text, DWORD style, DWORD ex_style,
           const RECT& rect, HWND parent, int id, HINSTANCE instance) {
  HWND control = CreateWindowExW(ex_style, class_name, text.c_str(), WS_CHILD | WS_VISIBLE | style,
                                 rect.left, rect.top, rect.right - rect.left,
                                 rect.bottom - rect.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(ScreenFont()), FALSE);
  return control;
}

HWND TopLevel(const wchar_t* class_name, const std::wstring& title, LayoutSize outer,
              const DpiScale& scale, HMENU menu, HINSTANCE instance, void* param) {
  return CreateWindowExW(0, class_name, title.c_str(), kFixedWindowStyle, CW_USEDEFAULT,
                         CW_USEDEFAULT, scale(outer.width), scale(outer.height), nullptr, menu,
                         instance, param);
}

std::wstring MenuText(const char* caption, const wchar_t* shortcut) {
  std::wstring text = Wide(caption);
  if (shortcut != nullptr) text += std::wstring(L"\t") + shortcut;
  return text;
}

void AddMenuItem(HMENU menu, MenuItem item, const char* caption, const wchar_t* shortcut) {
  AppendMenuW(menu, MF_STRING, kMenuCommandBase + static_cast<int>(item),
              MenuText(caption, shortcut).c_str());
}

// The submenu 下载全部相册 with its four sizes, at the end of `menu`.
void AddAllAlbumsMenu(HMENU menu) {
  HMENU sizes = CreatePopupMenu();
  AddMenuItem(sizes, MenuItem::kAllUltra, kMenuSizeUltra, nullptr);
  AddMenuItem(sizes, MenuItem::kAllHigh, kMenuSizeHigh, nullptr);
  AddMenuItem(sizes, MenuItem::kAllStandard, kMenuSizeStandard, nullptr);
  AddMenuItem(sizes, MenuItem::kAllOriginal, kMenuSizeOriginal, nullptr);
  AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sizes), Wide(kMenuAllAlbums).c_str());
}

HMENU BuildMenuBar() {
  HMENU operations = CreatePopupMenu();
  AddMenuItem(operations, MenuItem::kStartAnalysis, kMenuStartAnalysis, L"Ctrl+F");
  AddMenuItem(operations, MenuItem::kViewDownloads, kMenuViewDownloads, L"Ctrl+E");
  AddMenuItem(operations, MenuItem::kAboutAuthor, kMenuAboutAuthor, L"Ctrl+I");
  AppendMenuW(operations, MF_SEPARATOR, 0, nullptr);
  AddAllAlbumsMenu(operations);
  // Enabled only while something downloads.
  AddMenuItem(operations, MenuItem::kStopDownloads, kMenuStopDownloads, L"Esc");
  EnableMenuItem(operations, kMenuCommandBase + static_cast<int>(MenuItem::kStopDownloads),
                 MF_BYCOMMAND | MF_GRAYED);
  AppendMenuW(operations, MF_SEPARATOR, 0, nullptr);
  AddMenuItem(operations, MenuItem::kSignOut, kMenuSignOut, nullptr);
  HMENU help = CreatePopupMenu();
  AddMenuItem(help, MenuItem::kUsageHelp, kMenuUsageHelp, L"Ctrl+H");
  AddMenuItem(help, MenuItem::kFeedback, kMenuFeedback, L"Ctrl+M");
  HMENU bar = CreateMenu();
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(operations), Wide(kMenuOperations).c_str());
  AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), Wide(kMenuHelp).c_str());
  return bar;
}

// The hidden group 右键: never on the menu bar; its last item shows "Ctrl+D"
// but no accelerator carries that key.
HMENU BuildAlbumMenu() {
  HMENU popup = CreatePopupMenu();
  AddMenuItem(popup, MenuItem::kDownloadUltra, kMenuDownloadUltra, nullptr);
  AddMenuItem(popup, MenuItem::kDownloadHigh, kMenuDownloadHigh, nullptr);
  AddMenuItem(popup, MenuItem::kDownloadStandard, kMenuDownloadStandard, nullptr);
  AddMenuItem(popup, MenuItem::kDownloadOriginal, kMenuDownloadOriginal, L"Ctrl+D");
  AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
  AddAllAlbumsMenu(popup);
  return popup;
}

HACCEL BuildAccelerators() {
  auto command = [](MenuItem item) { return static_cast<WORD>(kMenuCommandBase + static_cast<int>(item)); };
  ACCEL keys[] = {
      {FCONTROL | FVIRTKEY, 'F', command(MenuItem::kStartAnalysis)},
      {FCONTROL | FVIRTKEY, 'E', command(MenuItem::kViewDownloads)},
      {FCONTROL | FVIRTKEY, 'I', command(MenuItem::kAboutAuthor)},
      {FCONTROL | FVIRTKEY, 'H', command(MenuItem::kUsageHelp)},
      {FCONTROL | FVIRTKEY, 'M', command(MenuItem::kFeedback)},
      {FVIRTKEY, VK_ESCAPE, command(MenuItem::kStopDownloads)},
  };
  return CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
}

HWND BuildToolBar(HWND band, const DpiScale& scale, HINSTANCE instance, HIMAGELIST* images) {
  HWND bar = Child(TOOLBARCLASSNAMEW, L"",
                   TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_WRAPABLE | CCS_NORESIZE |
                       CCS_NOPARENTALIGN,
                   0, scale.Rect(kToolBarRect), band, kIdToolBar, instance);
  SendMessageW(bar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  const int icon_size = scale(kToolIconSize);
  *images = ImageList_Create(icon_size, icon_size, ILC_COLOR32 | ILC_MASK, kToolIconCount, 0);
  for (int index = 0; index < kToolIconCount; ++index) {
    HICON icon = ToolIcon(index, icon_size);
    ImageList_AddIcon(*images, icon);
    if (icon != nullptr) DestroyIcon(icon);
  }
  SendMessageW(bar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(*images));
  SendMessageW(bar, TB_SETINDENT, static_cast<WPARAM>(scale(kToolBarIndent)), 0);
  // Little padding, so that the 30-pixel pictures fit the bar's height.
  SendMessageW(bar, TB_SETPADDING, 0, MAKELPARAM(scale(8), 0));

  // The captions as one list of strings ended by an empty one.
  const char* captions[kToolButtonCount] = {kToolStartAnalysis, kToolViewDownloads,
                                            kToolAboutAuthor};
  std::wstring strings;
  for (const char* caption : captions) strings += Wide(caption) + L'\0';
  strings += L'\0';
  const auto first = static_cast<int>(
      SendMessageW(bar, TB_ADDSTRINGW, 0, reinterpret_cast<LPARAM>(strings.c_str())));
  TBBUTTON buttons[kToolButtonCount] = {};
  for (int index = 0; index < kToolButtonCount; ++index) {
    buttons[index].iBitmap = kToolButtonPicture[index];
    buttons[index].idCommand = kToolCommandBase + index;
    buttons[index].fsState = TBSTATE_ENABLED;
    buttons[index].fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE;
    buttons[index].iString = first + index;
  }
  SendMessageW(bar, TB_ADDBUTTONSW, kToolButtonCount, reinterpret_cast<LPARAM>(buttons));
  return bar;
}

HWND BuildAlbumView(HWND window, const DpiScale& scale, HINSTANCE instance) {
  HWND view = Child(WC_LISTVIEWW, L"",
                    WS_TABSTOP | LVS_ICON | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS |
                        LVS_AUTOARRANGE,
                    WS_EX_CLIENTEDGE, scale.Rect(kAlbumViewRect), window, kIdAlbumView, instance);
  ListView_SetBkColor(view, RGB(255, 255, 255));
  ListView_SetTextBkColor(view, RGB(255, 255, 255));
  ListView_SetTextColor(view, RGB(0, 0, 0));
  // Room for the icon and about three lines of label under it.
  ListView_SetIconSpacing(view, scale(kAlbumIconSize + 24), scale(kAlbumIconSize + 56));
  return view;
}

HWND BuildStatusBar(HWND window, const DpiScale& scale, HINSTANCE instance) {
  HWND bar = Child(STATUSCLASSNAMEW, L"", 0, 0, RECT{0, 0, 0, 0}, window, kIdStatusBar, instance);
  int part_ends[] = {-1};  // one part, reaching the right edge
  SendMessageW(bar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(part_ends));
  SendMessageW(bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Wide(kStatusInitial).c_str()));
  // The bar takes its height from the minimum height, its borders and its
  // font, which do not all grow with the DPI: set the minimum, measure, and
  // correct it by what is missing.
  const int wanted = scale(kStatusBarHeight);
  int borders[3] = {};
  SendMessageW(bar, SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
  int minimum = wanted - 2 * borders[1];
  for (int attempt = 0; attempt < 2; ++attempt) {
    SendMessageW(bar, SB_SETMINHEIGHT, static_cast<WPARAM>(std::max(minimum, 0)), 0);
    SendMessageW(bar, WM_SIZE, 0, 0);
    RECT frame;
    GetWindowRect(bar, &frame);
    const int height = frame.bottom - frame.top;
    if (height == wanted) break;
    minimum += wanted - height;
  }
  return bar;
}

}  // namespace

void DrawPictureBox(HDC dc, const RECT& inside, HBITMAP bitmap) {
  FillRect(dc, &inside, GetSysColorBrush(COLOR_BTNFACE));
  if (bitmap == nullptr) return;
  BITMAP info = {};
  GetObjectW(bitmap, sizeof(info), &info);
  const int width = info.bmWidth;
  const int height = std::abs(info.bmHeight);
  const PictureSize box{inside.right - inside.left, inside.bottom - inside.top};
  const SharpFit fit = FitSharply(PictureSize{width, height}, box);
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(source, bitmap);
  SetStretchBltMode(dc, fit.repeat_pixels ? COLORONCOLOR : HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, inside.left, inside.top, fit.size.width, fit.size.height, source, 0, 0, width,
             height, SRCCOPY);
  SelectObject(source, old);
  DeleteDC(source);
}

std::wstring ShownTitle(const std::wstring& title) { return title.empty() ? L" " : title; }

void RegisterWindowClasses(HINSTANCE instance, WNDPROC procedure) {
  RegisterOne(instance, kSignInClass, procedure, GetSysColorBrush(COLOR_BTNFACE));
  RegisterOne(instance, kMainClass, procedure, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RegisterOne(instance, kPictureBoxClass, PictureBoxProcedure, nullptr);
  RegisterOne(instance, kBandClass, BandProcedure, nullptr);
}

HFONT ScreenFont() {
  static HFONT font = [] {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
      if (HFONT made = CreateFontIndirectW(&metrics.lfMessageFont)) return made;
    }
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }();
  return font;
}

HWND CreateSignInWindow(HINSTANCE instance, const DpiScale& scale, void* param) {
  HWND window =
      TopLevel(kSignInClass, Wide(kSignInTitle), kSignInOuterSize, scale, nullptr, instance, param);
  Child(kPictureBoxClass, L"", WS_BORDER, 0, scale.Rect(kPictureBoxRect), window, kIdPictureBox,
        instance);
  Child(L"STATIC", Wide(kSignInPrompt), SS_LEFTNOWORDWRAP | SS_CENTERIMAGE | SS_NOPREFIX, 0,
        scale.Rect(kSignInLabelRect), window, kIdLabel, instance);
  return window;
}

void SetPictureBoxBitmap(HWND picture_box, HBITMAP bitmap) {
  auto old = reinterpret_cast<HBITMAP>(
      SetWindowLongPtrW(picture_box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bitmap)));
  if (old != nullptr && old != bitmap) DeleteObject(old);
  InvalidateRect(picture_box, nullptr, TRUE);
}

HBITMAP PictureBoxBitmap(HWND picture_box) {
  return reinterpret_cast<HBITMAP>(GetWindowLongPtrW(picture_box, GWLP_USERDATA));
}

MainWindowParts CreateMainWindow(HINSTANCE instance, const DpiScale& scale, void* param) {
  MainWindowParts parts;
  parts.window =
      TopLevel(kMainClass, ShownTitle(L""), kMainOuterSize, scale, BuildMenuBar(), instance, param);
  HWND band = Child(kBandClass, L"", WS_CLIPCHILDREN, 0, scale.Rect(kBandRect), parts.window,
                    kIdBand, instance);
  parts.tool_bar = BuildToolBar(band, scale, instance, &parts.tool_images);
  parts.album_view = BuildAlbumView(parts.window, scale, instance);
  parts.status_bar = BuildStatusBar(parts.window, scale, instance);
  parts.album_menu = BuildAlbumMenu();
  parts.accelerators = BuildAccelerators();
  return parts;
}

}  // namespace weibo
