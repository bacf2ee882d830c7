#include "app/qt/qt_shell.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

#include "app/qt/gbk_text.h"

namespace weibo {
namespace {

constexpr char kFileManagerService[] = "org.freedesktop.FileManager1";
constexpr char kFileManagerPath[] = "/org/freedesktop/FileManager1";
constexpr int kFileManagerTimeoutMs = 5000;

// Asks the desktop's file manager to show `path` selected. False when no
// file manager offers the interface or the call fails.
bool ShowInFileManager(const QString& path) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || bus.interface() == nullptr) return false;
  const QString service = QLatin1String(kFileManagerService);
  const bool running = bus.interface()->isServiceRegistered(service).value();
  if (!running && !bus.interface()->activatableServiceNames().value().contains(service)) {
    return false;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(service, QLatin1String(kFileManagerPath),
                                                     service, QStringLiteral("ShowItems"));
  call << QStringList{QUrl::fromLocalFile(path).toString()} << QString();
  const QDBusMessage reply = bus.call(call, QDBus::Block, kFileManagerTimeoutMs);
  return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace

bool QtShell::OpenAddress(const Text& address) {
  const QUrl url(GbkToQString(TrimSpaces(address)), QUrl::TolerantMode);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
      url.host().isEmpty()) {
    return false;
  }
  return QDesktopServices::openUrl(url);
}

bool QtShell::ShowItemSelected(const Text& path) {
  const QFileInfo item(GbkToQString(path));
  if (path.empty() || !item.exists()) return false;
  const QString absolute = item.absoluteFilePath();
  if (ShowInFileManager(absolute)) return true;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(item.absolutePath()));
}

FolderSpelling QtShell::LocateFolder(KnownFolder folder) {
  switch (folder) {
    case KnownFolder::kProgram: return SpellFolder(QCoreApplication::applicationDirPath());
    case KnownFolder::kPictures:
      return SpellFolder(QStandardPaths::writableLocation(QStandardPaths::PicturesLocation));
    case KnownFolder::kHome: return SpellFolder(QDir::homePath());
  }
  return FolderSpelling{};
}

FolderSpelling QtShell::SpellFolder(const QString& folder) {
  if (folder.isEmpty()) return FolderSpelling{};
  const QString absolute = QDir::cleanPath(QDir(folder).absolutePath());
  FolderSpelling spelling;
  spelling.shown = QStringToGbk(absolute);
  if (GbkToQString(spelling.shown) == absolute) spelling.path = spelling.shown;
  return spelling;
}

}  // namespace weibo
