#include "app/qt/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenuBar>
#include <QPainter>
#include <QPalette>
#include <QStatusBar>
#include <QToolButton>

#include "app/qt/gbk_text.h"
#include "app/qt/tool_icons.h"
#include "app/window_layout.h"
#include "app/window_texts.h"

namespace weibo {
namespace {

// 外形框1: a button-face strip outlined by a one-pixel grey line along its
// inner edge. It reaches past both sides of the window, so only its top and
// bottom lines show.
class BandFrame : public QWidget {
 public:
  explicit BandFrame(QWidget* parent) : QWidget(parent) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    painter.setPen(QColor(kBandLineGrey, kBandLineGrey, kBandLineGrey));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
};

// 工具条1: flat buttons under the standard etched divider line.
class ToolBarStrip : public QWidget {
 public:
  explicit ToolBarStrip(QWidget* parent) : QWidget(parent) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(0, 0, width() - 1, 0);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(0, 1, width() - 1, 1);
  }
};

struct ToolButtonEntry {
  const char* caption;
  int picture;
};

}  // namespace

QString ShownTitle(const QString& title) {
  return title.isEmpty() ? QStringLiteral(" ") : title;
}

AlbumView::AlbumView(QWidget* parent) : QListWidget(parent) {}

void AlbumView::mouseReleaseEvent(QMouseEvent* event) {
  QListWidget::mouseReleaseEvent(event);
  if (event->button() == Qt::RightButton && on_right_click) on_right_click();
}

MainWindow::MainWindow() {
  MakeFixedWindow(this, kMainOuterSize);
  setWindowTitle(ShownTitle(QString()));

  auto* client = new QWidget(this);
  QPalette white = client->palette();
  white.setColor(QPalette::Window, Qt::white);
  client->setPalette(white);
  client->setAutoFillBackground(true);
  setCentralWidget(client);

  auto* band = new BandFrame(client);
  band->setObjectName(QStringLiteral("外形框1"));
  band->setGeometry(ToQRect(kBandRect));
  BuildToolBar(band);

  albums_ = new AlbumView(client);
  albums_->setObjectName(QStringLiteral("超级列表框1"));
  albums_->setGeometry(ToQRect(kAlbumViewRect));
  albums_->setViewMode(QListView::IconMode);
  albums_->setIconSize(QSize(kAlbumIconSize, kAlbumIconSize));
  albums_->setWordWrap(true);
  albums_->setTextElideMode(Qt::ElideRight);
  albums_->setSelectionMode(QAbstractItemView::SingleSelection);
  albums_->setMovement(QListView::Static);
  albums_->setResizeMode(QListView::Adjust);
  albums_->setFlow(QListView::LeftToRight);
  albums_->setWrapping(true);
  albums_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  albums_->setDragDropMode(QAbstractItemView::NoDragDrop);
  albums_->setContextMenuPolicy(Qt::NoContextMenu);
  albums_->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
  // Room for the icon and three lines of label under it.
  const int line = albums_->fontMetrics().lineSpacing();
  albums_->setGridSize(QSize(kAlbumIconSize + 24, kAlbumIconSize + 10 + 3 * line));
  QPalette colours = albums_->palette();
  colours.setColor(QPalette::Base, Qt::white);
  colours.setColor(QPalette::Text, Qt::black);
  albums_->setPalette(colours);

  BuildMenus();
  BuildStatusBar();
}

void MainWindow::BuildToolBar(QWidget* band) {
  auto* strip = new ToolBarStrip(band);
  strip->setObjectName(QStringLiteral("工具条1"));
  strip->setGeometry(ToQRect(kToolBarRect));
  const ToolButtonEntry buttons[] = {
      {kToolStartAnalysis, kToolButtonPicture[0]},
      {kToolViewDownloads, kToolButtonPicture[1]},
      {kToolAboutAuthor, kToolButtonPicture[2]},
  };
  int left = kToolBarIndent;
  for (int index = 0; index < 3; ++index) {
    auto* button = new QToolButton(strip);
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(QSize(kToolIconSize, kToolIconSize));
    button->setIcon(QIcon(ToolPicture(buttons[index].picture)));
    button->setText(GbkToQString(buttons[index].caption));
    const int width = button->sizeHint().width();
    button->setGeometry(left, 0, width, kToolBarRect.height);
    left += width;
    connect(button, &QToolButton::clicked, this, [this, index] {
      if (on_tool_button) on_tool_button(index);
    });
  }
}

