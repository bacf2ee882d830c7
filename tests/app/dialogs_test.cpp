// The input box and the message box: texts, and what they return.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest/QTest>

#include "app/qt/input_box.h"
#include "app/qt/message_box.h"
#include "app/qt/qt_window_ops.h"
#include "qt_test_support.h"

namespace weibo {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

QStringList Captions(QMessageBox* box) {
  QStringList captions;
  for (QAbstractButton* button : box->buttons()) captions << button->text();
  captions.sort();
  return captions;
}

TEST(DialogsTest, InputBoxTextsAndResults) {
  TestApplication();
  InputBoxDialog dialog(nullptr, U("请输入用户主页地址,如:"), QString(), U("weibo.com/u/1"));
  EXPECT_EQ(dialog.windowTitle(), U("请输入："));
  EXPECT_EQ(dialog.Prompt()->text(), U("请输入用户主页地址,如:"));
  EXPECT_EQ(dialog.Field()->text(), U("weibo.com/u/1"));
  EXPECT_EQ(dialog.OkButton()->text(), U("确认输入(&O)"));
  EXPECT_EQ(dialog.CancelButton()->text(), U("取消(&C)"));
  EXPECT_EQ(InputBoxDialog(nullptr, QString(), U("标题"), QString()).windowTitle(), U("标题"));

  // The edited text comes back only when confirmed.
  QtWindowOps windows;
  Text entered = "unchanged";
  WhenModalShown([](QWidget* modal) {
    auto* dialog = static_cast<InputBoxDialog*>(modal);
    dialog->Field()->setText(U("weibo.com/u/张三"));
    QTest::keyClick(dialog->Field(), Qt::Key_Return);  // the default button
  });
  EXPECT_TRUE(windows.InputBox("prompt", "", "initial", &entered));
  EXPECT_EQ(entered, "weibo.com/u/\xD5\xC5\xC8\xFD");
  WhenModalShown([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  EXPECT_FALSE(windows.InputBox("prompt", "", "initial", &entered));
  WhenModalShown([](QWidget* modal) { modal->close(); });
  EXPECT_FALSE(windows.InputBox("prompt", "", "initial", &entered));
  EXPECT_EQ(entered, "weibo.com/u/\xD5\xC5\xC8\xFD");
  // The field starts with the caller's text, which comes back untouched.
  WhenModalShown([](QWidget* modal) { static_cast<InputBoxDialog*>(modal)->OkButton()->click(); });
  EXPECT_TRUE(windows.InputBox("p", "t", "\xB5\xC7\xC2\xBC x", &entered));  // 登录 x
  EXPECT_EQ(entered, "\xB5\xC7\xC2\xBC x");
}

TEST(DialogsTest, MessageBoxButtonsIconsTitlesAndResults) {
  TestApplication();
  auto box = MakeMessageBox(nullptr, U("text"), QString(), kMbYesNo | kMbIconInformation);
  EXPECT_EQ(box->windowTitle(), U("信息："));
  EXPECT_EQ(box->icon(), QMessageBox::Information);
  EXPECT_EQ(Captions(box.get()), (QStringList{U("否(&N)"), U("是(&Y)")}));
  EXPECT_EQ(box->escapeButton()->text(), U("否(&N)"));
  auto error = MakeMessageBox(nullptr, U("x"), U("erro"), kMbIconError);
  EXPECT_EQ(error->windowTitle(), U("erro"));
  EXPECT_EQ(error->icon(), QMessageBox::Critical);
  EXPECT_EQ(Captions(error.get()), QStringList{U("确定")});

  QtWindowOps windows;
  WhenModalShown([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
  EXPECT_EQ(windows.MessageBox("\xB4\xED", "", kMbYesNo | kMbDefaultButton2), kIdNo);
  WhenModalShown([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  EXPECT_EQ(windows.MessageBox("x", "", kMbOkCancel), kIdCancel);
  WhenModalShown([](QWidget* modal) {
    for (QAbstractButton* button : static_cast<QMessageBox*>(modal)->buttons()) {
      if (button->text() == U("重试(&R)")) button->click();
    }
  });
  EXPECT_EQ(windows.MessageBox("x", "", kMbAbortRetryIgnore), kIdRetry);
}

}  // namespace
}  // namespace weibo
