// The Qt layer: the two windows and the dialogs as they are built (texts,
// menus, the tool bar's pictures, the album view, the events they report,
// what the dialogs return), code page 936 conversion, the status text set
// from other threads, and the shell.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QToolButton>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <algorithm>
#include <atomic>
#include <thread>

#include "app/qt/gbk_text.h"
#include "app/qt/input_box.h"
#include "app/qt/message_box.h"
#include "app/qt/qt_shell.h"
#include "app/qt/qt_window_ops.h"
#include "app/qt/tool_icons.h"
#include "app/window_texts.h"
#include "qt_test_support.h"

namespace weibo {
namespace {

using ::testing::ElementsAre;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

ByteArray Encoded(int width, int height, QColor colour, const char* format) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return ByteArray(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// A window of one size that cannot be maximised.
void ExpectFixedWindow(QWidget* window) {
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
}

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    ops_ = std::make_unique<QtWindowOps>();
    ops_->SetEventSink(&log_);
  }
  void TearDown() override {
    ops_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  EventLog log_;
  std::unique_ptr<QtWindowOps> ops_;
};

TEST_F(WindowsTest, SignInWindowTextsAndPictureBox) {
  ops_->LoadWindow(WindowId::kSignIn);
  SignInWindow* window = ops_->SignIn();
  ASSERT_NE(window, nullptr);
  ExpectFixedWindow(window);
  EXPECT_EQ(window->windowTitle(), U("微博扫一扫登录"));
  EXPECT_EQ(ops_->Title(WindowId::kSignIn), kSignInTitle);
  auto* label = window->findChild<QLabel*>(U("标签1"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), U("请打开微博客户端“扫一扫”"));
  // Texts come in as code page 936; markup is shown as it stands.
  ops_->SetLabelText("\xB5\xC7\xC2\xBC<b>ok</b>");  // 登录<b>ok</b>
  EXPECT_EQ(label->text(), U("登录<b>ok</b>"));

  // Pictures fill the box, keeping their proportions.
  auto* picture = window->findChild<QLabel*>(U("图片框1"));
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(picture->pixmap().isNull());
  ops_->SetPicture(Encoded(100, 60, Qt::darkGreen, "BMP"));
  EXPECT_EQ(picture->pixmap().size(), QSize(180, 108));
  ops_->SetPicture(Encoded(400, 200, Qt::darkGreen, "BMP"));
  EXPECT_EQ(picture->pixmap().size(), QSize(180, 90));
  ops_->SetPicture("not a picture");
  EXPECT_TRUE(picture->pixmap().isNull());
}

// Handling the waiting events draws a new label text at once: the sign-in
// relies on it to show its success text before the login blocks the window.
TEST_F(WindowsTest, ProcessingPendingMessagesDrawsTheLabel) {
  struct PaintCount : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      paints += event->type() == QEvent::Paint ? 1 : 0;
      return false;
    }
  } counter;
  ops_->LoadWindow(WindowId::kSignIn);
  ASSERT_TRUE(ProcessUntil([&] { return !log_.events.empty(); }));
  auto* label = ops_->SignIn()->findChild<QLabel*>(U("标签1"));
  ASSERT_NE(label, nullptr);
  label->installEventFilter(&counter);
  ops_->SetLabelText(kSignInTitle);
  EXPECT_EQ(counter.paints, 0);
  ops_->ProcessPendingMessages();
  EXPECT_GE(counter.paints, 1);
  label->removeEventFilter(&counter);
}

