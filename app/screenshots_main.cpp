// Saves pictures of the windows and dialogs as they appear, for review:
//   weibo-app-screenshots <folder>
//   weibo-app-screenshots --grab-screen <file.png>   (the whole display, for
//                                                      a running tool)
// Writes sign-in.png, main.png, main-albums.png, popup.png, input-box.png,
// message-box.png and image-list.png (the tool bar's five pictures, enlarged
// four times). Needs a display (run it under xvfb-run).
#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QWidget>
#include <cstdio>
#include <cstring>

#include "app/qt/gbk_text.h"
#include "app/qt/input_box.h"
#include "app/qt/message_box.h"
#include "app/qt/qt_runtime.h"
#include "app/qt/qt_window_ops.h"
#include "app/qt/tool_icons.h"
#include "app/window_texts.h"
#include "flow/window_ops.h"

namespace {

// A sample cover: a sky-to-ground gradient with a sun, as JPEG bytes.
weibo::ByteArray SampleCover(int hue, int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient sky(0, 0, 0, height);
  sky.setColorAt(0, QColor::fromHsv(hue, 120, 250));
  sky.setColorAt(1, QColor::fromHsv((hue + 60) % 360, 200, 140));
  painter.fillRect(image.rect(), sky);
  painter.setBrush(QColor(255, 220, 80));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPoint(width * 3 / 4, height / 4), height / 8, height / 8);
  painter.end();
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG");
  return weibo::ByteArray(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool Save(QWidget* widget, const QDir& folder, const char* name) {
  const QString path = folder.filePath(QString::fromLatin1(name));
  const bool saved = widget->grab().save(path, "PNG");
  std::printf("%s %s\n", saved ? "saved" : "FAILED", path.toLocal8Bit().constData());
  return saved;
}

void Settle(weibo::QtWindowOps& windows) {
  for (int i = 0; i < 20; ++i) windows.ProcessPendingMessages();
}

}  // namespace

int main(int argc, char** argv) {
  const bool grab_screen = argc == 3 && std::strcmp(argv[1], "--grab-screen") == 0;
  if (argc != 2 && !grab_screen) {
    std::fprintf(stderr, "usage: %s <folder> | --grab-screen <file.png>\n", argv[0]);
    return 2;
  }
  weibo::QtRuntime runtime(argc, argv);
  if (grab_screen) {
    const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(
        QString::fromLocal8Bit(argv[2]), "PNG");
    return saved ? 0 : 1;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  QDir().mkpath(folder.absolutePath());
  weibo::QtWindowOps windows;
  bool ok = true;

  windows.LoadWindow(weibo::WindowId::kSignIn);
  Settle(windows);
  ok &= Save(windows.SignIn(), folder, "sign-in.png");

  windows.SetVisible(weibo::WindowId::kSignIn, false);
  windows.LoadWindow(weibo::WindowId::kMain);
  Settle(windows);
  ok &= Save(windows.Main(), folder, "main.png");

  const char* captions[] = {"旅行", "头像相册", "一个很长很长的相册名字会在图标下面换行",
                            "淺色 風景", "默认相册"};
  const char* counts[] = {"100", "3", "65", "31", "0"};
  weibo::ImageList icons;
  for (int i = 0; i < 5; ++i) {
    icons.pictures.push_back(i == 4 ? weibo::ByteArray("not a picture")
                                    : SampleCover(i * 70, 200 + i * 40, 150 + i * 20));
  }
  windows.SetTitle(weibo::WindowId::kMain,
                   weibo::QStringToGbk(QStringLiteral("示例用户 - 微相册")));
  windows.SetLargeIconList(icons);
  for (int i = 0; i < 5; ++i) {
    const weibo::Text label =
        weibo::QStringToGbk(QString::fromUtf8(captions[i]) + QStringLiteral("_") +
                            QString::fromLatin1(counts[i]) + QStringLiteral("张"));
    windows.AppendItem(label, i);
  }
  windows.Main()->Albums()->setCurrentRow(1);
  windows.SetStatusText(0, weibo::QStringToGbk(QStringLiteral("状态:当前已下载 42张!")));
  Settle(windows);
  ok &= Save(windows.Main(), folder, "main-albums.png");

  QMenu* popup = windows.Main()->AlbumMenu();
  popup->popup(windows.Main()->mapToGlobal(QPoint(200, 200)));
  Settle(windows);
  ok &= Save(popup, folder, "popup.png");
  popup->hide();

  weibo::InputBoxDialog input(
      windows.Main(), QStringLiteral("请输入用户主页地址,如:weibo.com/u/1234567890"), QString(),
      QStringLiteral("weibo.com/u/1234567890?from=myfollow_all"));
  input.show();
  Settle(windows);
  ok &= Save(&input, folder, "input-box.png");
  input.hide();

  std::unique_ptr<QMessageBox> box =
      weibo::MakeMessageBox(windows.Main(), weibo::GbkToQString(weibo::kContactAuthorQuestion),
                            QString(), weibo::kMbYesNo | weibo::kMbIconInformation);
  box->show();
  Settle(windows);
  ok &= Save(box.get(), folder, "message-box.png");
  box->hide();

  QImage strip(5 * 4 * 34, 4 * 34, QImage::Format_ARGB32);
  strip.fill(Qt::white);
  QPainter painter(&strip);
  for (int i = 0; i < 5; ++i) {
    painter.drawPixmap(QRect(i * 136 + 8, 8, 120, 120), weibo::ToolPicture(i));
  }
  painter.end();
  const bool strip_saved = strip.save(folder.filePath(QStringLiteral("image-list.png")), "PNG");
  std::printf("%s image-list.png\n", strip_saved ? "saved" : "FAILED");
  ok &= strip_saved;

  return ok ? 0 : 1;
}
