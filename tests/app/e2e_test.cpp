// The tool end to end on its real windows (offscreen) against the simulated
// service: the QR sign-in, the main phase listing the signed-in user's
// albums, and a download chosen from the album popup.
#include <gtest/gtest.h>

#include <QDirIterator>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <cstdio>
#include <cstdlib>

#include "albums/album_flows.h"
#include "app/program.h"
#include "app/qt/gbk_text.h"
#include "app/qt/qt_window_ops.h"
#include "qt_test_support.h"
#include "signin/qr_sign_in.h"
#include "tests/common/test_support.h"
#include "tools/weibo-sim/weibo_sim.h"

namespace weibo {
namespace {

int CountFiles(const QString& folder) {
  int count = 0;
  QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
  while (files.hasNext()) {
    files.next();
    ++count;
  }
  return count;
}

TEST(EndToEndTest, SignInListAlbumsAndDownloadOneFromThePopup) {
  TestApplication();
  sim::SimOptions options;
  options.auto_confirm_ms = 300;  // the simulated phone scans and confirms
  sim::WeiboSim service(options);
  ASSERT_TRUE(service.Start()) << service.error();
  QTemporaryDir downloads;
  ASSERT_TRUE(downloads.isValid());

  QtWindowOps windows;
  FakeShell shell(QStringToGbk(downloads.path()));  // downloads in a folder of the test's own
  ProgramParts parts;
  parts.windows = &windows;
  parts.shell = &shell;
  parts.endpoints = service.endpoints();
  parts.flows.qr_sign_in = [](const FlowContext& context) {
    QrSignInPaced(context, SignInPacing{20, 50});
  };
  InstallAlbumFlows(&parts.flows);
  parts.end_process = [](int code) {
    std::fprintf(stderr, "the program ended with %d\n", code);
    std::abort();
  };
  auto program = std::make_unique<Program>(std::move(parts));
  windows.SetEventSink(program.get());
  program->CreateProgramState();

  windows.LoadWindow(WindowId::kSignIn);
  QPointer<SignInWindow> sign_in = windows.SignIn();
  ASSERT_TRUE(ProcessUntil([&] { return windows.Main() != nullptr; }, 15000));
  MainWindow* main = windows.Main();
  QListWidget* albums = main->Albums();
  ASSERT_TRUE(ProcessUntil([&] { return albums->count() > 0 && sign_in.isNull(); }, 15000));
  EXPECT_TRUE(main->windowTitle().endsWith(QString::fromUtf8(" - 微相册")));
  EXPECT_FALSE(windows.IsVisible(WindowId::kSignIn));

  int row = -1;
  for (int i = 0; i < albums->count(); ++i) {
    // 淺 ends in the byte 0x5C in code page 936.
    if (albums->item(i)->text() == QString::fromUtf8("淺草寺與雷門_32张")) row = i;
  }
  ASSERT_GE(row, 0);
  const QPoint on_item = albums->visualItemRect(albums->item(row)).center();
  QCursor::setPos(albums->viewport()->mapToGlobal(on_item));
  QTest::mouseClick(albums->viewport(), Qt::RightButton, {}, on_item);
  QMenu* popup = main->AlbumMenu();
  ASSERT_TRUE(ProcessUntil([&] { return popup->isVisible(); }));
  QAction* high = popup->actions()[1];
  QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(high).center());

  const QString finished = QString::fromUtf8("状态:貌似都已经下载完了");
  ASSERT_TRUE(ProcessUntil([&] { return main->StatusText().startsWith(finished); }, 15000))
      << main->StatusText().toStdString();
  EXPECT_EQ(CountFiles(downloads.path()), 32);

  windows.SetEventSink(nullptr);
  windows.StopStatusUpdates();
  program.reset();
}

}  // namespace
}  // namespace weibo