TEST_F(WindowsTest, MainWindowTextsMenusAndToolBar) {
  ops_->LoadWindow(WindowId::kMain);
  MainWindow* window = ops_->Main();
  ASSERT_NE(window, nullptr);
  ExpectFixedWindow(window);
  // The title is empty, and so is the caption: Qt would show the program's
  // name for an empty one, so it gets a blank one instead.
  EXPECT_EQ(ops_->Title(WindowId::kMain), "");
  EXPECT_FALSE(window->windowTitle().isEmpty());
  EXPECT_TRUE(window->windowTitle().trimmed().isEmpty());
  EXPECT_EQ(window->StatusText(), U("状态:请选中相册点击鼠标右键下载"));

  const auto groups = window->menuBar()->actions();
  ASSERT_EQ(groups.size(), 2);
  EXPECT_EQ(groups[0]->text(), U("操作"));
  EXPECT_EQ(groups[1]->text(), U("帮助"));
  QStringList items;
  for (QAction* group : groups) {
    for (QAction* item : group->menu()->actions()) items << item->text() + " " + item->shortcut().toString();
  }
  EXPECT_EQ(items, (QStringList{U("开始分析\tCtrl+F Ctrl+F"), U("查看下载\tCtrl+E Ctrl+E"),
                                U("关于作者\tCtrl+I Ctrl+I"), U(" "), U("下载全部相册 "),
                                U("停止下载\tEsc Esc"), U(" "), U("退出登录 "),
                                U("使用帮助\tCtrl+H Ctrl+H"),
                                U("问题反馈\tCtrl+M Ctrl+M")}));
  // The stop is enabled only while something downloads; the whole-account
  // submenu offers the four sizes, in the popup too.
  EXPECT_FALSE(window->StopAction()->isEnabled());
  ops_->SetDisabled(Control::kStopCommand, false);
  EXPECT_TRUE(window->StopAction()->isEnabled());
  const QStringList sizes{U("超清"), U("高清"), U("标清"), U("原画")};
  QStringList all_sizes;
  for (QAction* item : groups[0]->menu()->actions()[4]->menu()->actions()) all_sizes << item->text();
  EXPECT_EQ(all_sizes, sizes);
  QStringList popup_sizes;
  for (QAction* item : window->AlbumMenu()->actions()[5]->menu()->actions()) {
    popup_sizes << item->text();
  }
  EXPECT_EQ(popup_sizes, sizes);
  // The popup is no menu of the bar, and its Ctrl+D is only a text.
  QMenu* popup = window->AlbumMenu();
  EXPECT_EQ(popup->title(), U("右键"));
  for (QAction* group : groups) EXPECT_NE(group->menu(), popup);
  QStringList texts;
  for (QAction* item : popup->actions()) texts << item->text() + item->shortcut().toString();
  EXPECT_EQ(texts, (QStringList{U("下载选中_超清"), U("下载选中_高清"), U("下载选中_标清"),
                                U("下载选中_原画\tCtrl+D"), U(""), U("下载全部相册")}));

  // Three flat buttons with their captions and pictures.
  const auto buttons = window->findChild<QWidget*>(U("工具条1"))->findChildren<QToolButton*>();
  ASSERT_EQ(buttons.size(), 3);
  const QString captions[] = {U(" 开始分析 "), U(" 查看下载 "), U(" 关于作者 ")};
  const int pictures[] = {2, 1, 3};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(buttons[i]->text(), captions[i]);
    EXPECT_EQ(buttons[i]->icon().pixmap(30, 30).toImage(), ToolPicture(pictures[i]).toImage());
  }
  // Five real pictures, each different from the others.
  QSet<QByteArray> distinct;
  for (int i = 0; i < 5; ++i) {
    const QImage image = ToolPicture(i).toImage();
    distinct.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()),
                               static_cast<int>(image.sizeInBytes())));
  }
  EXPECT_EQ(distinct.size(), 5);
}