QAction* MainWindow::AddItem(QMenu* menu, MenuItem item, const char* caption,
                             const char* shown_shortcut, const QKeySequence& shortcut) {
  QString text = GbkToQString(caption);
  if (shown_shortcut != nullptr) text += QLatin1Char('\t') + QLatin1String(shown_shortcut);
  QAction* action = menu->addAction(text);
  action->setShortcut(shortcut);
  action->setShortcutContext(Qt::WindowShortcut);
  connect(action, &QAction::triggered, this, [this, item] {
    if (on_menu_item) on_menu_item(item);
  });
  return action;
}

void MainWindow::AddAllAlbumsMenu(QMenu* menu) {
  QMenu* sizes = menu->addMenu(GbkToQString(kMenuAllAlbums));
  AddItem(sizes, MenuItem::kAllUltra, kMenuSizeUltra, nullptr, QKeySequence());
  AddItem(sizes, MenuItem::kAllHigh, kMenuSizeHigh, nullptr, QKeySequence());
  AddItem(sizes, MenuItem::kAllStandard, kMenuSizeStandard, nullptr, QKeySequence());
  AddItem(sizes, MenuItem::kAllOriginal, kMenuSizeOriginal, nullptr, QKeySequence());
}

void MainWindow::BuildMenus() {
  QMenu* operations = menuBar()->addMenu(GbkToQString(kMenuOperations));
  AddItem(operations, MenuItem::kStartAnalysis, kMenuStartAnalysis, "Ctrl+F",
          QKeySequence(Qt::CTRL | Qt::Key_F));
  AddItem(operations, MenuItem::kViewDownloads, kMenuViewDownloads, "Ctrl+E",
          QKeySequence(Qt::CTRL | Qt::Key_E));
  AddItem(operations, MenuItem::kAboutAuthor, kMenuAboutAuthor, "Ctrl+I",
          QKeySequence(Qt::CTRL | Qt::Key_I));
  operations->addSeparator();
  AddAllAlbumsMenu(operations);
  stop_action_ = AddItem(operations, MenuItem::kStopDownloads, kMenuStopDownloads, "Esc",
                         QKeySequence(Qt::Key_Escape));
  stop_action_->setEnabled(false);
  operations->addSeparator();
  AddItem(operations, MenuItem::kSignOut, kMenuSignOut, nullptr, QKeySequence());
  QMenu* help = menuBar()->addMenu(GbkToQString(kMenuHelp));
  AddItem(help, MenuItem::kUsageHelp, kMenuUsageHelp, "Ctrl+H", QKeySequence(Qt::CTRL | Qt::Key_H));
  AddItem(help, MenuItem::kFeedback, kMenuFeedback, "Ctrl+M", QKeySequence(Qt::CTRL | Qt::Key_M));

  // The hidden group: never on the menu bar, used only as the album view's
  // popup. Its last item shows "Ctrl+D" but has no shortcut.
  album_menu_ = new QMenu(GbkToQString(kMenuPopup), this);
  AddItem(album_menu_, MenuItem::kDownloadUltra, kMenuDownloadUltra, nullptr, QKeySequence());
  AddItem(album_menu_, MenuItem::kDownloadHigh, kMenuDownloadHigh, nullptr, QKeySequence());
  AddItem(album_menu_, MenuItem::kDownloadStandard, kMenuDownloadStandard, nullptr, QKeySequence());
  AddItem(album_menu_, MenuItem::kDownloadOriginal, kMenuDownloadOriginal, "Ctrl+D",
          QKeySequence());
  album_menu_->addSeparator();
  AddAllAlbumsMenu(album_menu_);
}

void MainWindow::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("状态条1"));
  bar->setSizeGripEnabled(false);
  bar->setFixedHeight(kStatusBarHeight);
  status_part_ = new QLabel(bar);
  status_part_->setTextFormat(Qt::PlainText);
  status_part_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  // A long text is cut off at the bar's end instead of widening the bar.
  status_part_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  status_part_->setText(GbkToQString(kStatusInitial));
  bar->addWidget(status_part_, 1);
}

void MainWindow::SetStatusText(const QString& text) { status_part_->setText(text); }

QString MainWindow::StatusText() const { return status_part_->text(); }

bool MainWindow::event(QEvent* event) {
  first_activation_.Notice(this, event, &on_first_activation);
  return QMainWindow::event(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (on_closing) on_closing();
}

}  // namespace weibo
