// What the Qt window tests share: the application object on the offscreen
// platform, an event recorder and a helper that answers modal dialogs.
#pragma once

#include <QApplication>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "flow/window_ops.h"

namespace weibo {

// The process's application object, created on first use; selects Qt's
// offscreen platform unless another is asked for.
QApplication* TestApplication();

// Records every window event as a line: "activated sign-in", "closing main",
// "tool 0", "menu 3", "right-click".
class EventLog : public WindowEvents {
 public:
  void OnFirstActivation(WindowId window) override;
  void OnClosing(WindowId window) override;
  void OnToolButton(int index) override;
  void OnMenuItem(MenuItem item) override;
  void OnAlbumViewRightClick() override;

  std::vector<std::string> events;
};

// Runs `act` on the next modal dialog as soon as it is shown (from inside its
// event loop).
void WhenModalShown(std::function<void(QWidget*)> act);

// Processes events until `done` holds; false when it still does not hold
// after about `limit_ms` milliseconds.
bool ProcessUntil(const std::function<bool()>& done, int limit_ms = 5000);

}  // namespace weibo