TEST_F(WindowsTest, EventsReachTheSinkAndDestroyingDoesNotClose) {
  ops_->LoadWindow(WindowId::kSignIn);
  ASSERT_TRUE(ProcessUntil([&] { return !log_.events.empty(); }));
  ops_->SignIn()->close();  // the operator closes it
  EXPECT_THAT(log_.events, ElementsAre("activated sign-in", "closing sign-in"));

  log_.events.clear();
  ops_->LoadWindow(WindowId::kMain);
  ASSERT_TRUE(ProcessUntil([&] { return !log_.events.empty(); }));
  QPointer<MainWindow> first = ops_->Main();
  ops_->SetTitle(WindowId::kMain, "abc - \xCE\xA2\xCF\xE0\xB2\xE1");  // abc - 微相册
  EXPECT_EQ(first->windowTitle(), U("abc - 微相册"));
  ops_->SetTitle(WindowId::kMain, "");
  EXPECT_EQ(ops_->Title(WindowId::kMain), "");
  EXPECT_FALSE(first->windowTitle().isEmpty());
  EXPECT_TRUE(first->windowTitle().trimmed().isEmpty());
  ops_->DestroyWindow(WindowId::kMain);
  EXPECT_FALSE(ops_->IsVisible(WindowId::kMain));
  ASSERT_TRUE(ProcessUntil([&] { return first.isNull(); }));
  EXPECT_THAT(log_.events, ElementsAre("activated main"));

  // Loading it again makes a new window with its own first activation.
  ops_->LoadWindow(WindowId::kMain);
  ASSERT_TRUE(ProcessUntil([&] { return log_.events.size() == 2; }));
  EXPECT_EQ(log_.events.back(), "activated main");
}

TEST_F(WindowsTest, AlbumViewItemsIconsAndSelection) {
  ops_->LoadWindow(WindowId::kMain);
  ImageList list;
  list.pictures = {Encoded(300, 100, Qt::red, "JPEG"), "broken"};
  ops_->SetLargeIconList(list);
  EXPECT_EQ(ops_->AppendItem("abc_100\xD5\xC5", 0), 0);  // abc_100张
  EXPECT_EQ(ops_->AppendItem("x_0\xD5\xC5", 1), 1);
  EXPECT_EQ(ops_->AppendItem("y", 7), 2);

  QListWidget* albums = ops_->Main()->Albums();
  EXPECT_EQ(albums->item(0)->text(), U("abc_100张"));
  const QImage icon = albums->item(0)->icon().pixmap(150, 150).toImage();
  ASSERT_EQ(icon.size(), QSize(150, 150));
  EXPECT_EQ(qAlpha(icon.pixel(75, 5)), 0);  // fitted: 150 x 50 in the middle
  EXPECT_GT(QColor(icon.pixel(75, 75)).red(), 200);
  EXPECT_FALSE(albums->item(1)->icon().isNull());  // the stand-in
  EXPECT_TRUE(albums->item(2)->icon().isNull());

  EXPECT_EQ(ops_->SelectedIndex(), -1);
  albums->setCurrentRow(2);
  EXPECT_EQ(ops_->SelectedIndex(), 2);
  ops_->ClearItems();
  EXPECT_EQ(albums->count(), 0);
  EXPECT_EQ(ops_->SelectedIndex(), -1);

  // A cover decoded ahead by a lookup worker, shown by two albums: both get
  // the picture, not the stand-in.
  const ByteArray green = Encoded(150, 150, Qt::green, "PNG");
  ops_->PrepareLargeIcon(green);
  list.pictures = {green, Encoded(300, 100, Qt::red, "JPEG"), green};
  ops_->SetLargeIconList(list);
  for (int k = 0; k < 3; ++k) ops_->AppendItem("album", k);
  for (int k : {0, 2}) {
    const QImage shown = albums->item(k)->icon().pixmap(150, 150).toImage();
    EXPECT_GT(QColor(shown.pixel(75, 75)).green(), 200) << k;
    EXPECT_LT(QColor(shown.pixel(75, 75)).red(), 50) << k;
  }
}

