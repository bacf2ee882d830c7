// The main window: menus 操作 and 帮助 with their shortcuts, the grey band
// 外形框1 holding the tool bar 工具条1, the album view 超级列表框1 with
// large icons, the status bar 状态条1 and the hidden popup menu 右键, on a
// white, fixed window. Lives on the user-interface thread.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QString>
#include <functional>

#include "app/qt/fixed_window.h"
#include "flow/window_ops.h"

namespace weibo {

// The album view: reports a click of the right mouse button, after the view
// has handled it (the press selects the item under the pointer).
class AlbumView : public QListWidget {
 public:
  explicit AlbumView(QWidget* parent);
  std::function<void()> on_right_click;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

// The caption handed to the window system for `title`. Qt shows the
// program's name in place of an empty caption; a single space shows an empty
// caption bar instead.
QString ShownTitle(const QString& title);

class MainWindow : public QMainWindow {
 public:
  MainWindow();

  AlbumView* Albums() const { return albums_; }
  QMenu* AlbumMenu() const { return album_menu_; }
  // 操作 / 停止下载: enabled only while something downloads.
  QAction* StopAction() const { return stop_action_; }
  void SetStatusText(const QString& text);
  QString StatusText() const;

  // Set by the owner before the window is shown.
  std::function<void()> on_first_activation;
  std::function<void()> on_closing;
  std::function<void(int)> on_tool_button;
  std::function<void(MenuItem)> on_menu_item;

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildMenus();
  void BuildToolBar(QWidget* band);
  void BuildStatusBar();
  QAction* AddItem(QMenu* menu, MenuItem item, const char* caption, const char* shown_shortcut,
                   const QKeySequence& shortcut);
  // The submenu 下载全部相册 with its four sizes, at the end of `menu`.
  void AddAllAlbumsMenu(QMenu* menu);

  AlbumView* albums_ = nullptr;
  QMenu* album_menu_ = nullptr;
  QAction* stop_action_ = nullptr;
  QLabel* status_part_ = nullptr;
  FirstActivation first_activation_;
};

}  // namespace weibo
