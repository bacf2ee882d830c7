// The commands as the operator reaches them on the real windows: keyboard
// shortcuts, tool bar buttons and the album popup, through the Program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCursor>
#include <QMessageBox>
#include <QToolButton>
#include <QtTest/QTest>
#include <cstdio>
#include <cstdlib>

#include "app/program.h"
#include "app/qt/qt_window_ops.h"
#include "qt_test_support.h"
#include "tests/common/test_support.h"

namespace weibo {
namespace {

using ::testing::ElementsAre;

class CommandsQtTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestApplication();
    windows_ = std::make_unique<QtWindowOps>();
    ProgramParts parts;
    parts.windows = windows_.get();
    parts.shell = &shell_;
    parts.endpoints.main_host = "127.0.0.1:8960";
    parts.endpoints.author_profile_url = "http://127.0.0.1:8960/u/100";
    parts.endpoints.author_forum_url = "http://127.0.0.1:8960/forum/100";
    parts.end_process = [](int code) {
      std::fprintf(stderr, "the program ended with %d\n", code);
      std::abort();
    };
    parts.flows.ask_for_profile = [this](const FlowContext&) { flows_.push_back("ask"); };
    parts.flows.show_downloads = [this](const FlowContext&) { flows_.push_back("show"); };
    parts.flows.download_album = [this](const FlowContext&, const Text& segment) {
      flows_.push_back("download " + segment);
    };
    program_ = std::make_unique<Program>(std::move(parts));
    windows_->SetEventSink(program_.get());
    program_->CreateProgramState();
    windows_->LoadWindow(WindowId::kMain);
    main_ = windows_->Main();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main_));
  }
  void TearDown() override {
    windows_->SetEventSink(nullptr);
    windows_.reset();
    program_.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  void Key(Qt::Key key) { QTest::keyClick(main_, key, Qt::ControlModifier); }
  void Button(int index) {
    auto buttons =
        main_->findChild<QWidget*>(QString::fromUtf8("工具条1"))->findChildren<QToolButton*>();
    QTest::mouseClick(buttons[index], Qt::LeftButton);
  }

  FakeShell shell_;
  std::vector<std::string> flows_;
  std::unique_ptr<QtWindowOps> windows_;
  std::unique_ptr<Program> program_;
  MainWindow* main_ = nullptr;
};

TEST_F(CommandsQtTest, ShortcutsAndButtonsReachTheSameCommands) {
  Key(Qt::Key_F);
  Button(0);
  Key(Qt::Key_E);
  Button(1);
  EXPECT_THAT(flows_, ElementsAre("ask", "ask", "show", "show"));
  Key(Qt::Key_I);
  Button(2);
  EXPECT_THAT(shell_.opened,
              ElementsAre("http://127.0.0.1:8960/u/100", "http://127.0.0.1:8960/u/100"));

  // Ctrl+D is only a text in the popup: it does nothing anywhere.
  Key(Qt::Key_D);
  QTest::keyClick(main_->Albums(), Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(flows_.size(), 4u);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

  // Ctrl+M asks first; No opens nothing.
  QString question;
  WhenModalShown([&](QWidget* modal) {
    question = static_cast<QMessageBox*>(modal)->text();
    QTest::keyClick(modal, Qt::Key_Escape);
  });
  Key(Qt::Key_M);
  EXPECT_EQ(question, QString::fromUtf8("点击是,打开Quorvel 论坛私信我,点击否取消;"));
  EXPECT_EQ(shell_.opened.size(), 2u);
}

TEST_F(CommandsQtTest, RightClickPopsUpTheDownloadMenuOnlyOverASelection) {
  ImageList none;
  windows_->SetLargeIconList(none);
  windows_->AppendItem("a_1\xD5\xC5", 0);
  windows_->AppendItem("b_2\xD5\xC5", 1);
  QListWidget* albums = main_->Albums();
  QWidget* viewport = albums->viewport();

  // On empty space nothing is selected, so no menu.
  const QPoint empty(viewport->width() - 5, viewport->height() - 5);
  QCursor::setPos(viewport->mapToGlobal(empty));
  QTest::mouseClick(viewport, Qt::RightButton, {}, empty);
  EXPECT_EQ(windows_->SelectedIndex(), -1);
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

  // Over an album the press selects it and the menu opens by the pointer.
  const QPoint on_item = albums->visualItemRect(albums->item(1)).center();
  QCursor::setPos(viewport->mapToGlobal(on_item));
  QTest::mouseClick(viewport, Qt::RightButton, {}, on_item);
  EXPECT_EQ(windows_->SelectedIndex(), 1);
  QMenu* popup = main_->AlbumMenu();
  ASSERT_TRUE(ProcessUntil([&] { return popup->isVisible(); }));
  EXPECT_EQ(popup->pos(), QCursor::pos() + QPoint(3, 3));
  popup->close();  // the end-to-end test picks an item

  // While a download is being queued the group is disabled: no menu.
  windows_->SetDisabled(Control::kAlbumMenu, true);
  QTest::mouseClick(viewport, Qt::RightButton, {}, on_item);
  EXPECT_FALSE(popup->isVisible());
}

}  // namespace
}  // namespace weibo