TEST_F(WindowsTest, ANewListStartsAtTheTop) {
  ops_->LoadWindow(WindowId::kMain);
  QListWidget* albums = ops_->Main()->Albums();
  auto fill = [&](const char* prefix) {
    ops_->ClearItems();
    ImageList list;
    list.pictures = {Encoded(150, 150, Qt::blue, "JPEG")};
    ops_->SetLargeIconList(list);
    for (int i = 0; i < 64; ++i) ops_->AppendItem(prefix + std::to_string(i), 0);
    QCoreApplication::processEvents();  // lays the items out
  };
  fill("first ");
  QScrollBar* bar = albums->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);
  bar->setValue(bar->maximum());
  QCoreApplication::processEvents();
  ASSERT_FALSE(albums->viewport()->rect().intersects(albums->visualItemRect(albums->item(0))));

  fill("second ");
  EXPECT_EQ(bar->value(), 0);
  EXPECT_TRUE(albums->viewport()->rect().contains(albums->visualItemRect(albums->item(0))));
}

// Chosen with the keyboard while the command greys the group out and in
// again, as the download commands do: each popup still opens with no item
// highlighted, so two steps down always reach the second item.
TEST_F(WindowsTest, PopupOpensWithNoItemHighlighted) {
  struct DownloadLike : EventLog {
    QtWindowOps* ops = nullptr;
    void OnMenuItem(MenuItem item) override {
      EventLog::OnMenuItem(item);
      ops->SetDisabled(Control::kAlbumMenu, true);
      ops->SetDisabled(Control::kAlbumMenu, false);
    }
  } sink;
  sink.ops = ops_.get();
  ops_->SetEventSink(&sink);
  ops_->LoadWindow(WindowId::kMain);
  QMenu* popup = ops_->Main()->AlbumMenu();
  for (int round = 0; round < 3; ++round) {
    ops_->PopupAlbumMenu();
    ASSERT_TRUE(ProcessUntil([&] { return popup->isVisible(); }));
    EXPECT_EQ(popup->activeAction(), nullptr) << round;
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    ASSERT_TRUE(ProcessUntil([&] { return !popup->isVisible(); }));
  }
  const std::string high = "menu " + std::to_string(static_cast<int>(MenuItem::kDownloadHigh));
  EXPECT_EQ(std::count(sink.events.begin(), sink.events.end(), high), 3);
}

QStringList Captions(QMessageBox* box) {
  QStringList captions;
  for (QAbstractButton* button : box->buttons()) captions << button->text();
  captions.sort();
  return captions;
}

