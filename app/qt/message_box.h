// The message box: the caller's text, title, buttons and icon, given as the
// classic message-box flags of window_ops.h.
#pragma once

#include <QMessageBox>
#include <QString>
#include <memory>

namespace weibo {

// Builds the box for `flags`.
// Each button carries its result (MessageBoxResult) as the property
// "result".
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text,
                                            const QString& title, int flags);

// Shows the box modally and returns the result of the pressed button. Closing
// the box without a button gives the result of Cancel, No or OK, whichever
// the box has (in that order).
int RunMessageBox(QWidget* parent, const QString& text, const QString& title, int flags);

}  // namespace weibo
