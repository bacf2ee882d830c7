// The Qt layer's services: code page 936 conversion, the status text set from
// other threads, event dispatching, and the shell.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <thread>

#include "app/qt/gbk_text.h"
#include "app/qt/qt_shell.h"
#include "app/qt/qt_window_ops.h"
#include "qt_test_support.h"

namespace weibo {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(GbkTextTest, ConvertsBothWays) {
  const Text prompt = "\xC7\xEB\xB4\xF2\xBF\xAA\xA1\xB0\xC9\xA8\xA1\xB1";  // 请打开“扫”
  EXPECT_EQ(GbkToQString(prompt), U("请打开“扫”"));
  EXPECT_EQ(QStringToGbk(U("请打开“扫”")), prompt);
  EXPECT_EQ(QStringToGbk(U("€")), "\x80");
  EXPECT_EQ(GbkToQString("\x9C\x5C"), U("淺"));       // a trail byte of 0x5C
  EXPECT_EQ(QStringToGbk(U("e\u0301")), "\xA8\xA6");  // composed to é first
  EXPECT_EQ(QStringToGbk(U("a😀b")), "a?b");
  EXPECT_EQ(GbkToQString(Text("a\0b", 3)), QString::fromUtf16(u"a\0b", 3));
  EXPECT_EQ(GbkToQString("a\x81"), U("a\uFFFD"));  // a lead byte without its trail byte
}

class StatusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    windows_.LoadWindow(WindowId::kMain);
  }
  QtWindowOps windows_;
};

TEST_F(StatusTest, WorkersSetTheStatusTextThroughTheUserInterfaceThread) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 1; i <= 50; ++i) {
      // 状态:当前已下载 i张!
      windows_.SetStatusText(0, "\xD7\xB4\xCC\xAC:\xB5\xB1\xC7\xB0\xD2\xD1\xCF\xC2\xD4\xD8 " +
                                    std::to_string(i) + "\xD5\xC5!");
    }
    windows_.SetStatusText(1, "ignored");
    done = true;
  });
  // The user-interface thread only dispatches events; each call waits for it.
  while (!done) windows_.ProcessPendingMessages();
  worker.join();
  EXPECT_EQ(windows_.Main()->StatusText(), U("状态:当前已下载 50张!"));

  windows_.SetStatusText(0, "ui");  // on the user-interface thread: at once
  EXPECT_EQ(windows_.Main()->StatusText(), U("ui"));
}

TEST_F(StatusTest, StoppingReleasesAWorkerWhileTheUserInterfaceThreadWaitsForIt) {
  std::atomic<bool> started{false};
  std::thread worker([&] {
    started = true;
    windows_.SetStatusText(0, "late");
  });
  while (!started) std::this_thread::yield();
  // The user-interface thread stops dispatching and waits for the worker: it
  // must not wait for ever.
  windows_.StopStatusUpdates();
  worker.join();
  windows_.ProcessPendingMessages();
  EXPECT_EQ(windows_.Main()->StatusText(), U("状态:请选中相册点击鼠标右键下载"));
  std::thread after([&] { windows_.SetStatusText(0, "after"); });
  after.join();
  windows_.ProcessPendingMessages();
  EXPECT_EQ(windows_.Main()->StatusText(), U("状态:请选中相册点击鼠标右键下载"));
}

TEST(ShellTest, OpensOnlyWebAddressesAndExistingItems) {
  TestApplication();
  QtShell shell;
  for (const char* address : {"file:///etc/passwd", "javascript:alert(1)", "weibo.com/u/1", "http://"}) {
    EXPECT_FALSE(shell.OpenAddress(address)) << address;
  }
  EXPECT_FALSE(shell.ShowItemSelected("/no/such/folder/anywhere"));
}

TEST(ShellTest, RunDirectoryIsTheFirstWritableFolderCodePage936CanSpell) {
  TestApplication();
  QTemporaryDir base;
  ASSERT_TRUE(base.isValid());
  QFile file(base.filePath(QStringLiteral("plain-file")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  const QString thai = base.filePath(U("ภาพ"));
  const QString chinese = base.filePath(U("图片"));
  const Text chosen = QtShell::FirstUsableFolder(
      {QString(), file.fileName(), file.fileName() + "/below", thai, chinese});
  EXPECT_EQ(GbkToQString(chosen), QDir::cleanPath(chinese));
  EXPECT_TRUE(QFileInfo(chinese).isDir());
  EXPECT_FALSE(QFileInfo(thai).exists());
  EXPECT_EQ(QtShell::FirstUsableFolder({QString(), file.fileName()}), "");

  // The tests' own folder can be written, so it is the run directory.
  QtShell shell;
  EXPECT_EQ(GbkToQString(shell.RunDirectory()), QCoreApplication::applicationDirPath());
}

}  // namespace
}  // namespace weibo
