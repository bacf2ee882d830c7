#include "app/qt/sign_in_window.h"

#include <QCloseEvent>
#include <QPalette>
#include <QPixmap>

#include "app/qt/gbk_text.h"
#include "app/window_layout.h"
#include "app/window_texts.h"
#include "support/picture_fit.h"

namespace weibo {

SignInWindow::SignInWindow() : picture_box_(new QLabel(this)), label_(new QLabel(this)) {
  MakeFixedWindow(this, kSignInOuterSize);
  setWindowTitle(GbkToQString(kSignInTitle));
  // The usual dialog colour: the button face.
  QPalette face = palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setAutoFillBackground(true);

  picture_box_->setObjectName(QStringLiteral("图片框1"));
  picture_box_->setGeometry(ToQRect(kPictureBoxRect));
  picture_box_->setFrameStyle(QFrame::Box | QFrame::Plain);
  picture_box_->setLineWidth(1);
  picture_box_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  label_->setObjectName(QStringLiteral("标签1"));
  label_->setGeometry(ToQRect(kSignInLabelRect));
  label_->setTextFormat(Qt::PlainText);
  label_->setWordWrap(false);
  label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label_->setText(GbkToQString(kSignInPrompt));
}

void SignInWindow::SetPicture(const QByteArray& image) {
  QPixmap picture;
  if (!picture.loadFromData(image)) {
    picture_box_->clear();
    return;
  }
  const QSize inside = picture_box_->contentsRect().size();
  const SharpFit fit = FitSharply(PictureSize{picture.width(), picture.height()},
                                  PictureSize{inside.width(), inside.height()});
  picture = picture.scaled(fit.size.width, fit.size.height, Qt::IgnoreAspectRatio,
                           fit.repeat_pixels ? Qt::FastTransformation : Qt::SmoothTransformation);
  picture_box_->setPixmap(picture);
}

void SignInWindow::SetLabelText(const QString& text) { label_->setText(text); }

QString SignInWindow::LabelText() const { return label_->text(); }

bool SignInWindow::event(QEvent* event) {
  first_activation_.Notice(this, event, &on_first_activation);
  return QWidget::event(event);
}

void SignInWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (on_closing) on_closing();
}

}  // namespace weibo
