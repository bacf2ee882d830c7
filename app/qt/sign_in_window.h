// The sign-in window: the QR-code picture box 图片框1 and the status label
// 标签1 on a dialog-coloured, fixed window. Lives on the user-interface thread.
#pragma once

#include <QByteArray>
#include <QLabel>
#include <QString>
#include <QWidget>
#include <functional>

#include "app/qt/fixed_window.h"

namespace weibo {

class SignInWindow : public QWidget {
 public:
  SignInWindow();

  // Shows the decoded image in the picture box, fitted to the box's
  // 180 x 180 inside (FitSharply: enlarged by repeating pixels, shrunk
  // smoothly); bytes that are no picture clear the box.
  void SetPicture(const QByteArray& image);
  void SetLabelText(const QString& text);
  QString LabelText() const;

  // Set by the owner before the window is shown.
  std::function<void()> on_first_activation;
  std::function<void()> on_closing;

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Declared first: creating the labels sends this window ChildAdded events,
  // and event() reads it before the constructor's body runs.
  FirstActivation first_activation_;
  QLabel* picture_box_;
  QLabel* label_;
};

}  // namespace weibo
