// The operations through which the tool's logic acts on its two windows and
// the standard dialogs, and the events the windows report back.
//
// The logic (start-up, commands, sign-in, album and download flows) sees the
// screen only through WindowOps, so it can run headless against a recording
// implementation; app/qt/ implements it with Qt Widgets. Every text crossing
// this interface is code page 936; the implementation converts where the text
// meets the screen.
//
// Threading: every operation is called on the user-interface thread, except
// SetStatusText and PostToUiThread, which may be called from any thread (see
// there).
#pragma once

#include <functional>
#include <vector>

#include "support/text_rules.h"

namespace weibo {

// The tool's two windows.
enum class WindowId { kSignIn, kMain };

// The items of the main window's menus, including the hidden popup group.
enum class MenuItem {
  kStartAnalysis,     // 操作 / 开始分析 (Ctrl+F)
  kViewDownloads,     // 操作 / 查看下载 (Ctrl+E)
  kAboutAuthor,       // 操作 / 关于作者 (Ctrl+I)
  kUsageHelp,         // 帮助 / 使用帮助 (Ctrl+H)
  kFeedback,          // 帮助 / 问题反馈 (Ctrl+M)
  kDownloadUltra,     // 右键 / 下载选中_超清
  kDownloadHigh,      // 右键 / 下载选中_高清
  kDownloadStandard,  // 右键 / 下载选中_标清
  kDownloadOriginal,  // 右键 / 下载选中_原画 (shows "Ctrl+D", has no shortcut)
  kAllUltra,          // 操作 and 右键 / 下载全部相册 / 超清
  kAllHigh,           // 操作 and 右键 / 下载全部相册 / 高清
  kAllStandard,       // 操作 and 右键 / 下载全部相册 / 标清
  kAllOriginal,       // 操作 and 右键 / 下载全部相册 / 原画
  kStopDownloads,     // 操作 / 停止下载 (Esc)
  kSignOut,           // 操作 / 退出登录, the last item, after a separator
};

// What SetDisabled can grey out.
enum class Control { kAlbumView, kAlbumMenu, kStopCommand };

// What the taskbar button shows of the downloads (Windows only).
enum class TaskbarProgress { kNone, kNormal, kPaused, kError };

// Pictures for the album view's items: one encoded picture (JPEG, PNG, BMP or
// anything the image layer reads) per icon, shown fitted into
// icon_width x icon_height. Items refer to a picture by its 0-based index.
struct ImageList {
  int icon_width = 150;
  int icon_height = 150;
  std::vector<ByteArray> pictures;
};

// Message-box flags and results, with the values of the classic message box.
enum MessageBoxFlag : int {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbAbortRetryIgnore = 0x2,
  kMbYesNoCancel = 0x3,
  kMbYesNo = 0x4,
  kMbRetryCancel = 0x5,
  kMbCancelTryContinue = 0x6,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
  kMbDefaultButton2 = 0x100,
  kMbDefaultButton3 = 0x200,
  kMbSystemModal = 0x1000,
};
enum MessageBoxResult : int {
  kIdOk = 1,
  kIdCancel = 2,
  kIdAbort = 3,
  kIdRetry = 4,
  kIdIgnore = 5,
  kIdYes = 6,
  kIdNo = 7,
  kIdTryAgain = 10,
  kIdContinue = 11,
};

class WindowOps {
 public:
  virtual ~WindowOps() = default;

  // Creates `window` if it does not exist and shows it, with no owner and not
  // modal. Its first-activation event follows once the event loop runs.
  virtual void LoadWindow(WindowId window) = 0;
  // Queues the destruction of `window`; it happens when the event loop next
  // runs and does not report a closing event. A later LoadWindow creates the
  // window afresh.
  virtual void DestroyWindow(WindowId window) = 0;
  virtual void SetVisible(WindowId window, bool visible) = 0;
  // False for a window that does not exist.
  virtual bool IsVisible(WindowId window) const = 0;
  virtual void SetTitle(WindowId window, const Text& title) = 0;
  virtual Text Title(WindowId window) const = 0;

