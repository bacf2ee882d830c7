#include "qt_test_support.h"

#include <QDeadlineTimer>
#include <QTest>

namespace weibo {
namespace {

const char* Name(WindowId window) { return window == WindowId::kMain ? "main" : "sign-in"; }

}  // namespace

QApplication* TestApplication() {
  static int argc = 1;
  static char name[] = "app_qt_test";
  static char* argv[] = {name, nullptr};
  static QApplication* application = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    auto* created = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return created;
  }();
  return application;
}

void EventLog::OnFirstActivation(WindowId window) {
  events.push_back(std::string("activated ") + Name(window));
}
void EventLog::OnClosing(WindowId window) {
  events.push_back(std::string("closing ") + Name(window));
}
void EventLog::OnToolButton(int index) { events.push_back("tool " + std::to_string(index)); }
void EventLog::OnMenuItem(MenuItem item) {
  events.push_back("menu " + std::to_string(static_cast<int>(item)));
}
void EventLog::OnAlbumViewRightClick() { events.push_back("right-click"); }

void WhenModalShown(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer();
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(modal);
  });
  timer->start();
}

bool ProcessUntil(const std::function<bool()>& done, int limit_ms) {
  QDeadlineTimer deadline(limit_ms);
  while (!done() && !deadline.hasExpired()) QTest::qWait(2);
  return done();
}

}  // namespace weibo
