// The Win32 layer, measured through the Win32 API: window and control
// geometry, texts, menus and accelerators, the tool bar, the album view and
// its popup, the events the windows report, the dialogs, the status text set
// from other threads, and the shell. Runs under Wine on a virtual display.
#include "app/win32/windows_api.h"
#include <commctrl.h>
#include <objbase.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "app/program.h"
#include "app/win32/dialogs.h"
#include "app/win32/gdi_pictures.h"
#include "app/win32/win32_windows.h"
#include "app/win32/wide_text.h"
#include "app/win32/win32_runtime.h"
#include "app/win32/win32_shell.h"
#include "app/win32/win32_window_ops.h"
#include "app/window_layout.h"
#include "app/window_texts.h"
#include "support/reencode_image.h"
#include "tests/app/win32_test_support.h"

namespace weibo {
namespace {

using ::testing::ElementsAre;

// A width x height BMP file of one colour.
ByteArray Bmp(int width, int height) {
  const int row = (width * 3 + 3) / 4 * 4;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(row * height);
  ByteArray bytes(reinterpret_cast<const char*>(&file), sizeof(file));
  bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
  bytes.append(static_cast<std::size_t>(row * height), '\x60');
  return bytes;
}

// Layout pixels (drawn for 96 DPI) on this screen: the windows keep their
// proportions at any scaling, e.g. 150 % (144 DPI) in a Wine prefix with
// HKCU\Control Panel\Desktop LogPixels=144.
int Px(int layout_pixels) { return DpiScale::OfScreen()(layout_pixels); }

SIZE OuterSize(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

void ExpectRect(HWND control, LayoutRect expected) {
  ASSERT_NE(control, nullptr);
  const RECT rect = RectInParent(control);
  EXPECT_EQ(rect.left, Px(expected.left));
  EXPECT_EQ(rect.top, Px(expected.top));
  EXPECT_EQ(rect.right - rect.left, Px(expected.width));
  EXPECT_EQ(rect.bottom - rect.top, Px(expected.height));
}

// Fixed size, centred in the work area, a caption with close box and
// minimise button but no maximise button.
void ExpectFixedCentredWindow(HWND window, LayoutSize outer) {
  const SIZE size = OuterSize(window);
  EXPECT_EQ(size.cx, Px(outer.width));
  EXPECT_EQ(size.cy, Px(outer.height));
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0);
  EXPECT_NE(style & WS_SYSMENU, 0);
  RECT area;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  RECT frame;
  GetWindowRect(window, &frame);
  EXPECT_NEAR(frame.left - area.left, area.right - frame.right, 1);
  EXPECT_NEAR(frame.top - area.top, area.bottom - frame.bottom, 1);
}

std::vector<std::wstring> MenuTexts(HMENU menu) {
  std::vector<std::wstring> texts;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    texts.push_back(text);
  }
  return texts;
}

// Presses `key` with Ctrl held, as the thread's keyboard state says, on
// `target`, and lets the loop translate it.
void CtrlKey(Win32WindowOps& ops, HWND target, WORD key) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
  ops.ProcessPendingMessages();
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
}

void Click(HWND control, POINT at, UINT down, UINT up, WPARAM button) {
  PostMessageW(control, down, button, MAKELPARAM(at.x, at.y));
  PostMessageW(control, up, 0, MAKELPARAM(at.x, at.y));
}

class Win32WindowsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    StartWin32Ui();
    StartImageCodecs();
  }
  void SetUp() override {
    ops_ = std::make_unique<Win32WindowOps>();
    ops_->SetEventSink(&log_);
  }
  void TearDown() override {
    ops_.reset();
    PumpUntil([] { return false; }, 50);
  }

  EventLog log_;
  std::unique_ptr<Win32WindowOps> ops_;
};

