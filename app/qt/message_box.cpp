#include "app/qt/message_box.h"

#include <QAbstractButton>
#include <QPushButton>
#include <vector>

#include "app/qt/gbk_text.h"
#include "app/window_texts.h"
#include "flow/message_box_flags.h"
#include "flow/window_ops.h"

namespace weibo {
namespace {

const char* Caption(int result) {
  switch (result) {
    case kIdCancel:
      return kButtonCancel;
    case kIdAbort:
      return kButtonAbort;
    case kIdRetry:
      return kButtonRetry;
    case kIdIgnore:
      return kButtonIgnore;
    case kIdYes:
      return kButtonYes;
    case kIdNo:
      return kButtonNo;
    case kIdTryAgain:
      return kButtonTryAgain;
    case kIdContinue:
      return kButtonContinue;
    default:
      return kButtonOk;
  }
}

QMessageBox::ButtonRole Role(int result) {
  switch (result) {
    case kIdOk:
    case kIdYes:
    case kIdRetry:
    case kIdTryAgain:
    case kIdContinue:
      return QMessageBox::AcceptRole;
    case kIdNo:
      return QMessageBox::NoRole;
    case kIdCancel:
    case kIdAbort:
      return QMessageBox::RejectRole;
    default:
      return QMessageBox::ActionRole;
  }
}

QMessageBox::Icon IconFor(int flags) {
  switch (MessageBoxIconOf(flags)) {
    case MessageBoxIcon::kError:
      return QMessageBox::Critical;
    case MessageBoxIcon::kQuestion:
      return QMessageBox::Question;
    case MessageBoxIcon::kWarning:
      return QMessageBox::Warning;
    case MessageBoxIcon::kInformation:
      return QMessageBox::Information;
    case MessageBoxIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

// The result a box gives when it is closed without a button.
int EscapeResult(const std::vector<int>& results) {
  for (int wanted :
       {static_cast<int>(kIdCancel), static_cast<int>(kIdNo), static_cast<int>(kIdOk)}) {
    for (int result : results) {
      if (result == wanted) return result;
    }
  }
  return results.front();
}

}  // namespace

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& text,
                                            const QString& title, int flags) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setWindowTitle(title);
  box->setTextFormat(Qt::PlainText);
  box->setText(text);
  box->setIcon(IconFor(flags));
  // Task-modal and system-modal boxes alike block the whole application; a
  // desktop offers no modality beyond it.
  box->setWindowModality(Qt::ApplicationModal);
  const std::vector<int> results = MessageBoxButtons(flags);
  const int default_result = MessageBoxDefaultButton(flags);
  const int escape_result = EscapeResult(results);
  for (int result : results) {
    QPushButton* button = box->addButton(GbkToQString(Caption(result)), Role(result));
    button->setProperty("result", result);
    if (result == default_result) box->setDefaultButton(button);
    if (result == escape_result) box->setEscapeButton(button);
  }
  return box;
}

int RunMessageBox(QWidget* parent, const QString& text, const QString& title, int flags) {
  std::unique_ptr<QMessageBox> box = MakeMessageBox(parent, text, title, flags);
  box->exec();
  QAbstractButton* pressed = box->clickedButton();
  if (pressed == nullptr) pressed = box->escapeButton();
  return pressed != nullptr ? pressed->property("result").toInt() : kIdCancel;
}

}  // namespace weibo
