#include "app/qt/qt_window_ops.h"

#include <QApplication>
#include <QBuffer>
#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <map>
#include <string_view>
#include <utility>

#include "app/qt/gbk_text.h"
#include "app/qt/input_box.h"
#include "app/qt/message_box.h"
#include "app/qt/tool_icons.h"
#include "app/window_layout.h"
#include "app/window_texts.h"
#include "support/picture_fit.h"

namespace weibo {
namespace {

// More icons than two full album lists are never waiting to be shown.
constexpr std::size_t kMaxPreparedIcons = 256;

int Slot(WindowId window) { return window == WindowId::kMain ? 1 : 0; }

QByteArray Bytes(const ByteArray& bytes) {
  return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The picture fitted into a width x height image (FitInside: shrunk or
// enlarged, proportions kept), centred on a transparent ground; null when the
// bytes are no picture. A picture to be shrunk is decoded at the fitted size
// itself, so that a JPEG is decoded at a fraction of its size instead of in
// full and then scaled. Any thread.
QImage FittedImage(const ByteArray& picture, int width, int height) {
  QByteArray bytes = Bytes(picture);
  QBuffer buffer(&bytes);
  QImageReader reader(&buffer);
  const QSize full = reader.size();
  if (full.isValid()) {
    const PictureSize shown =
        FitInside(PictureSize{full.width(), full.height()}, PictureSize{width, height});
    if (shown.width < full.width() && shown.height > 0) {
      reader.setScaledSize(QSize(shown.width, shown.height));
    }
  }
  QImage image = reader.read();
  if (image.isNull()) return QImage();
  const PictureSize shown =
      FitInside(PictureSize{image.width(), image.height()}, PictureSize{width, height});
  if (shown.width != image.width() || shown.height != image.height()) {
    image = image.scaled(shown.width, shown.height, Qt::IgnoreAspectRatio,
                         Qt::SmoothTransformation);
  }
  QImage icon(width, height, QImage::Format_ARGB32_Premultiplied);
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  painter.drawImage(CentredOffset(width, shown.width), CentredOffset(height, shown.height), image);
  return icon;
}

}  // namespace

QtWindowOps::QtWindowOps() { titles_[Slot(WindowId::kSignIn)] = kSignInTitle; }

QtWindowOps::~QtWindowOps() {
  status_relay_.Stop();
  delete sign_in_.data();
  delete main_.data();
}

void QtWindowOps::CreateSignIn() {
  sign_in_ = new SignInWindow();
  sign_in_->setAttribute(Qt::WA_DeleteOnClose, false);
  sign_in_->on_first_activation = [this] {
    if (events_ != nullptr) events_->OnFirstActivation(WindowId::kSignIn);
  };
  sign_in_->on_closing = [this] {
    if (events_ != nullptr) events_->OnClosing(WindowId::kSignIn);
  };
  titles_[Slot(WindowId::kSignIn)] = kSignInTitle;
}

void QtWindowOps::CreateMain() {
  main_ = new MainWindow();
  main_->on_first_activation = [this] {
    if (events_ != nullptr) events_->OnFirstActivation(WindowId::kMain);
  };
  main_->on_closing = [this] {
    if (events_ != nullptr) events_->OnClosing(WindowId::kMain);
  };
  main_->on_tool_button = [this](int index) {
    if (events_ != nullptr) events_->OnToolButton(index);
  };
  main_->on_menu_item = [this](MenuItem item) {
    if (events_ != nullptr) events_->OnMenuItem(item);
  };
  main_->Albums()->on_right_click = [this] {
    if (events_ != nullptr) events_->OnAlbumViewRightClick();
  };
  titles_[Slot(WindowId::kMain)].clear();
  icons_.clear();
}

QWidget* QtWindowOps::Widget(WindowId window) const {
  return window == WindowId::kMain ? static_cast<QWidget*>(main_.data())
                                   : static_cast<QWidget*>(sign_in_.data());
}

void QtWindowOps::LoadWindow(WindowId window) {
  if (Widget(window) == nullptr) {
    if (window == WindowId::kMain) {
      CreateMain();
    } else {
      CreateSignIn();
    }
  }
  QWidget* widget = Widget(window);
  CentreOnScreen(widget, window == WindowId::kMain ? kMainOuterSize : kSignInOuterSize);
  widget->show();
  widget->raise();
  widget->activateWindow();
}

void QtWindowOps::DestroyWindow(WindowId window) {
  QWidget* widget = Widget(window);
  if (widget == nullptr) return;
  // Hidden at once, deleted when the event loop next runs; deleting it does
  // not close it, so its closing handler does not run.
  widget->hide();
  widget->deleteLater();
  if (window == WindowId::kMain) {
    main_.clear();
  } else {
    sign_in_.clear();
  }
  titles_[Slot(window)].clear();
}

void QtWindowOps::SetVisible(WindowId window, bool visible) {
  if (QWidget* widget = Widget(window)) widget->setVisible(visible);
}

bool QtWindowOps::IsVisible(WindowId window) const {
  const QWidget* widget = Widget(window);
  return widget != nullptr && widget->isVisible();
}

void QtWindowOps::SetTitle(WindowId window, const Text& title) {
  QWidget* widget = Widget(window);
  if (widget == nullptr) return;
  titles_[Slot(window)] = title;
  widget->setWindowTitle(ShownTitle(GbkToQString(title)));
}

Text QtWindowOps::Title(WindowId window) const {
  return Widget(window) != nullptr ? titles_[Slot(window)] : Text();
}

void QtWindowOps::SetLabelText(const Text& text) {
  if (sign_in_ != nullptr) sign_in_->SetLabelText(GbkToQString(text));
}

void QtWindowOps::SetPicture(const ByteArray& image) {
  if (sign_in_ != nullptr) sign_in_->SetPicture(Bytes(image));
}

void QtWindowOps::SetStatusText(int part, const Text& text) {
  if (part != 0) return;
  const QString shown = GbkToQString(text);
  status_relay_.Run([this, shown] {
    if (main_ != nullptr) main_->SetStatusText(shown);
  });
}

void QtWindowOps::StopStatusUpdates() { status_relay_.Stop(); }

void QtWindowOps::PostToUiThread(std::function<void()> call) {
  status_relay_.Post(std::move(call));
}

void QtWindowOps::ClearItems() {
  if (main_ == nullptr) return;
  AlbumView* albums = main_->Albums();
  albums->clear();
  // The view lays its items out later and would keep the old scroll offset
  // for the items that follow: a new list starts at the top.
  albums->verticalScrollBar()->setValue(0);
  albums->horizontalScrollBar()->setValue(0);
}

void QtWindowOps::SetLargeIconList(const ImageList& list) {
  std::map<ByteArray, QImage> prepared;
  {
    std::lock_guard<std::mutex> hold(prepared_lock_);
    prepared.swap(prepared_);
  }
  const ImageList defaults;
  const bool default_size =
      list.icon_width == defaults.icon_width && list.icon_height == defaults.icon_height;
  icons_.clear();
  icons_.reserve(list.pictures.size());
  // One icon per distinct picture, shared by the albums that show it.
  std::map<std::string_view, QIcon> made;
  for (const ByteArray& picture : list.pictures) {
    const auto done = made.find(picture);
    if (done != made.end()) {
      icons_.push_back(done->second);
      continue;
    }
    const auto found = default_size ? prepared.find(picture) : prepared.end();
    // A prepared image is handed over, not copied: the pixmap then takes its
    // pixels as they are, where a copy (a fresh allocation of each icon's
    // pixels) made filling the view of 64 albums take about 20 ms.
    QImage image = found != prepared.end()
                       ? std::move(found->second)
                       : FittedImage(picture, list.icon_width, list.icon_height);
    const QIcon icon = image.isNull()
                           ? QIcon(MissingPicture(qMin(list.icon_width, list.icon_height)))
                           : QIcon(QPixmap::fromImage(std::move(image)));
    made.emplace(picture, icon);
    icons_.push_back(icon);
  }
}

void QtWindowOps::PrepareLargeIcon(const ByteArray& picture) {
  const ImageList defaults;
  QImage image = FittedImage(picture, defaults.icon_width, defaults.icon_height);
  std::lock_guard<std::mutex> hold(prepared_lock_);
  // Lookups overtaken before showing anything leave theirs; keep it bounded.
  if (prepared_.size() >= kMaxPreparedIcons) prepared_.clear();
  prepared_.insert_or_assign(picture, std::move(image));
}

int QtWindowOps::AppendItem(const Text& label, int picture_index) {
  if (main_ == nullptr) return -1;
  auto* item = new QListWidgetItem(GbkToQString(label));
  if (picture_index >= 0 && static_cast<std::size_t>(picture_index) < icons_.size()) {
    item->setIcon(icons_[static_cast<std::size_t>(picture_index)]);
  }
  item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
  main_->Albums()->addItem(item);
  return main_->Albums()->count() - 1;
}

int QtWindowOps::SelectedIndex() const {
  if (main_ == nullptr) return -1;
  int first = -1;
  for (const QModelIndex& index : main_->Albums()->selectionModel()->selectedIndexes()) {
    if (first == -1 || index.row() < first) first = index.row();
  }
  return first;
}

void QtWindowOps::SetDisabled(Control control, bool disabled) {
  if (main_ == nullptr) return;
  if (control == Control::kAlbumView) {
    main_->Albums()->setEnabled(!disabled);
  } else if (control == Control::kStopCommand) {
    main_->StopAction()->setEnabled(!disabled);
  } else {
    main_->AlbumMenu()->setEnabled(!disabled);
  }
}

void QtWindowOps::PopupAlbumMenu() {
  if (main_ == nullptr || !main_->AlbumMenu()->isEnabled()) return;
  // Greying the group out and in again while a chosen item runs (as the
  // download commands do) leaves the hidden menu with its first item active,
  // which would show highlighted at the next popup: open with none.
  main_->AlbumMenu()->setActiveAction(nullptr);
  main_->AlbumMenu()->popup(QCursor::pos() + QPoint(kPopupOffset, kPopupOffset));
}

void QtWindowOps::ProcessPendingMessages() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

QWidget* QtWindowOps::DialogParent() const {
  if (main_ != nullptr && main_->isVisible()) return main_;
  if (sign_in_ != nullptr && sign_in_->isVisible()) return sign_in_;
  return nullptr;
}

bool QtWindowOps::InputBox(const Text& prompt, const Text& title, const Text& initial_text,
                           Text* entered) {
  QString edited;
  if (!RunInputBox(DialogParent(), GbkToQString(prompt), GbkToQString(InputBoxTitleOr(title)),
                   GbkToQString(initial_text), &edited)) {
    return false;
  }
  *entered = QStringToGbk(edited);
  return true;
}

int QtWindowOps::MessageBox(const Text& text, const Text& title, int flags) {
  return RunMessageBox(DialogParent(), GbkToQString(text), GbkToQString(MessageBoxTitleOr(title)),
                       flags);
}

}  // namespace weibo