TEST_F(Win32WindowsTest, SignInWindowGeometryTextsAndPicture) {
  ops_->LoadWindow(WindowId::kSignIn);
  HWND window = ops_->Handle(WindowId::kSignIn);
  ASSERT_NE(window, nullptr);
  ExpectFixedCentredWindow(window, kSignInOuterSize);
  EXPECT_EQ(TextOf(window), W("微博扫一扫登录"));
  EXPECT_EQ(ops_->Title(WindowId::kSignIn), kSignInTitle);
  EXPECT_EQ(GetClassLongPtrW(window, GCLP_HBRBACKGROUND),
            reinterpret_cast<ULONG_PTR>(GetSysColorBrush(COLOR_BTNFACE)));

  HWND picture = ops_->FindControl(W("图片框1"));
  ExpectRect(picture, kPictureBoxRect);
  RECT inside;
  GetClientRect(picture, &inside);
  EXPECT_EQ(inside.right, Px(kPictureBoxRect.width) - 2);  // inside the one-pixel border
  EXPECT_EQ(inside.bottom, Px(kPictureBoxRect.height) - 2);
  HWND label = ops_->FindControl(W("标签1"));
  ExpectRect(label, kSignInLabelRect);
  EXPECT_EQ(TextOf(label), W("请打开微博客户端“扫一扫”"));
  // 淺 ends in the byte 0x5C, the backslash of ASCII.
  ops_->SetLabelText("\x9C\x5C&ok");
  EXPECT_EQ(TextOf(label), W("淺&ok"));

  EXPECT_EQ(PictureBoxBitmap(picture), nullptr);
  ops_->SetPicture(Bmp(100, 60));
  ASSERT_NE(PictureBoxBitmap(picture), nullptr);
  BITMAP shown = {};
  GetObjectW(PictureBoxBitmap(picture), sizeof(shown), &shown);
  EXPECT_EQ(shown.bmWidth, 100);
  EXPECT_EQ(std::abs(shown.bmHeight), 60);
  ops_->SetPicture("not a picture");
  EXPECT_EQ(PictureBoxBitmap(picture), nullptr);
}

