// The two windows as they are built: sizes, positions, controls, texts,
// menus, the tool bar's pictures, and the events they report.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QMenuBar>
#include <QScreen>
#include <QSet>
#include <QStatusBar>
#include <QToolButton>
#include <QtTest/QTest>

#include "app/qt/qt_window_ops.h"
#include "app/qt/tool_icons.h"
#include "app/window_texts.h"
#include "qt_test_support.h"

namespace weibo {
namespace {

using ::testing::ElementsAre;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

QPoint CentredPosition(int outer_width, int outer_height) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  return QPoint(area.x() + (area.width() - outer_width) / 2,
                area.y() + (area.height() - outer_height) / 2);
}

void ExpectFixedWindow(QWidget* window, int outer_width, int outer_height) {
  // The outer size less a 3-pixel border and a 28-pixel caption.
  EXPECT_EQ(window->size(), QSize(outer_width - 6, outer_height - 31));
  EXPECT_EQ(window->minimumSize(), window->maximumSize());
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_EQ(window->pos(), CentredPosition(outer_width, outer_height));
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

TEST_F(WindowsTest, SignInWindowLayoutAndTexts) {
  ops_->LoadWindow(WindowId::kSignIn);
  SignInWindow* window = ops_->SignIn();
  ASSERT_NE(window, nullptr);
  ExpectFixedWindow(window, 300, 400);
  EXPECT_EQ(window->windowTitle(), U("微博扫一扫登录"));
  EXPECT_EQ(ops_->Title(WindowId::kSignIn), kSignInTitle);
  EXPECT_EQ(window->palette().color(QPalette::Window), window->palette().color(QPalette::Button));

  auto* picture = window->findChild<QLabel*>(U("图片框1"));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->geometry(), QRect(60, 76, 182, 182));
  EXPECT_EQ(picture->contentsRect().size(), QSize(180, 180));
  EXPECT_TRUE(picture->pixmap().isNull());

  auto* label = window->findChild<QLabel*>(U("标签1"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->geometry(), QRect(25, 280, 250, 24));
  EXPECT_EQ(label->text(), U("请打开微博客户端“扫一扫”"));
  EXPECT_FALSE(label->wordWrap());
  EXPECT_EQ(label->alignment(), Qt::AlignLeft | Qt::AlignVCenter);

  // Texts come in as code page 936; markup is shown as it stands.
  ops_->SetLabelText("\xB5\xC7\xC2\xBC<b>ok</b>");  // 登录<b>ok</b>
  EXPECT_EQ(label->text(), U("登录<b>ok</b>"));
}

TEST_F(WindowsTest, PictureBoxShowsSmallPicturesAsTheyAreAndShrinksLargeOnes) {
  ops_->LoadWindow(WindowId::kSignIn);
  auto* picture = ops_->SignIn()->findChild<QLabel*>(U("图片框1"));
  auto bmp = [](int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return ByteArray(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  };
  ops_->SetPicture(bmp(180, 180));
  EXPECT_EQ(picture->pixmap().size(), QSize(180, 180));
  ops_->SetPicture(bmp(100, 60));
  EXPECT_EQ(picture->pixmap().size(), QSize(100, 60));
  ops_->SetPicture(bmp(400, 200));
  EXPECT_EQ(picture->pixmap().size(), QSize(180, 90));
  ops_->SetPicture("not a picture");
  EXPECT_TRUE(picture->pixmap().isNull());
}

TEST_F(WindowsTest, MainWindowLayoutAndTexts) {
  ops_->LoadWindow(WindowId::kMain);
  MainWindow* window = ops_->Main();
  ASSERT_NE(window, nullptr);
  ExpectFixedWindow(window, 665, 560);
  EXPECT_EQ(window->windowTitle(), QString());
  EXPECT_EQ(ops_->Title(WindowId::kMain), "");
  EXPECT_EQ(window->centralWidget()->palette().color(QPalette::Window), QColor(Qt::white));

  auto* band = window->findChild<QWidget*>(U("外形框1"));
  ASSERT_NE(band, nullptr);
  EXPECT_EQ(band->parentWidget(), window->centralWidget());
  EXPECT_EQ(band->geometry(), QRect(-1, 0, 744, 43));
  auto* bar = band->findChild<QWidget*>(U("工具条1"));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->geometry(), QRect(8, 8, 604, 30));

  auto* albums = window->findChild<QListWidget*>(U("超级列表框1"));
  ASSERT_NE(albums, nullptr);
  EXPECT_EQ(albums->parentWidget(), window->centralWidget());
  EXPECT_EQ(albums->geometry(), QRect(10, 55, 640, 424));
  EXPECT_EQ(albums->viewMode(), QListView::IconMode);
  EXPECT_EQ(albums->iconSize(), QSize(150, 150));
  EXPECT_TRUE(albums->wordWrap());
  EXPECT_EQ(albums->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(albums->frameShadow(), QFrame::Sunken);
  EXPECT_EQ(albums->count(), 0);
  EXPECT_EQ(ops_->SelectedIndex(), -1);

  // The status bar runs along the bottom over the whole width, one part.
  auto* status = window->findChild<QStatusBar*>(U("状态条1"));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->geometry(), QRect(0, window->height() - 20, window->width(), 20));
  EXPECT_EQ(window->StatusText(), U("状态:请选中相册点击鼠标右键下载"));
  auto parts = status->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly);
  ASSERT_EQ(parts.size(), 1);
  EXPECT_LE(parts[0]->geometry().left(), 4);
  EXPECT_GE(parts[0]->geometry().right(), status->width() - 5);
  EXPECT_GE(albums->geometry().bottom(), 55 + 424 - 1);
  EXPECT_LT(albums->mapTo(window, QPoint(0, albums->height())).y(), status->y());
}

TEST_F(WindowsTest, ToolBarHasThreeFlatButtonsWithTheirPictures) {
  ops_->LoadWindow(WindowId::kMain);
  auto* bar = ops_->Main()->findChild<QWidget*>(U("工具条1"));
  const auto buttons = bar->findChildren<QToolButton*>();
  ASSERT_EQ(buttons.size(), 3);
  const QString captions[] = {U(" 开始分析 "), U(" 查看下载 "), U(" 关于作者 ")};
  const int pictures[] = {2, 1, 3};
  int right = 0;
  for (int i = 0; i < 3; ++i) {
    QToolButton* button = buttons[i];
    EXPECT_EQ(button->text(), captions[i]);
    EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    EXPECT_TRUE(button->autoRaise());
    EXPECT_EQ(button->iconSize(), QSize(30, 30));
    EXPECT_EQ(button->y(), 0);
    EXPECT_EQ(button->x(), i == 0 ? 10 : right);
    EXPECT_EQ(button->icon().pixmap(30, 30).toImage(), ToolPicture(pictures[i]).toImage());
    right = button->geometry().right() + 1;
  }
  EXPECT_LE(right, 604);  // one row

  // Five real pictures: each has transparent corners, many colours, and
  // differs from the others.
  QSet<QByteArray> distinct;
  for (int i = 0; i < 5; ++i) {
    const QImage image = ToolPicture(i).toImage();
    ASSERT_EQ(image.size(), QSize(30, 30));
    EXPECT_TRUE(image.hasAlphaChannel());
    EXPECT_EQ(qAlpha(image.pixel(0, 29)), 0) << i;
    QSet<QRgb> colours;
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 30; ++x) colours.insert(image.pixel(x, y));
    }
    EXPECT_GT(colours.size(), 20) << i;
    distinct.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()),
                               static_cast<int>(image.sizeInBytes())));
  }
  EXPECT_EQ(distinct.size(), 5);
  EXPECT_TRUE(ToolPicture(5).isNull());
}

