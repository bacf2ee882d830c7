#include "app/qt/input_box.h"

#include <QFont>
#include <QStringList>

#include "app/qt/fixed_window.h"
#include "app/qt/gbk_text.h"
#include "app/window_layout.h"
#include "app/window_texts.h"

namespace weibo {
namespace {

QFont DialogFont() {
  QFont font;
  // 宋体 where it is installed, else the usual CJK fonts of a Linux desktop.
  font.setFamilies(QStringList{QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                               QStringLiteral("WenQuanYi Micro Hei"),
                               QStringLiteral("Noto Sans CJK SC")});
  font.setPointSize(9);
  return font;
}

}  // namespace

InputBoxDialog::InputBoxDialog(QWidget* parent, const QString& prompt, const QString& title,
                               const QString& initial_text)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      frame_(new QGroupBox(this)),
      prompt_(new QLabel(prompt, this)),
      field_(new QLineEdit(initial_text, this)),
      ok_(new QPushButton(GbkToQString(kInputBoxOk), this)),
      cancel_(new QPushButton(GbkToQString(kInputBoxCancel), this)) {
  setFont(DialogFont());
  setWindowTitle(title);
  const LayoutSize size = DialogSizeToPixels(kInputBoxUnits);
  setFixedSize(size.width, size.height);

  frame_->setGeometry(ToQRect(DialogRectToPixels(kInputFrameUnits)));
  prompt_->setGeometry(ToQRect(DialogRectToPixels(kInputPromptUnits)));
  prompt_->setTextFormat(Qt::PlainText);
  prompt_->setWordWrap(true);
  prompt_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  prompt_->raise();
  field_->setGeometry(ToQRect(DialogRectToPixels(kInputEditUnits)));
  field_->selectAll();
  ok_->setGeometry(ToQRect(DialogRectToPixels(kInputOkUnits)));
  ok_->setDefault(true);
  cancel_->setGeometry(ToQRect(DialogRectToPixels(kInputCancelUnits)));
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  field_->setFocus();
}

bool RunInputBox(QWidget* parent, const QString& prompt, const QString& title,
                 const QString& initial_text, QString* entered) {
  InputBoxDialog dialog(parent, prompt, title, initial_text);
  if (dialog.exec() != QDialog::Accepted) return false;
  *entered = dialog.Field()->text();
  return true;
}

}  // namespace weibo
