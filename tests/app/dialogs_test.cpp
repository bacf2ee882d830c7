// The input box and the message box: layout, texts, and what they return.
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

TEST(DialogsTest, InputBoxLayoutInDialogUnits) {
  TestApplication();
  InputBoxDialog dialog(nullptr, U("请输入用户主页地址,如:"), QString(), U("weibo.com/u/1"));
  EXPECT_EQ(dialog.windowTitle(), U("请输入："));
  // 252 x 92 units at 6 x 12 pixels per 4 x 8 units.
  EXPECT_EQ(dialog.size(), QSize(378, 138));
  EXPECT_EQ(dialog.Frame()->geometry(), QRect(11, 11, 357, 53));
  EXPECT_EQ(dialog.Prompt()->geometry(), QRect(18, 17, 344, 41));
  EXPECT_EQ(dialog.Prompt()->text(), U("请输入用户主页地址,如:"));
  EXPECT_EQ(dialog.Field()->geometry(), QRect(11, 68, 357, 18));
  EXPECT_EQ(dialog.Field()->text(), U("weibo.com/u/1"));
  EXPECT_EQ(dialog.OkButton()->geometry(), QRect(95, 99, 83, 29));
  EXPECT_EQ(dialog.CancelButton()->geometry(), QRect(201, 99, 83, 29));
  EXPECT_EQ(dialog.OkButton()->text(), U("确认输入(&O)"));
  EXPECT_EQ(dialog.CancelButton()->text(), U("取消(&C)"));
  EXPECT_TRUE(dialog.OkButton()->isDefault());

  InputBoxDialog titled(nullptr, QString(), U("标题"), QString());
  EXPECT_EQ(titled.windowTitle(), U("标题"));
}

TEST(DialogsTest, InputBoxReturnsTheEditedTextOnlyWhenConfirmed) {
  TestApplication();
  QtWindowOps windows;
  Text entered = "unchanged";

  WhenModalShown([](QWidget* modal) {
    auto* dialog = static_cast<InputBoxDialog*>(modal);
    dialog->Field()->setText(U("weibo.com/u/张三"));
    QTest::keyClick(dialog->Field(), Qt::Key_Return);  // the default button
  });
  EXPECT_TRUE(windows.InputBox("prompt", "", "initial", &entered));
  EXPECT_EQ(entered, "weibo.com/u/\xD5\xC5\xC8\xFD");

  WhenModalShown(
      [](QWidget* modal) { static_cast<InputBoxDialog*>(modal)->CancelButton()->click(); });
  EXPECT_FALSE(windows.InputBox("prompt", "", "initial", &entered));
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
  EXPECT_EQ(box->defaultButton()->text(), U("是(&Y)"));
  EXPECT_EQ(box->escapeButton()->text(), U("否(&N)"));

  auto error = MakeMessageBox(nullptr, U("x"), U("erro"), kMbIconError);
  EXPECT_EQ(error->windowTitle(), U("erro"));
  EXPECT_EQ(error->icon(), QMessageBox::Critical);
  EXPECT_EQ(Captions(error.get()), QStringList{U("确定")});
  auto plain = MakeMessageBox(nullptr, U("x"), QString(), kMbOk);
  EXPECT_EQ(plain->icon(), QMessageBox::NoIcon);
  auto three = MakeMessageBox(nullptr, U("x"), QString(), kMbYesNoCancel | kMbDefaultButton3);
  EXPECT_EQ(three->defaultButton()->text(), U("取消"));
  EXPECT_EQ(three->escapeButton()->text(), U("取消"));

  QtWindowOps windows;
  WhenModalShown([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
  EXPECT_EQ(windows.MessageBox("\xB4\xED", "", kMbYesNo | kMbDefaultButton2), kIdNo);
  WhenModalShown([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
  EXPECT_EQ(windows.MessageBox("x", "", kMbIconError), kIdOk);
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
