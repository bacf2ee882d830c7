// The input box: a prompt in a frame, one edit field and the buttons
// 确认输入(&O) (default) and 取消(&C), laid out in dialog units of 宋体 9 pt.
#pragma once

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

namespace weibo {

class InputBoxDialog : public QDialog {
 public:
  InputBoxDialog(QWidget* parent, const QString& prompt, const QString& title,
                 const QString& initial_text);

  QGroupBox* Frame() const { return frame_; }
  QLabel* Prompt() const { return prompt_; }
  QLineEdit* Field() const { return field_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  QGroupBox* frame_;
  QLabel* prompt_;
  QLineEdit* field_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

// Shows the box modally. Returns true and the edited text when the operator
// confirms, false when the box is cancelled or closed.
bool RunInputBox(QWidget* parent, const QString& prompt, const QString& title,
                 const QString& initial_text, QString* entered);

}  // namespace weibo