TEST_F(WindowsTest, MenusShowTheirShortcutsAndThePopupGroupIsHidden) {
  ops_->LoadWindow(WindowId::kMain);
  MainWindow* window = ops_->Main();
  const auto groups = window->menuBar()->actions();
  ASSERT_EQ(groups.size(), 2);
  EXPECT_EQ(groups[0]->text(), U("操作"));
  EXPECT_EQ(groups[1]->text(), U("帮助"));

  auto items = [](QAction* group) {
    std::vector<std::pair<QString, QString>> listed;
    for (QAction* item : group->menu()->actions()) {
      listed.emplace_back(item->text(), item->shortcut().toString());
    }
    return listed;
  };
  using Listed = std::vector<std::pair<QString, QString>>;
  EXPECT_EQ(items(groups[0]), (Listed{{U("开始分析\tCtrl+F"), "Ctrl+F"},
                                      {U("查看下载\tCtrl+E"), "Ctrl+E"},
                                      {U("关于作者\tCtrl+I"), "Ctrl+I"}}));
  EXPECT_EQ(items(groups[1]),
            (Listed{{U("使用帮助\tCtrl+H"), "Ctrl+H"}, {U("问题反馈\tCtrl+M"), "Ctrl+M"}}));

  QMenu* popup = window->AlbumMenu();
  EXPECT_EQ(popup->title(), U("右键"));
  for (QAction* group : groups) EXPECT_NE(group->menu(), popup);
  QStringList texts;
  for (QAction* item : popup->actions()) {
    texts << item->text();
    EXPECT_TRUE(item->shortcut().isEmpty());
  }
  EXPECT_EQ(texts, (QStringList{U("下载选中_超清"), U("下载选中_高清"), U("下载选中_标清"),
                                U("下载选中_原画\tCtrl+D")}));
}

