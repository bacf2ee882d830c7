#include "app/win32/windows_api.h"
#include <commctrl.h>

#include "app/win32/win32_window_ops.h"

#include <algorithm>
#include <string>
#include <utility>

#include "app/win32/dialogs.h"
#include "app/win32/gdi_pictures.h"
#include "app/win32/wide_text.h"
#include "app/window_texts.h"

namespace weibo {
namespace {

int Slot(WindowId window) { return window == WindowId::kMain ? 1 : 0; }

WindowId IdOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return std::wstring_view(name) == kMainClass ? WindowId::kMain : WindowId::kSignIn;
}

}  // namespace

Win32WindowOps::Win32WindowOps()
    : instance_(GetModuleHandleW(nullptr)), scale_(DpiScale::OfScreen()) {
  RegisterWindowClasses(instance_, &Win32WindowOps::WindowProcedure);
}

Win32WindowOps::~Win32WindowOps() {
  calls_.Stop();
  if (sign_in_ != nullptr) ::DestroyWindow(sign_in_);
  if (main_.window != nullptr) ::DestroyWindow(main_.window);
  while (!retired_.empty()) ::DestroyWindow(retired_.back().window);
  if (album_images_ != nullptr) ImageList_Destroy(album_images_);
}

HWND Win32WindowOps::Handle(WindowId window) const {
  return window == WindowId::kMain ? main_.window : sign_in_;
}

HWND Win32WindowOps::FindControl(std::wstring_view name) const {
  const int id = ControlIdOf(name);
  if (id == kIdPictureBox || id == kIdLabel) {
    return sign_in_ != nullptr ? GetDlgItem(sign_in_, id) : nullptr;
  }
  if (main_.window == nullptr) return nullptr;
  if (id == kIdToolBar) return main_.tool_bar;
  return id != 0 ? GetDlgItem(main_.window, id) : nullptr;
}

