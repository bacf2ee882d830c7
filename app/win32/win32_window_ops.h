// WindowOps on the Win32 API and common controls: the sign-in window, the
// main window and the two dialogs. Texts are converted from code page 936 to
// UTF-16 where they meet the screen; only the wide (W) functions are called.
//
// Construct, use and destroy on the user-interface thread after the common
// controls are initialised (Win32Runtime); SetStatusText and PostToUiThread
// may come from any thread while the object lives (see window_ops.h). The
// thread's message loop must hand messages to Dispatch, so that the main
// window's accelerators work.
#pragma once

#include "app/win32/taskbar_button.h"
#include "app/win32/windows_api.h"

#include <functional>
#include <string_view>
#include <vector>

#include "app/win32/ui_call_queue.h"
#include "app/win32/win32_windows.h"
#include "flow/window_ops.h"

namespace weibo {

class Win32WindowOps : public WindowOps {
 public:
  Win32WindowOps();
  // Stops status updates and destroys the windows.
  ~Win32WindowOps() override;
  Win32WindowOps(const Win32WindowOps&) = delete;
  Win32WindowOps& operator=(const Win32WindowOps&) = delete;

  // Where the windows report their events; may be null (events dropped).
  void SetEventSink(WindowEvents* events) { events_ = events; }

  // The window's handle, null when it is not loaded (tests, screenshots).
  HWND Handle(WindowId window) const;
  // A control of a loaded window by its name ("超级列表框1"), or null.
  HWND FindControl(std::wstring_view name) const;
  HMENU AlbumMenu() const { return main_.album_menu; }
  HACCEL Accelerators() const { return main_.accelerators; }
  HIMAGELIST ToolImages() const { return main_.tool_images; }

  // Translates the main window's accelerators and dispatches `message`.
  void Dispatch(MSG* message);
  // Runs the message loop until WM_QUIT; returns its exit code.
  int RunMessageLoop();

  // Through a hidden message-only window (see UiCallQueue).
  void PostToUiThread(std::function<void()> call) override;

  void LoadWindow(WindowId window) override;
  void DestroyWindow(WindowId window) override;
  void SetVisible(WindowId window, bool visible) override;
  bool IsVisible(WindowId window) const override;
  void SetTitle(WindowId window, const Text& title) override;
  Text Title(WindowId window) const override;
  void SetLabelText(const Text& text) override;
  void SetPicture(const ByteArray& image) override;
  void SetStatusText(int part, const Text& text) override;
  void StopStatusUpdates() override;
  void ClearItems() override;
  void SetLargeIconList(const ImageList& list) override;
  int AppendItem(const Text& label, int picture_index) override;
  int SelectedIndex() const override;
  void SetDisabled(Control control, bool disabled) override;
  void SetTaskbarProgress(TaskbarProgress state, int done, int total) override;
  void PopupAlbumMenu() override;
  void ProcessPendingMessages() override;
  bool InputBox(const Text& prompt, const Text& title, const Text& initial_text,
                Text* entered) override;
  int MessageBox(const Text& text, const Text& title, int flags) override;

 private:
  static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT OnMessage(WindowId id, HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void OnCommand(int command);
  void Forget(HWND window);
  static void ReleaseMainParts(const MainWindowParts& parts);
  HWND DialogOwner() const;
  void Centre(HWND window) const;

  HINSTANCE instance_;
  DpiScale scale_;
  WindowEvents* events_ = nullptr;
  HWND sign_in_ = nullptr;
  MainWindowParts main_;
  bool first_activation_seen_[2] = {false, false};
  bool album_menu_enabled_ = true;
  Text titles_[2];  // as set, byte for byte
  HIMAGELIST album_images_ = nullptr;
  std::vector<MainWindowParts> retired_;  // main windows whose destruction is queued
  UiCallQueue calls_;
  TaskbarButton taskbar_;
};

}  // namespace weibo