TEST_F(WindowsTest, EventsReachTheSinkAndDestroyingDoesNotClose) {
  ops_->LoadWindow(WindowId::kSignIn);
  ASSERT_TRUE(ProcessUntil([&] { return !log_.events.empty(); }));
  ops_->SetVisible(WindowId::kSignIn, false);
  EXPECT_FALSE(ops_->IsVisible(WindowId::kSignIn));
  ops_->SetVisible(WindowId::kSignIn, true);
  EXPECT_TRUE(ops_->IsVisible(WindowId::kSignIn));
  ops_->SignIn()->close();  // the operator closes it
  EXPECT_THAT(log_.events, ElementsAre("activated sign-in", "closing sign-in"));

  log_.events.clear();
  ops_->LoadWindow(WindowId::kMain);
  ASSERT_TRUE(ProcessUntil([&] { return !log_.events.empty(); }));
  QPointer<MainWindow> first = ops_->Main();
  ops_->SetTitle(WindowId::kMain, "abc - \xCE\xA2\xCF\xE0\xB2\xE1");  // abc - 微相册
  EXPECT_EQ(first->windowTitle(), U("abc - 微相册"));
  ops_->DestroyWindow(WindowId::kMain);
  EXPECT_FALSE(ops_->IsVisible(WindowId::kMain));
  EXPECT_EQ(ops_->Title(WindowId::kMain), "");
  ASSERT_TRUE(ProcessUntil([&] { return first.isNull(); }));
  EXPECT_THAT(log_.events, ElementsAre("activated main"));

  // Loading it again makes a new window with its own first activation.
  ops_->LoadWindow(WindowId::kMain);
  ASSERT_TRUE(ProcessUntil([&] { return log_.events.size() == 2; }));
  EXPECT_EQ(log_.events.back(), "activated main");
}

TEST_F(WindowsTest, AlbumViewItemsIconsAndSelection) {
  ops_->LoadWindow(WindowId::kMain);
  QImage cover(300, 100, QImage::Format_RGB32);
  cover.fill(Qt::red);
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  cover.save(&buffer, "JPEG");
  ImageList list;
  list.pictures = {ByteArray(jpeg.constData(), static_cast<std::size_t>(jpeg.size())), "broken"};
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
  albums->setCurrentRow(1);
  EXPECT_EQ(ops_->SelectedIndex(), 1);
  albums->setCurrentRow(2);
  EXPECT_EQ(ops_->SelectedIndex(), 2);  // one at a time
  ops_->ClearItems();
  EXPECT_EQ(albums->count(), 0);
  EXPECT_EQ(ops_->SelectedIndex(), -1);
}

}  // namespace
}  // namespace weibo
