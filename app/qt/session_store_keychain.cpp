#include "app/qt/session_store_keychain.h"

#include <qt6keychain/keychain.h>
#include <unistd.h>

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QEventLoop>
#include <QString>
#include <cstdlib>

#include "support/session_record.h"

namespace weibo {
namespace {

const QString kService = QStringLiteral("weibo-album-downloader");
const QString kKey = QStringLiteral("session");

Text Owner() { return "keyring uid " + std::to_string(getuid()); }

// True when a keyring serves the session bus now. Asked before any keyring
// call, so that nothing starts a bus or a keyring daemon (which could wait
// for a password prompt) where none runs.
bool KeyringRunning() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address == nullptr || address[0] == '\0') return false;
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected() || bus.interface() == nullptr) return false;
  return bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets")).value();
}

// Runs `job` to its end; the keyring's answer.
QKeychain::Error Run(QKeychain::Job& job) {
  job.setAutoDelete(false);
  job.setKey(kKey);
  QEventLoop loop;
  QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
  job.start();
  loop.exec();
  return job.error();
}

// True when a keyring answered the question at all.
bool Answered(QKeychain::Error error) {
  return error == QKeychain::NoError || error == QKeychain::EntryNotFound ||
         error == QKeychain::CouldNotDeleteEntry;
}

QKeychain::Error DeleteEntry() {
  QKeychain::DeletePasswordJob job(kService);
  return Run(job);
}

}  // namespace

KeychainSessionStore::KeychainSessionStore(SessionStore* fallback) : fallback_(fallback) {}

std::optional<Text> KeychainSessionStore::Load() {
  if (!KeyringRunning()) return fallback_->Load();
  QKeychain::ReadPasswordJob job(kService);
  const QKeychain::Error error = Run(job);
  if (!Answered(error)) return fallback_->Load();
  fallback_->Remove();
  if (error != QKeychain::NoError) return std::nullopt;
  const QByteArray data = job.binaryData();
  std::optional<Text> jar =
      DecodeSessionRecord(ByteArray(data.constData(), static_cast<std::size_t>(data.size())),
                          Owner());
  if (!jar.has_value()) DeleteEntry();
  return jar;
}

bool KeychainSessionStore::Save(const Text& cookie_jar) {
  if (!KeyringRunning()) return fallback_->Save(cookie_jar);
  const ByteArray record = EncodeSessionRecord(Owner(), cookie_jar);
  QKeychain::WritePasswordJob job(kService);
  job.setBinaryData(QByteArray(record.data(), static_cast<qsizetype>(record.size())));
  if (Run(job) != QKeychain::NoError) return fallback_->Save(cookie_jar);
  fallback_->Remove();
  return true;
}

void KeychainSessionStore::Remove() {
  if (KeyringRunning()) DeleteEntry();
  fallback_->Remove();
}

}  // namespace weibo