TEST_F(Win32WindowsTest, MainWindowGeometryMenusAcceleratorsAndToolBar) {
  ops_->LoadWindow(WindowId::kMain);
  HWND window = ops_->Handle(WindowId::kMain);
  ASSERT_NE(window, nullptr);
  ExpectFixedCentredWindow(window, kMainOuterSize);
  // The title is empty, the caption one space: an empty caption would let
  // the window manager show the program's name.
  EXPECT_EQ(ops_->Title(WindowId::kMain), "");
  EXPECT_EQ(TextOf(window), L" ");
  ops_->SetTitle(WindowId::kMain, "abc - \xCE\xA2\xCF\xE0\xB2\xE1");  // abc - 微相册
  EXPECT_EQ(TextOf(window), W("abc - 微相册"));
  EXPECT_EQ(ops_->Title(WindowId::kMain), "abc - \xCE\xA2\xCF\xE0\xB2\xE1");
  ops_->SetTitle(WindowId::kMain, "");
  EXPECT_EQ(ops_->Title(WindowId::kMain), "");
  EXPECT_EQ(TextOf(window), L" ");
  EXPECT_EQ(GetClassLongPtrW(window, GCLP_HBRBACKGROUND),
            reinterpret_cast<ULONG_PTR>(GetStockObject(WHITE_BRUSH)));

  ExpectRect(ops_->FindControl(W("外形框1")), kBandRect);
  HWND tool_bar = ops_->FindControl(W("工具条1"));
  ExpectRect(tool_bar, kToolBarRect);
  HWND albums = ops_->FindControl(W("超级列表框1"));
  ExpectRect(albums, kAlbumViewRect);
  const LONG list_style = GetWindowLongW(albums, GWL_STYLE);
  EXPECT_EQ(list_style & LVS_TYPEMASK, LVS_ICON);
  EXPECT_NE(list_style & LVS_SINGLESEL, 0);
  EXPECT_NE(GetWindowLongW(albums, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);

  // The status bar: one part with the first text, across the whole width,
  // along the bottom.
  HWND status = ops_->FindControl(W("状态条1"));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(SendMessageW(status, SB_GETPARTS, 0, 0), 1);
  wchar_t status_text[128] = {};
  SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(status_text));
  EXPECT_EQ(std::wstring(status_text), W("状态:请选中相册点击鼠标右键下载"));
  RECT client;
  GetClientRect(window, &client);
  const RECT bar = RectInParent(status);
  EXPECT_EQ(bar.left, 0);
  EXPECT_EQ(bar.right, client.right);
  EXPECT_EQ(bar.bottom, client.bottom);
  EXPECT_EQ(bar.bottom - bar.top, Px(kStatusBarHeight));

  // Menus: two groups on the bar, shortcuts after a tab; the popup is no
  // group of the bar and its Ctrl+D is text only.
  HMENU menu_bar = GetMenu(window);
  EXPECT_THAT(MenuTexts(menu_bar), ElementsAre(W("操作"), W("帮助")));
  HMENU operations = GetSubMenu(menu_bar, 0);
  EXPECT_THAT(MenuTexts(operations),
              ElementsAre(W("开始分析\tCtrl+F"), W("查看下载\tCtrl+E"), W("关于作者\tCtrl+I"),
                          W(""), W("下载全部相册"), W("停止下载\tEsc"), W(""),
                          W("退出登录")));
  EXPECT_TRUE(GetMenuState(operations, 3, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_TRUE(GetMenuState(operations, 6, MF_BYPOSITION) & MF_SEPARATOR);
  // The stop is greyed while nothing downloads; the whole-account submenu
  // offers the four sizes, in the popup too.
  EXPECT_TRUE(GetMenuState(operations, 5, MF_BYPOSITION) & MF_GRAYED);
  ops_->SetDisabled(Control::kStopCommand, false);
  EXPECT_FALSE(GetMenuState(operations, 5, MF_BYPOSITION) & MF_GRAYED);
  const auto sizes = ElementsAre(W("超清"), W("高清"), W("标清"), W("原画"));
  EXPECT_THAT(MenuTexts(GetSubMenu(operations, 4)), sizes);
  EXPECT_THAT(MenuTexts(GetSubMenu(ops_->AlbumMenu(), 5)), sizes);
  EXPECT_THAT(MenuTexts(GetSubMenu(menu_bar, 1)),
              ElementsAre(W("使用帮助\tCtrl+H"), W("问题反馈\tCtrl+M")));
  EXPECT_THAT(MenuTexts(ops_->AlbumMenu()),
              ElementsAre(W("下载选中_超清"), W("下载选中_高清"), W("下载选中_标清"),
                          W("下载选中_原画\tCtrl+D"), W(""), W("下载全部相册")));
  EXPECT_NE(GetSubMenu(menu_bar, 0), ops_->AlbumMenu());
  EXPECT_NE(GetSubMenu(menu_bar, 1), ops_->AlbumMenu());

  // Three flat buttons, captions beside their pictures, the first 10 pixels
  // in, all in one row.
  const LONG bar_style = GetWindowLongW(tool_bar, GWL_STYLE);
  EXPECT_NE(bar_style & TBSTYLE_FLAT, 0);
  EXPECT_NE(bar_style & TBSTYLE_LIST, 0);
  ASSERT_EQ(SendMessageW(tool_bar, TB_BUTTONCOUNT, 0, 0), 3);
  const char* captions[] = {" 开始分析 ", " 查看下载 ", " 关于作者 "};
  RECT first_button = {};
  for (int i = 0; i < 3; ++i) {
    TBBUTTON button = {};
    SendMessageW(tool_bar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
    EXPECT_EQ(button.iBitmap, kToolButtonPicture[i]);
    wchar_t caption[64] = {};
    SendMessageW(tool_bar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(button.idCommand),
                 reinterpret_cast<LPARAM>(caption));
    EXPECT_EQ(std::wstring(caption), W(captions[i]));
    RECT rect;
    SendMessageW(tool_bar, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&rect));
    if (i == 0) first_button = rect;
    EXPECT_EQ(rect.top, first_button.top);
  }
  EXPECT_EQ(first_button.left, Px(kToolBarIndent));
  int width = 0;
  int height = 0;
  EXPECT_EQ(ImageList_GetImageCount(ops_->ToolImages()), 5);
  ImageList_GetIconSize(ops_->ToolImages(), &width, &height);
  EXPECT_EQ(width, Px(30));
  EXPECT_EQ(height, Px(30));

  // Accelerators: exactly Ctrl+F, E, I, H and M, to the menu's commands,
  // and Esc (without Ctrl) to the stop.
  ACCEL keys[16] = {};
  const int count = CopyAcceleratorTableW(ops_->Accelerators(), keys, 16);
  std::vector<std::pair<int, int>> table;
  for (int i = 0; i < count; ++i) {
    const int wanted = keys[i].key == VK_ESCAPE ? FVIRTKEY : FCONTROL | FVIRTKEY;
    EXPECT_EQ(keys[i].fVirt & (FCONTROL | FVIRTKEY), wanted);
    table.emplace_back(keys[i].key, keys[i].cmd - kMenuCommandBase);
  }
  EXPECT_THAT(table, ElementsAre(std::pair('F', 0), std::pair('E', 1), std::pair('I', 2),
                                 std::pair('H', 3), std::pair('M', 4),
                                 std::pair(VK_ESCAPE, static_cast<int>(MenuItem::kStopDownloads))));
}

// After sign-in the sign-in window is hidden and the main window shown: the
// main window must end up in front with the keyboard focus. (Wine grants the
// foreground freely; Windows refuses it to a program that gave it away.) The
// shell's calls find the thread in a single-threaded COM apartment.
TEST_F(Win32WindowsTest, MainWindowTakesTheForegroundFromSignInAndComIsReady) {
  ops_->LoadWindow(WindowId::kSignIn);
  ops_->ProcessPendingMessages();
  ops_->SetVisible(WindowId::kSignIn, false);
  ops_->LoadWindow(WindowId::kMain);
  ops_->ProcessPendingMessages();
  HWND main = ops_->Handle(WindowId::kMain);
  EXPECT_EQ(GetForegroundWindow(), main);
  HWND focus = GetFocus();
  EXPECT_TRUE(focus == main || IsChild(main, focus));
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
}

TEST_F(Win32WindowsTest, EventsReachTheSinkThroughKeysButtonsAndClicks) {
  ops_->LoadWindow(WindowId::kSignIn);
  ASSERT_TRUE(PumpUntil([&] { return !log_.events.empty(); }));
  SendMessageW(ops_->Handle(WindowId::kSignIn), WM_CLOSE, 0, 0);  // the operator closes it
  EXPECT_THAT(log_.events, ElementsAre("activated sign-in", "closing sign-in"));
  EXPECT_EQ(ops_->Handle(WindowId::kSignIn), nullptr);

  log_.events.clear();
  ops_->LoadWindow(WindowId::kMain);
  HWND main = ops_->Handle(WindowId::kMain);
  ASSERT_TRUE(PumpUntil([&] { return !log_.events.empty(); }));
  HWND albums = ops_->FindControl(W("超级列表框1"));
  CtrlKey(*ops_, albums, 'F');
  CtrlKey(*ops_, albums, 'M');
  CtrlKey(*ops_, albums, 'D');  // shown in the popup, but no shortcut
  HWND tool_bar = ops_->FindControl(W("工具条1"));
  RECT second;
  SendMessageW(tool_bar, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
  Click(tool_bar, POINT{(second.left + second.right) / 2, (second.top + second.bottom) / 2},
        WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);
  ops_->ProcessPendingMessages();
  Click(albums, POINT{400, 300}, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON);
  ops_->ProcessPendingMessages();
  EXPECT_THAT(log_.events,
              ElementsAre("activated main", "menu 0", "menu 4", "tool 1", "right-click"));

  // A destruction by the program does not report closing.
  log_.events.clear();
  ops_->DestroyWindow(WindowId::kMain);
  EXPECT_FALSE(ops_->IsVisible(WindowId::kMain));
  EXPECT_TRUE(IsWindow(main));
  ops_->ProcessPendingMessages();
  EXPECT_FALSE(IsWindow(main));
  EXPECT_TRUE(log_.events.empty());
}

TEST_F(Win32WindowsTest, AlbumItemsAndThePopupOnlyWithASelection) {
  ops_->LoadWindow(WindowId::kMain);
  HWND albums = ops_->FindControl(W("超级列表框1"));
  ImageList list;
  list.pictures = {Bmp(300, 150), "no picture"};
  ops_->SetLargeIconList(list);
  HIMAGELIST images = ListView_GetImageList(albums, LVSIL_NORMAL);
  ASSERT_NE(images, nullptr);
  int width = 0;
  int height = 0;
  ImageList_GetIconSize(images, &width, &height);
  EXPECT_EQ(width, Px(kAlbumIconSize));
  EXPECT_EQ(height, Px(kAlbumIconSize));
  EXPECT_EQ(ImageList_GetImageCount(images), 2);
  EXPECT_EQ(ops_->AppendItem("\xCF\xE0\xB2\xE1_3\xD5\xC5", 0), 0);  // 相册_3张
  EXPECT_EQ(ops_->AppendItem("b", 1), 1);
  EXPECT_EQ(ops_->AppendItem("c", 7), 2);
  wchar_t label[64] = {};
  LVITEMW item = {};
  item.pszText = label;
  item.cchTextMax = 64;
  SendMessageW(albums, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(std::wstring(label), W("相册_3张"));
  EXPECT_EQ(ops_->SelectedIndex(), -1);

  // Through the program's command: no selection, no popup.
  ProgramParts parts;
  parts.windows = ops_.get();
  Win32Shell shell;
  parts.shell = &shell;
  Program program(std::move(parts));
  program.CreateProgramState();
  WhenShown(L"#32768", [](HWND) { EndMenu(); }, 300);
  program.ShowAlbumMenu();
  PumpUntil([] { return false; }, 400);
  EXPECT_FALSE(Acted());

  // With a selection the popup opens 3 pixels right of and below the pointer.
  ListView_SetItemState(albums, 1, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(ops_->SelectedIndex(), 1);
  SetCursorPos(300, 300);
  POINT pointer;
  GetCursorPos(&pointer);
  RECT popup = {};
  WhenShown(L"#32768", [&](HWND menu) {
    GetWindowRect(menu, &popup);
    EndMenu();
  });
  program.ShowAlbumMenu();
  EXPECT_TRUE(Acted());
  EXPECT_EQ(popup.left, pointer.x + Px(kPopupOffset));
  EXPECT_EQ(popup.top, pointer.y + Px(kPopupOffset));

  // A disabled group shows nothing.
  ops_->SetDisabled(Control::kAlbumMenu, true);
  WhenShown(L"#32768", [](HWND) { EndMenu(); }, 300);
  program.ShowAlbumMenu();
  PumpUntil([] { return false; }, 400);
  EXPECT_FALSE(Acted());
  ops_->SetDisabled(Control::kAlbumView, true);
  EXPECT_FALSE(IsWindowEnabled(albums));

  ops_->ClearItems();
  EXPECT_EQ(ListView_GetItemCount(albums), 0);
}

// Chosen with the keyboard while the command greys the group out and in
// again, as the download commands do: each popup opens with no item
// highlighted, so two steps down always reach the second item. Windows
// keeps an item's highlight in the menu after a menu session ends; the
// first round starts with one left on the last item.
TEST_F(Win32WindowsTest, PopupOpensWithNoItemHighlighted) {
  struct DownloadLike : EventLog {
    Win32WindowOps* ops = nullptr;
    void OnMenuItem(MenuItem item) override {
      EventLog::OnMenuItem(item);
      ops->SetDisabled(Control::kAlbumMenu, true);
      ops->SetDisabled(Control::kAlbumMenu, false);
    }
  } sink;
  sink.ops = ops_.get();
  ops_->SetEventSink(&sink);
  ops_->LoadWindow(WindowId::kMain);
  ASSERT_TRUE(PumpUntil([&] { return !sink.events.empty(); }));
  sink.events.clear();
  HMENU menu = ops_->AlbumMenu();
  MENUITEMINFOW left_over = {};
  left_over.cbSize = sizeof(left_over);
  left_over.fMask = MIIM_STATE;
  left_over.fState = MFS_HILITE;
  ASSERT_TRUE(SetMenuItemInfoW(menu, 3, TRUE, &left_over));
  for (int round = 0; round < 3; ++round) {
    std::vector<int> highlighted;
    WhenShown(L"#32768", [&](HWND popup) {
      for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_HILITE) {
          highlighted.push_back(i);
        }
      }
      PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
      PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
      PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
    });
    ops_->PopupAlbumMenu();
    ASSERT_TRUE(Acted()) << round;
    PumpUntil([&] { return static_cast<int>(sink.events.size()) > round; }, 2000);
    EXPECT_THAT(highlighted, ElementsAre()) << round;
  }
  const std::string high = "menu " + std::to_string(static_cast<int>(MenuItem::kDownloadHigh));
  EXPECT_THAT(sink.events, ElementsAre(high, high, high));
  ops_->SetEventSink(nullptr);
}

TEST_F(Win32WindowsTest, InputBoxLayoutTextsAndResults) {
  std::wstring seen_title, seen_prompt, seen_initial, seen_ok, seen_cancel;
  RECT edit_rect = {}, expected_edit = {kInputEditUnits.left, kInputEditUnits.top,
                                        kInputEditUnits.left + kInputEditUnits.width,
                                        kInputEditUnits.top + kInputEditUnits.height};
  WhenShown(L"#32770", [&](HWND dialog) {
    seen_title = TextOf(dialog);
    seen_prompt = TextOf(GetDlgItem(dialog, kInputPromptId));
    seen_initial = TextOf(GetDlgItem(dialog, kInputEditId));
    seen_ok = TextOf(GetDlgItem(dialog, IDOK));
    seen_cancel = TextOf(GetDlgItem(dialog, IDCANCEL));
    edit_rect = RectInParent(GetDlgItem(dialog, kInputEditId));
    MapDialogRect(dialog, &expected_edit);
    SetDlgItemTextW(dialog, kInputEditId, W("淺草寺").c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  Text entered = "unchanged";
  // 请输入用户主页地址 / http://x
  EXPECT_TRUE(ops_->InputBox("\xC7\xEB\xCA\xE4\xC8\xEB", Text(), "http://x", &entered));
  EXPECT_EQ(seen_title, W("请输入："));
  EXPECT_EQ(seen_prompt, W("请输入"));
  EXPECT_EQ(seen_initial, L"http://x");
  EXPECT_EQ(seen_ok, W("确认输入(&O)"));
  EXPECT_EQ(seen_cancel, W("取消(&C)"));
  EXPECT_EQ(entered, "\x9C\x5C\xB2\xDD\xCB\xC2");  // 淺草寺
  EXPECT_EQ(edit_rect.left, expected_edit.left);
  EXPECT_EQ(edit_rect.top, expected_edit.top);
  EXPECT_EQ(edit_rect.right, expected_edit.right);

  WhenShown(L"#32770", [&](HWND dialog) {
    seen_title = TextOf(dialog);
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  entered = "unchanged";
  EXPECT_FALSE(ops_->InputBox("p", "T", "i", &entered));
  EXPECT_EQ(seen_title, L"T");
  EXPECT_EQ(entered, "unchanged");
}

TEST_F(Win32WindowsTest, MessageBoxTitleTextButtonsAndResult) {
  std::wstring title;
  bool has_yes = false, has_no = false, has_ok = true;
  WhenShown(L"#32770", [&](HWND box) {
    title = TextOf(box);
    has_yes = GetDlgItem(box, IDYES) != nullptr;
    has_no = GetDlgItem(box, IDNO) != nullptr;
    has_ok = GetDlgItem(box, IDOK) != nullptr;
    PostMessageW(box, WM_COMMAND, IDNO, 0);
  });
  EXPECT_EQ(ops_->MessageBox(kContactAuthorQuestion, Text(), kMbYesNo | kMbIconInformation), kIdNo);
  EXPECT_EQ(title, W("信息："));
  EXPECT_TRUE(has_yes);
  EXPECT_TRUE(has_no);
  EXPECT_FALSE(has_ok);

  WhenShown(L"#32770", [&](HWND box) {
    title = TextOf(box);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(ops_->MessageBox("onick or oid", "erro", kMbOk), kIdOk);
  EXPECT_EQ(title, L"erro");
}

TEST_F(Win32WindowsTest, WorkersReachTheUserInterfaceThreadInOrderUntilStopped) {
  ops_->LoadWindow(WindowId::kMain);
  HWND status = ops_->FindControl(W("状态条1"));
  std::atomic<bool> done{false};
  std::vector<int> posted;
  std::thread worker([&] {
    ops_->SetStatusText(0, "\xD7\xB4\xCC\xAC:1");  // 状态:1
    for (int i = 0; i < 5; ++i) ops_->PostToUiThread([&posted, i] { posted.push_back(i); });
    done = true;
  });
  ASSERT_TRUE(PumpUntil([&] { return done.load() && posted.size() == 5; }));
  worker.join();
  wchar_t text[64] = {};
  SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(text), W("状态:1"));
  EXPECT_THAT(posted, ElementsAre(0, 1, 2, 3, 4));

  // Stopped: a worker no longer waits, and nothing more is shown or run.
  ops_->StopStatusUpdates();
  std::thread late([&] {
    ops_->SetStatusText(0, "late");
    ops_->PostToUiThread([&posted] { posted.push_back(9); });
  });
  late.join();
  ops_->ProcessPendingMessages();
  SendMessageW(status, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_EQ(std::wstring(text), W("状态:1"));
  EXPECT_EQ(posted.size(), 5u);
}

TEST(Win32PicturesTest, TheQrCodeAndCoversFillTheirScaledBoxes) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, 400, 400);
  HGDIOBJ old = SelectObject(dc, canvas);
  const COLORREF grey = RGB(0x60, 0x60, 0x60);
  HBITMAP qr = DecodePicture(Bmp(180, 180));
  ASSERT_NE(qr, nullptr);
  // The 180-pixel inside at 100 %, 125 %, 150 %, 200 % and this screen's
  // scale: filled to its last pixel.
  for (const int side : {180, 225, 270, 360, Px(kPictureBoxRect.width) - 2}) {
    const RECT inside{0, 0, side, side};
    DrawPictureBox(dc, inside, qr);
    EXPECT_EQ(GetPixel(dc, side - 1, side - 1), grey) << side;
  }
  DeleteObject(qr);

  // A small cover is enlarged to its icon at this screen's scale, centred.
  HBITMAP small = DecodePicture(Bmp(40, 20));
  const int icon = Px(kAlbumIconSize);
  HBITMAP fitted = FittedBitmap(small, icon, icon, RGB(255, 255, 255));
  SelectObject(dc, fitted);
  EXPECT_EQ(GetPixel(dc, 2, icon / 2), grey);
  EXPECT_EQ(GetPixel(dc, icon - 3, icon / 2), grey);
  EXPECT_EQ(GetPixel(dc, icon / 2, 2), RGB(255, 255, 255));
  SelectObject(dc, old);
  DeleteObject(fitted);
  DeleteObject(small);
  DeleteObject(canvas);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

TEST(Win32ShellTest, WebAddressesFoldersAndTexts) {
  EXPECT_TRUE(Win32Shell::IsWebAddress("http://127.0.0.1:8960/u/1"));
  EXPECT_TRUE(Win32Shell::IsWebAddress(" HTTPS://example.com"));
  EXPECT_FALSE(Win32Shell::IsWebAddress("file:///C:/Windows"));
  EXPECT_FALSE(Win32Shell::IsWebAddress("http://"));
  EXPECT_FALSE(Win32Shell::IsWebAddress("calc.exe"));
  Win32Shell shell;
  EXPECT_FALSE(shell.OpenAddress("ftp://example.com/"));
  EXPECT_FALSE(shell.ShowItemSelected("C:\\no\\such\\folder"));
  EXPECT_EQ(shell.PathSeparator(), "\\");

  // A folder that code page 936 spells is used by its name; one it cannot
  // spell by its short name, and not at all when it has none (it does not
  // exist).
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring base = std::wstring(temp) + L"weibo-shell-test";
  const std::wstring chinese = base + W("\\淺草");
  const std::wstring thai = base + W("\\ภาพถ่าย");
  CreateDirectoryW(base.c_str(), nullptr);
  ASSERT_TRUE(CreateDirectoryW(thai.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
  EXPECT_EQ(Win32Shell::SpellFolder(chinese + L"\\").path, Narrow(chinese));
  const FolderSpelling short_form = Win32Shell::SpellFolder(thai);
  ASSERT_FALSE(short_form.path.empty());
  EXPECT_EQ(short_form.shown, Narrow(thai));
  EXPECT_EQ(short_form.shown.substr(short_form.shown.size() - 4), "????");
  const std::wstring short_wide = Wide(short_form.path);
  EXPECT_NE(short_wide, thai);
  EXPECT_NE(GetFileAttributesW(short_wide.c_str()), INVALID_FILE_ATTRIBUTES);
  wchar_t long_form[MAX_PATH] = {};
  ASSERT_NE(GetLongPathNameW(short_wide.c_str(), long_form, MAX_PATH), 0u);
  EXPECT_EQ(std::wstring(long_form), thai);
  EXPECT_EQ(Win32Shell::SpellFolder(base + W("\\ไม่มี")).path, "");
  EXPECT_EQ(GetFileAttributesW(chinese.c_str()), INVALID_FILE_ATTRIBUTES);  // nothing made
  EXPECT_FALSE(shell.LocateFolder(KnownFolder::kProgram).path.empty());
  RemoveDirectoryW(thai.c_str());
  RemoveDirectoryW(base.c_str());
  // The euro sign is 0x80 in code page 936.
  EXPECT_EQ(Narrow(L"\u20AC"), "\x80");
}

}  // namespace
}  // namespace weibo
