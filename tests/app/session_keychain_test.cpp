// The kept session in the keyring, run by with_test_keyring.sh on a private
// bus with a keyring of its own; and the file it falls back on without one.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>

#include "app/qt/session_store_keychain.h"
#include "support/session_store_file_posix.h"

namespace weibo {
namespace {

TEST(KeychainSessionStoreTest, TheKeyringHoldsTheSessionWhenOneRunsElseTheFile) {
  int argc = 1;
  char name[] = "session_keychain_test";
  char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  FileSessionStore file(folder.path().toStdString() + "/state");
  KeychainSessionStore store(&file);
  ASSERT_NE(std::getenv("DBUS_SESSION_BUS_ADDRESS"), nullptr) << "run by with_test_keyring.sh";

  // A file left from a run without a keyring goes once the keyring answers.
  ASSERT_TRUE(file.Save("SUB=from-a-file"));
  EXPECT_FALSE(store.Load().has_value());
  EXPECT_FALSE(std::filesystem::exists(file.Path()));

  ASSERT_TRUE(store.Save("SUB=kept; SUBP=in-the-keyring"));
  EXPECT_FALSE(std::filesystem::exists(file.Path()));
  EXPECT_EQ(store.Load(), "SUB=kept; SUBP=in-the-keyring");
  store.Remove();
  EXPECT_FALSE(store.Load().has_value());

  // Without a session bus: the private file.
  const std::string address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  ASSERT_TRUE(store.Save("SUB=in-the-file"));
  EXPECT_TRUE(std::filesystem::exists(file.Path()));
  EXPECT_EQ(store.Load(), "SUB=in-the-file");
  setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  // Back with the keyring, that file is not used and is removed.
  EXPECT_FALSE(store.Load().has_value());
  EXPECT_FALSE(std::filesystem::exists(file.Path()));
}

}  // namespace
}  // namespace weibo
