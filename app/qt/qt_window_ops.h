// WindowOps on Qt Widgets: the sign-in window, the main window and the two
// dialogs. Texts are converted from code page 936 where they meet the screen.
//
// Construct, use and destroy on the user-interface thread, after the
// application object exists; SetStatusText may come from any thread while the
// object lives (see window_ops.h).
#pragma once

#include <QIcon>
#include <QImage>
#include <QPointer>
#include <map>
#include <mutex>
#include <vector>

#include "app/qt/main_window.h"
#include "app/qt/sign_in_window.h"
#include "app/qt/ui_call_relay.h"
#include "flow/window_ops.h"

namespace weibo {

class QtWindowOps : public WindowOps {
 public:
  QtWindowOps();
  // Stops status updates and destroys the windows.
  ~QtWindowOps() override;
  QtWindowOps(const QtWindowOps&) = delete;
  QtWindowOps& operator=(const QtWindowOps&) = delete;

  // Where the windows report their events; may be null (events dropped).
  // Not owned; must outlive the windows' event handling.
  void SetEventSink(WindowEvents* events) { events_ = events; }

  // The windows, null when not loaded (for the screenshots and tests).
  SignInWindow* SignIn() const { return sign_in_; }
  MainWindow* Main() const { return main_; }

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
  void PostToUiThread(std::function<void()> call) override;
  void ClearItems() override;
  void SetLargeIconList(const ImageList& list) override;
  void PrepareLargeIcon(const ByteArray& picture) override;
  int AppendItem(const Text& label, int picture_index) override;
  int SelectedIndex() const override;
  void SetDisabled(Control control, bool disabled) override;
  void PopupAlbumMenu() override;
  void ProcessPendingMessages() override;
  bool InputBox(const Text& prompt, const Text& title, const Text& initial_text,
                Text* entered) override;
  int MessageBox(const Text& text, const Text& title, int flags) override;

 private:
  QWidget* Widget(WindowId window) const;
  // The window a dialog belongs to: the visible main window, else the
  // visible sign-in window, else none.
  QWidget* DialogParent() const;
  void CreateSignIn();
  void CreateMain();

  WindowEvents* events_ = nullptr;
  QPointer<SignInWindow> sign_in_;
  QPointer<MainWindow> main_;
  Text titles_[2];  // as set, byte for byte
  std::vector<QIcon> icons_;
  // Icons decoded ahead by PrepareLargeIcon, by their picture's bytes, until
  // the next SetLargeIconList takes them; guarded by prepared_lock_.
  std::mutex prepared_lock_;
  std::map<ByteArray, QImage> prepared_;
  UiCallRelay status_relay_;
};

}  // namespace weibo