TEST(DialogsTest, InputBoxTextsAndResults) {
  TestApplication();
  InputBoxDialog dialog(nullptr, U("请输入用户主页地址,如:"), U("t"), U("weibo.com/u/1"));
  EXPECT_EQ(dialog.Prompt()->text(), U("请输入用户主页地址,如:"));
  EXPECT_EQ(dialog.Field()->text(), U("weibo.com/u/1"));
  EXPECT_EQ(dialog.OkButton()->text(), U("确认输入(&O)"));
  EXPECT_EQ(dialog.CancelButton()->text(), U("取消(&C)"));
  EXPECT_EQ(InputBoxDialog(nullptr, QString(), U("标题"), QString()).windowTitle(), U("标题"));

  // The edited text comes back only when confirmed.
  QtWindowOps windows;
  Text entered = "unchanged";
  QString seen_title;
  WhenModalShown([&seen_title](QWidget* modal) {
    auto* dialog = static_cast<InputBoxDialog*>(modal);
    seen_title = dialog->windowTitle();
    dialog->Field()->setText(U("weibo.com/u/张三"));
    QTest::keyClick(dialog->Field(), Qt::Key_Return);  // the default button
  });
  EXPECT_TRUE(windows.InputBox("prompt", "", "initial", &entered));
  EXPECT_EQ(seen_title, U("请输入："));  // the default title
  EXPECT_EQ(entered, "weibo.com/u/\xD5\xC5\xC8\xFD");
  WhenModalShown([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  EXPECT_FALSE(windows.InputBox("prompt", "", "initial", &entered));
  EXPECT_EQ(entered, "weibo.com/u/\xD5\xC5\xC8\xFD");
  // The field starts with the caller's text, which comes back untouched.
  WhenModalShown([](QWidget* modal) { static_cast<InputBoxDialog*>(modal)->OkButton()->click(); });
  EXPECT_TRUE(windows.InputBox("p", "t", "\xB5\xC7\xC2\xBC x", &entered));  // 登录 x
  EXPECT_EQ(entered, "\xB5\xC7\xC2\xBC x");
}

TEST(DialogsTest, MessageBoxButtonsIconsTitlesAndResults) {
  TestApplication();
  auto box = MakeMessageBox(nullptr, U("text"), U("t"), kMbYesNo | kMbIconInformation);
  EXPECT_EQ(box->icon(), QMessageBox::Information);
  EXPECT_EQ(Captions(box.get()), (QStringList{U("否(&N)"), U("是(&Y)")}));
  auto error = MakeMessageBox(nullptr, U("x"), U("erro"), kMbIconError);
  EXPECT_EQ(error->windowTitle(), U("erro"));
  EXPECT_EQ(error->icon(), QMessageBox::Critical);
  EXPECT_EQ(Captions(error.get()), QStringList{U("确定")});

  QtWindowOps windows;
  QString seen_title;
  WhenModalShown([&seen_title](QWidget* modal) {
    seen_title = modal->windowTitle();
    QTest::keyClick(modal, Qt::Key_Return);
  });
  EXPECT_EQ(windows.MessageBox("\xB4\xED", "", kMbYesNo | kMbDefaultButton2), kIdNo);
  EXPECT_EQ(seen_title, U("信息："));  // the default title
  WhenModalShown([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  EXPECT_EQ(windows.MessageBox("x", "", kMbOkCancel), kIdCancel);
}

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

TEST_F(StatusTest, PostedCallsRunInOrderOnTheUserInterfaceThreadUntilStopped) {
  std::vector<int> ran;  // touched only by the user-interface thread
  const std::thread::id ui_thread = std::this_thread::get_id();
  std::atomic<bool> all_on_ui{true};
  std::thread worker([&] {
    for (int i = 0; i < 20; ++i) {
      windows_.PostToUiThread([&, i] {
        if (std::this_thread::get_id() != ui_thread) all_on_ui = false;
        ran.push_back(i);
      });
    }
  });
  worker.join();  // posting never waits for the user-interface thread
  EXPECT_TRUE(ran.empty());
  windows_.ProcessPendingMessages();
  ASSERT_EQ(ran.size(), 20U);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(ran[i], i);
  EXPECT_TRUE(all_on_ui);

  windows_.PostToUiThread([&] { ran.push_back(-1); });
  windows_.StopStatusUpdates();
  windows_.PostToUiThread([&] { ran.push_back(-2); });
  windows_.ProcessPendingMessages();
  EXPECT_EQ(ran.size(), 20U);
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

TEST(ShellTest, KnownFoldersAreAbsoluteAndSpelledInCodePage936) {
  TestApplication();
  const QString thai = QDir::tempPath() + U("/ภาพ");
  const QString chinese = QDir::tempPath() + U("/图片");
  EXPECT_EQ(GbkToQString(QtShell::SpellFolder(chinese).path), QDir::cleanPath(chinese));
  const FolderSpelling unspelled = QtShell::SpellFolder(thai);
  EXPECT_EQ(unspelled.path, "");
  EXPECT_EQ(GbkToQString(unspelled.shown), QDir::cleanPath(QDir::tempPath() + "/???"));
  // A relative folder is made absolute: downloads never depend on the
  // working folder.
  EXPECT_EQ(GbkToQString(QtShell::SpellFolder(QStringLiteral("pictures/")).path),
            QDir::current().absoluteFilePath(QStringLiteral("pictures")));
  EXPECT_EQ(QtShell::SpellFolder(QString()).shown, "");
  EXPECT_FALSE(QFileInfo::exists(chinese));  // locating creates nothing

  QtShell shell;
  EXPECT_EQ(GbkToQString(shell.LocateFolder(KnownFolder::kProgram).path),
            QCoreApplication::applicationDirPath());
  EXPECT_EQ(GbkToQString(shell.LocateFolder(KnownFolder::kHome).path), QDir::homePath());
}

}  // namespace
}  // namespace weibo
