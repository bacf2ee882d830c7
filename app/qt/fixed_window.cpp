#include "app/qt/fixed_window.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <QScreen>

namespace weibo {

void MakeFixedWindow(QWidget* window, LayoutSize outer) {
  window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint);
  const LayoutSize client = ClientSizeFor(outer);
  window->setFixedSize(client.width, client.height);
}

void CentreOnScreen(QWidget* window, LayoutSize outer) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  const LayoutRect frame = CentredRect(outer, area.x(), area.y(), area.width(), area.height());
  window->move(frame.left, frame.top);
}

void FirstActivation::Notice(QWidget* window, const QEvent* event,
                             const std::function<void()>* handler) {
  if (noticed_) return;
  if (event->type() != QEvent::WindowActivate && event->type() != QEvent::Paint) return;
  noticed_ = true;
  QMetaObject::invokeMethod(
      window,
      [handler] {
        if (*handler) (*handler)();
      },
      Qt::QueuedConnection);
}

}  // namespace weibo