  // The sign-in window's label 标签1 and picture box 图片框1. SetPicture
  // shows the decoded image; bytes that are no picture clear the box.
  virtual void SetLabelText(const Text& text) = 0;
  virtual void SetPicture(const ByteArray& image) = 0;

  // Replaces the text of part `part` of the status bar 状态条1 (the bar has
  // one part, 0; other parts are ignored). Safe from any thread: called from
  // another thread it hands the change to the user-interface thread and waits
  // until it is shown, so texts appear in the order of the calls. The caller
  // must not hold a lock the user-interface thread may wait for. Once
  // StopStatusUpdates has run, calls from other threads return at once and
  // change nothing.
  virtual void SetStatusText(int part, const Text& text) = 0;
  // Releases every thread waiting in SetStatusText and makes later calls from
  // other threads return at once. Called before the user-interface thread
  // stops running its event loop (closing), so that no worker waits for it.
  virtual void StopStatusUpdates() = 0;
  // Queues `call` to run on the user-interface thread and returns at once,
  // without waiting for it. Safe from any thread; the calls of one thread run
  // in the order they were posted. After StopStatusUpdates they are dropped.
  virtual void PostToUiThread(std::function<void()> call) = 0;

  // The album view 超级列表框1.
  virtual void ClearItems() = 0;
  virtual void SetLargeIconList(const ImageList& list) = 0;
  // Any thread, while the object lives: may do ahead, off the window's
  // thread, the work of turning `picture` into an icon of an ImageList's
  // default size (decoding, scaling), so that a later SetLargeIconList
  // holding the same bytes only picks the result up. Changes nothing shown.
  virtual void PrepareLargeIcon(const ByteArray& picture) { (void)picture; }
  // Adds an item at the end showing picture `picture_index` of the large-icon
  // list (none when out of range); returns the item's 0-based index.
  virtual int AppendItem(const Text& label, int picture_index) = 0;
  // The first selected item's index, or -1 when none is selected.
  virtual int SelectedIndex() const = 0;
  virtual void SetDisabled(Control control, bool disabled) = 0;
  // Shows the downloads' share done (`done` of `total`) on the window's
  // taskbar button where the platform has one; kNone clears it. Does nothing
  // by default.
  virtual void SetTaskbarProgress(TaskbarProgress /*state*/, int /*done*/, int /*total*/) {}
  // Shows the hidden group 右键 as a popup 3 pixels right of and below the
  // mouse pointer; the chosen item arrives as a menu event. Shows nothing
  // while the group is disabled.
  virtual void PopupAlbumMenu() = 0;

  // Dispatches every event waiting for the user-interface thread, then
  // returns.
  virtual void ProcessPendingMessages() = 0;

  // A modal box with `prompt`, a one-line field holding `initial_text` and
  // the buttons 确认输入(&O) and 取消(&C); an empty title stands for
  // "请输入：". Returns true and stores the edited text in `*entered` when the
  // operator confirms; false, leaving `*entered` alone, otherwise.
  virtual bool InputBox(const Text& prompt, const Text& title, const Text& initial_text,
                        Text* entered) = 0;
  // A modal message box with `text`, the buttons and icon of `flags`
  // (MessageBoxFlag) and `title`, "信息：" when empty. Returns the pressed
  // button (MessageBoxResult).
  virtual int MessageBox(const Text& text, const Text& title, int flags) = 0;
};

// The events the windows report. Called on the user-interface thread, one at
// a time, from the event loop (or from a loop that dispatches events, such as
// ProcessPendingMessages or a modal dialog).
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  // Once per window instance, when it is first shown and activated.
  virtual void OnFirstActivation(WindowId window) = 0;
  // The operator closes the window; the close always goes ahead.
  virtual void OnClosing(WindowId window) = 0;
  // A tool bar button, by 0-based index.
  virtual void OnToolButton(int index) = 0;
  virtual void OnMenuItem(MenuItem item) = 0;
  // The right mouse button was clicked on the album view.
  virtual void OnAlbumViewRightClick() = 0;
};

}  // namespace weibo
