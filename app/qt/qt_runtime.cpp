#include "app/qt/qt_runtime.h"

#include "app/qt/tool_icons.h"

namespace weibo {

QtRuntime::QtRuntime(int& argc, char** argv)
    : application_(std::make_unique<QApplication>(argc, argv)) {
  QApplication::setApplicationName(QStringLiteral("weibo-album-downloader"));
  QApplication::setDesktopFileName(QStringLiteral("weibo-album-downloader"));
  QApplication::setWindowIcon(ApplicationIcon());
  // The program ends when its windows' handlers say so, not when the last
  // window closes: the sign-in window is hidden before the main window opens.
  QApplication::setQuitOnLastWindowClosed(false);
}

QtRuntime::~QtRuntime() = default;

int QtRuntime::RunMessageLoop() { return QApplication::exec(); }

}  // namespace weibo
