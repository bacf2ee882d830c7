// What both windows share: a fixed size, no maximise button, centring on the
// screen, and the first-activation event.
#pragma once

#include <QEvent>
#include <QRect>
#include <QWidget>
#include <functional>

#include "app/window_layout.h"

namespace weibo {

inline QRect ToQRect(LayoutRect rect) {
  return QRect(rect.left, rect.top, rect.width, rect.height);
}

// Gives `window` a caption with system menu, minimise and close buttons but no
// maximise button, and a fixed client size: the outer size less the frame
// (ClientSizeFor), so that it cannot be resized.
void MakeFixedWindow(QWidget* window, LayoutSize outer);

// Moves `window` so that a frame of `outer` size is centred on the available
// area of the primary screen.
void CentreOnScreen(QWidget* window, LayoutSize outer);

// Reports a window's first activation once: when the window is first
// activated or first painted, whichever comes first (a window manager may
// keep a new window from being activated). The handler runs from the event
// loop, after the event that triggered it.
class FirstActivation {
 public:
  // Call from the window's event(); `handler` is read when it runs.
  void Notice(QWidget* window, const QEvent* event, const std::function<void()>* handler);

 private:
  bool noticed_ = false;
};

}  // namespace weibo