LRESULT CALLBACK Win32WindowOps::WindowProcedure(HWND window, UINT message, WPARAM wparam,
                                                 LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* ops = reinterpret_cast<Win32WindowOps*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (ops == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return ops->OnMessage(IdOf(window), window, message, wparam, lparam);
}

LRESULT Win32WindowOps::OnMessage(WindowId id, HWND window, UINT message, WPARAM wparam,
                                  LPARAM lparam) {
  switch (message) {
    case WM_ACTIVATE:
    case WM_PAINT:
      // The first activation (or first paint, where no window manager
      // activates) queues the event, so that it runs from the loop and not
      // inside ShowWindow.
      if ((message == WM_PAINT || LOWORD(wparam) != WA_INACTIVE) && window == Handle(id) &&
          !first_activation_seen_[Slot(id)]) {
        first_activation_seen_[Slot(id)] = true;
        PostMessageW(window, kMsgFirstActivation, 0, 0);
      }
      break;
    case kMsgFirstActivation:
      if (events_ != nullptr && window == Handle(id)) events_->OnFirstActivation(id);
      return 0;
    case kMsgDestroy:
      ::DestroyWindow(window);
      return 0;
    case WM_CLOSE:
      // The operator closes the window: the handler runs and the close
      // always goes ahead.
      if (events_ != nullptr && window == Handle(id)) events_->OnClosing(id);
      if (IsWindow(window)) {
        ShowWindow(window, SW_HIDE);
        ::DestroyWindow(window);
      }
      return 0;
    case WM_COMMAND:
      if (id == WindowId::kMain && (lparam == 0 || reinterpret_cast<HWND>(lparam) == main_.tool_bar)) {
        OnCommand(LOWORD(wparam));
        return 0;
      }
      break;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (id == WindowId::kMain && header->hwndFrom == main_.album_view &&
          header->code == static_cast<UINT>(NM_RCLICK)) {
        if (events_ != nullptr) events_->OnAlbumViewRightClick();
        return 0;
      }
      break;
    }
    case WM_SIZE:
      if (id == WindowId::kMain && window == main_.window && main_.status_bar != nullptr) {
        SendMessageW(main_.status_bar, WM_SIZE, 0, 0);
      }
      break;
    case WM_NCDESTROY:
      Forget(window);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void Win32WindowOps::OnCommand(int command) {
  if (events_ == nullptr) return;
  if (command >= kToolCommandBase && command < kToolCommandBase + kToolButtonCount) {
    events_->OnToolButton(command - kToolCommandBase);
  } else if (command >= kMenuCommandBase &&
             command <= kMenuCommandBase + static_cast<int>(MenuItem::kSignOut)) {
    events_->OnMenuItem(static_cast<MenuItem>(command - kMenuCommandBase));
  }
}

void Win32WindowOps::Forget(HWND window) {
  if (window == sign_in_) sign_in_ = nullptr;
  if (window == main_.window) {
    ReleaseMainParts(main_);
    main_ = MainWindowParts();
  }
  for (auto it = retired_.begin(); it != retired_.end(); ++it) {
    if (it->window == window) {
      ReleaseMainParts(*it);
      retired_.erase(it);
      break;
    }
  }
}

void Win32WindowOps::ReleaseMainParts(const MainWindowParts& parts) {
  if (parts.album_menu != nullptr) DestroyMenu(parts.album_menu);
  if (parts.accelerators != nullptr) DestroyAcceleratorTable(parts.accelerators);
  if (parts.tool_images != nullptr) ImageList_Destroy(parts.tool_images);
}

void Win32WindowOps::Centre(HWND window) const {
  RECT area;
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) return;
  RECT frame;
  GetWindowRect(window, &frame);
  const LayoutRect centred =
      CentredRect({frame.right - frame.left, frame.bottom - frame.top}, area.left, area.top,
                  area.right - area.left, area.bottom - area.top);
  SetWindowPos(window, nullptr, centred.left, centred.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32WindowOps::LoadWindow(WindowId window) {
  if (Handle(window) == nullptr) {
    first_activation_seen_[Slot(window)] = false;
    if (window == WindowId::kMain) {
      main_ = CreateMainWindow(instance_, scale_, this);
      titles_[Slot(window)].clear();
      if (album_images_ != nullptr) ImageList_Destroy(album_images_);
      album_images_ = nullptr;
    } else {
      sign_in_ = CreateSignInWindow(instance_, scale_, this);
      titles_[Slot(window)] = kSignInTitle;
    }
  }
  HWND handle = Handle(window);
  if (handle == nullptr) return;
  Centre(handle);
  ShowWindow(handle, SW_SHOW);
  SetForegroundWindow(handle);
  UpdateWindow(handle);
}

void Win32WindowOps::DestroyWindow(WindowId window) {
  HWND handle = Handle(window);
  if (handle == nullptr) return;
  // Hidden at once and forgotten; destroyed when the loop next runs, without
  // a closing event.
  ShowWindow(handle, SW_HIDE);
  if (window == WindowId::kMain) {
    retired_.push_back(main_);
    main_ = MainWindowParts();
  } else {
    sign_in_ = nullptr;
  }
  titles_[Slot(window)].clear();
  PostMessageW(handle, kMsgDestroy, 0, 0);
}

void Win32WindowOps::SetVisible(WindowId window, bool visible) {
  HWND handle = Handle(window);
  if (handle == nullptr) return;
  // Hiding the program's only visible window hands the foreground to another
  // program, after which Windows would refuse it to the window shown next
  // (the main window after sign-in). While the program still holds the
  // foreground it keeps the right to take it back.
  if (!visible && GetForegroundWindow() == handle) AllowSetForegroundWindow(GetCurrentProcessId());
  ShowWindow(handle, visible ? SW_SHOW : SW_HIDE);
}

bool Win32WindowOps::IsVisible(WindowId window) const {
  HWND handle = Handle(window);
  return handle != nullptr && IsWindowVisible(handle);
}

void Win32WindowOps::SetTitle(WindowId window, const Text& title) {
  HWND handle = Handle(window);
  if (handle == nullptr) return;
  titles_[Slot(window)] = title;
  SetWindowTextW(handle, ShownTitle(Wide(title)).c_str());
}

Text Win32WindowOps::Title(WindowId window) const {
  return Handle(window) != nullptr ? titles_[Slot(window)] : Text();
}

void Win32WindowOps::SetLabelText(const Text& text) {
  if (sign_in_ != nullptr) SetDlgItemTextW(sign_in_, kIdLabel, Wide(text).c_str());
}

void Win32WindowOps::SetPicture(const ByteArray& image) {
  if (sign_in_ == nullptr) return;
  SetPictureBoxBitmap(GetDlgItem(sign_in_, kIdPictureBox), DecodePicture(image));
}

void Win32WindowOps::SetStatusText(int part, const Text& text) {
  if (part != 0) return;
  const std::wstring shown = Wide(text);
  calls_.RunAndWait([this, shown] {
    if (main_.status_bar != nullptr) {
      SendMessageW(main_.status_bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    }
  });
}

void Win32WindowOps::StopStatusUpdates() { calls_.Stop(); }

void Win32WindowOps::PostToUiThread(std::function<void()> call) { calls_.Post(std::move(call)); }

void Win32WindowOps::ClearItems() {
  if (main_.album_view != nullptr) ListView_DeleteAllItems(main_.album_view);
}

void Win32WindowOps::SetLargeIconList(const ImageList& list) {
  const int width = scale_(std::max(1, list.icon_width));
  const int height = scale_(std::max(1, list.icon_height));
  HIMAGELIST images =
      ImageList_Create(width, height, ILC_COLOR32, static_cast<int>(list.pictures.size()), 4);
  for (const ByteArray& picture : list.pictures) {
    HBITMAP decoded = DecodePicture(picture);
    HBITMAP fitted = FittedBitmap(decoded, width, height, RGB(255, 255, 255));
    ImageList_Add(images, fitted, nullptr);
    DeleteObject(fitted);
    if (decoded != nullptr) DeleteObject(decoded);
  }
  if (main_.album_view != nullptr) ListView_SetImageList(main_.album_view, images, LVSIL_NORMAL);
  if (album_images_ != nullptr) ImageList_Destroy(album_images_);
  album_images_ = images;
}

int Win32WindowOps::AppendItem(const Text& label, int picture_index) {
  if (main_.album_view == nullptr) return -1;
  std::wstring text = Wide(label);
  LVITEMW item = {};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = ListView_GetItemCount(main_.album_view);
  item.pszText = text.data();
  const bool has_picture = album_images_ != nullptr && picture_index >= 0 &&
                           picture_index < ImageList_GetImageCount(album_images_);
  item.iImage = has_picture ? picture_index : I_IMAGENONE;
  return static_cast<int>(
      SendMessageW(main_.album_view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void Win32WindowOps::SetTaskbarProgress(TaskbarProgress state, int done, int total) {
  taskbar_.Show(main_.window, state, done, total);
}

int Win32WindowOps::SelectedIndex() const {
  if (main_.album_view == nullptr) return -1;
  return ListView_GetNextItem(main_.album_view, -1, LVNI_SELECTED);
}

void Win32WindowOps::SetDisabled(Control control, bool disabled) {
  if (main_.window == nullptr) return;
  if (control == Control::kAlbumView) {
    EnableWindow(main_.album_view, disabled ? FALSE : TRUE);
    return;
  }
  if (control == Control::kStopCommand) {
    EnableMenuItem(GetMenu(main_.window),
                   kMenuCommandBase + static_cast<int>(MenuItem::kStopDownloads),
                   MF_BYCOMMAND | (disabled ? MF_GRAYED : MF_ENABLED));
    return;
  }
  album_menu_enabled_ = !disabled;
  const int count = GetMenuItemCount(main_.album_menu);
  for (int position = 0; position < count; ++position) {
    EnableMenuItem(main_.album_menu, static_cast<UINT>(position),
                   MF_BYPOSITION | (disabled ? MF_GRAYED : MF_ENABLED));
  }
}

void Win32WindowOps::PopupAlbumMenu() {
  if (main_.window == nullptr || !album_menu_enabled_) return;
  // A highlight is part of an item's state and outlives the menu session
  // that set it; one left over would show at the next popup: open with none.
  const int count = GetMenuItemCount(main_.album_menu);
  for (int position = 0; position < count; ++position) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE;
    GetMenuItemInfoW(main_.album_menu, static_cast<UINT>(position), TRUE, &info);
    if ((info.fState & MFS_HILITE) == 0) continue;
    info.fState &= ~static_cast<UINT>(MFS_HILITE);
    SetMenuItemInfoW(main_.album_menu, static_cast<UINT>(position), TRUE, &info);
  }
  POINT pointer;
  GetCursorPos(&pointer);
  SetForegroundWindow(main_.window);
  TrackPopupMenu(main_.album_menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON,
                 pointer.x + scale_(kPopupOffset), pointer.y + scale_(kPopupOffset), 0,
                 main_.window, nullptr);
  // Lets the menu close properly when the operator clicks elsewhere.
  PostMessageW(main_.window, WM_NULL, 0, 0);
}

void Win32WindowOps::Dispatch(MSG* message) {
  HWND main = main_.window;
  if (main != nullptr && main_.accelerators != nullptr &&
      (message->hwnd == main || IsChild(main, message->hwnd)) &&
      TranslateAcceleratorW(main, main_.accelerators, message)) {
    return;
  }
  TranslateMessage(message);
  DispatchMessageW(message);
}

void Win32WindowOps::ProcessPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for the loop that owns it
      return;
    }
    Dispatch(&message);
  }
}

int Win32WindowOps::RunMessageLoop() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) Dispatch(&message);
  return static_cast<int>(message.wParam);
}

HWND Win32WindowOps::DialogOwner() const {
  if (main_.window != nullptr && IsWindowVisible(main_.window)) return main_.window;
  if (sign_in_ != nullptr && IsWindowVisible(sign_in_)) return sign_in_;
  return nullptr;
}

bool Win32WindowOps::InputBox(const Text& prompt, const Text& title, const Text& initial_text,
                              Text* entered) {
  std::wstring edited;
  if (!RunInputBox(DialogOwner(), Wide(prompt), Wide(InputBoxTitleOr(title)), Wide(initial_text),
                   &edited)) {
    return false;
  }
  *entered = Narrow(edited);
  return true;
}

int Win32WindowOps::MessageBox(const Text& text, const Text& title, int flags) {
  return RunMessageBox(DialogOwner(), Wide(text), Wide(MessageBoxTitleOr(title)), flags);
}

}  // namespace weibo
