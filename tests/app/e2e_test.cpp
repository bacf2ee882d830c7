// The tool end to end on its real windows (offscreen) against the simulated
// service: the QR sign-in, the main phase listing the signed-in user's
// albums, and a download chosen from the album popup. And the window's event
// loop running while an album list loads.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDirIterator>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <thread>

#include "albums/album_flows.h"
#include "albums/album_list.h"
#include "app/program.h"
#include "app/qt/gbk_text.h"
#include "app/qt/qt_window_ops.h"
#include "qt_test_support.h"
#include "signin/qr_sign_in.h"
#include "support/session_store_file_posix.h"
#include "tests/common/loopback_server.h"
#include "tests/common/test_support.h"
#include "tools/weibo-sim/weibo_sim.h"

namespace weibo {
namespace {

int CountFiles(const QString& folder) {
  int count = 0;
  QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
  while (files.hasNext()) {
    files.next();
    ++count;
  }
  return count;
}

// One run of the program on the real windows against `service`, keeping
// the session in `store` (may be null) and downloads in `downloads`.
class ProgramRun {
 public:
  ProgramRun(const sim::WeiboSim& service, SessionStore* store, const Text& downloads)
      : shell_(downloads) {
    ProgramParts parts;
    parts.windows = &windows_;
    parts.shell = &shell_;
    parts.endpoints = service.endpoints();
    parts.session_store = store;
    parts.flows.qr_sign_in = [](const FlowContext& context) {
      QrSignInPaced(context, SignInPacing{20, 50});
    };
    InstallAlbumFlows(&parts.flows);
    parts.end_process = [](int code) {
      std::fprintf(stderr, "the program ended with %d\n", code);
      std::abort();
    };
    program_ = std::make_unique<Program>(std::move(parts));
    windows_.SetEventSink(program_.get());
    program_->CreateProgramState();
  }
  ~ProgramRun() {
    windows_.SetEventSink(nullptr);
    windows_.StopStatusUpdates();
    program_.reset();
  }
  // What StartProgram does before its loop: the main window with a kept
  // session, else the sign-in window.
  void Start() {
    windows_.LoadWindow(program_->TakeKeptSession() ? WindowId::kMain : WindowId::kSignIn);
  }
  bool AlbumsListed() {
    return windows_.Main() != nullptr && windows_.Main()->Albums()->count() > 0 &&
           windows_.SignIn() == nullptr;
  }
  QtWindowOps& windows() { return windows_; }

 private:
  QtWindowOps windows_;
  FakeShell shell_;
  std::unique_ptr<Program> program_;
};

TEST(EndToEndTest, SignInListAlbumsAndDownloadOneFromThePopup) {
  TestApplication();
  sim::SimOptions options;
  options.auto_confirm_ms = 300;  // the simulated phone scans and confirms
  sim::WeiboSim service(options);
  ASSERT_TRUE(service.Start()) << service.error();
  QTemporaryDir downloads;
  ASSERT_TRUE(downloads.isValid());

  ProgramRun run(service, nullptr, QStringToGbk(downloads.path()));
  QtWindowOps& windows = run.windows();
  windows.LoadWindow(WindowId::kSignIn);
  QPointer<SignInWindow> sign_in = windows.SignIn();
  ASSERT_TRUE(ProcessUntil([&] { return windows.Main() != nullptr; }, 15000));
  MainWindow* main = windows.Main();
  QListWidget* albums = main->Albums();
  ASSERT_TRUE(ProcessUntil([&] { return albums->count() > 0 && sign_in.isNull(); }, 15000));
  EXPECT_TRUE(main->windowTitle().endsWith(QString::fromUtf8(" - 微相册")));
  EXPECT_FALSE(windows.IsVisible(WindowId::kSignIn));

  int row = -1;
  for (int i = 0; i < albums->count(); ++i) {
    // 淺 ends in the byte 0x5C in code page 936.
    if (albums->item(i)->text() == QString::fromUtf8("淺草寺與雷門_32张")) row = i;
  }
  ASSERT_GE(row, 0);
  const QPoint on_item = albums->visualItemRect(albums->item(row)).center();
  QCursor::setPos(albums->viewport()->mapToGlobal(on_item));
  QTest::mouseClick(albums->viewport(), Qt::RightButton, {}, on_item);
  QMenu* popup = main->AlbumMenu();
  ASSERT_TRUE(ProcessUntil([&] { return popup->isVisible(); }));
  QAction* high = popup->actions()[1];
  QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(high).center());

  const QString finished = QString::fromUtf8("状态:貌似都已经下载完了");
  ASSERT_TRUE(ProcessUntil([&] { return main->StatusText().startsWith(finished); }, 15000))
      << main->StatusText().toStdString();
  EXPECT_EQ(CountFiles(downloads.path()), 32);
}

bool AskedForAQrCode(const sim::WeiboSim& service) {
  for (const sim::RequestRecord& record : service.Requests()) {
    if (record.path == "/sso/qrcode/image") return true;
  }
  return false;
}

TEST(EndToEndTest, AKeptSessionSkipsTheQrCodeAndARevokedOneFallsBackToIt) {
  TestApplication();
  sim::SimOptions options;
  options.auto_confirm_ms = 300;
  sim::WeiboSim service(options);
  ASSERT_TRUE(service.Start()) << service.error();
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const Text downloads = QStringToGbk(folder.path()) + "/downloads";
  FileSessionStore store(QStringToGbk(folder.path()) + "/state");

  {  // First run: the QR sign-in, kept.
    ProgramRun run(service, &store, downloads);
    run.Start();
    ASSERT_TRUE(ProcessUntil([&] { return run.AlbumsListed(); }, 15000));
    EXPECT_TRUE(AskedForAQrCode(service));
  }
  ASSERT_TRUE(store.Load().has_value());

  {  // Next start: straight to the user's albums, no QR code.
    service.ClearRequests();
    ProgramRun run(service, &store, downloads);
    run.Start();
    EXPECT_EQ(run.windows().SignIn(), nullptr);
    ASSERT_TRUE(ProcessUntil([&] { return run.AlbumsListed(); }, 15000));
    EXPECT_TRUE(run.windows().Main()->windowTitle().endsWith(QString::fromUtf8(" - 微相册")));
    EXPECT_FALSE(AskedForAQrCode(service));
    EXPECT_TRUE(store.Load().has_value());
  }

  {  // The service ended the session: removed, and the QR sign-in runs.
    ASSERT_GE(service.Revoke(), 1);
    service.ClearRequests();
    ProgramRun run(service, &store, downloads);
    run.Start();
    bool removed_when_asked = false;
    ASSERT_TRUE(ProcessUntil(
        [&] {
          if (run.windows().SignIn() == nullptr) return false;
          removed_when_asked = !std::filesystem::exists(store.Path());
          return true;
        },
        15000));
    EXPECT_TRUE(removed_when_asked);
    // The simulated phone confirms the new code; the new session is kept.
    ASSERT_TRUE(ProcessUntil([&] { return run.AlbumsListed(); }, 15000));
    EXPECT_TRUE(AskedForAQrCode(service));
  }
  EXPECT_TRUE(store.Load().has_value());
}

ByteArray PngCover() {
  QImage image(300, 200, QImage::Format_RGB32);
  image.fill(Qt::darkGreen);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return ByteArray(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

TEST(AlbumListWindowTest, TheWindowRunsTimersWhileAListLoads) {
  TestApplication();
  // The album list is answered only once a timer of the window's thread has
  // fired (or after ten seconds).
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> list_answered = false;
  const ByteArray cover_png = PngCover();
  LoopbackServer server;
  const Text cover = "http://" + server.HostPort() + "/cover.bmp";
  server.SetHandler([&, released](const ByteArray& request) {
    const Text target = RequestTarget(request);
    if (target == "/u/3") {
      return MakeReply("200 OK", {"Content-Type: text/html; charset=utf-8"},
                       "$CONFIG['oid']='3'; $CONFIG['onick']='three'; ");
    }
    if (target.starts_with("/albums/get_all?uid=3&")) {
      released.wait_for(std::chrono::seconds(10));
      list_answered = true;
      Text list;
      for (const char* caption : {"c1", "c2", "c3"}) {
        list += Text(list.empty() ? "" : ",") + R"({"caption":")" + caption +
                R"(","album_id":"1","type":3,"cover_pic":")" + cover +
                R"(","count":{"photos":7}})";
      }
      return MakeReply("200 OK", {"Content-Type: application/json"},
                       R"({"data":{"album_list":[)" + list + "]}}");
    }
    return MakeReply("200 OK", {"Content-Type: image/png"}, cover_png);
  });

  QtWindowOps windows;
  windows.LoadWindow(WindowId::kMain);
  QTemporaryDir downloads;
  FakeShell shell(QStringToGbk(downloads.path()));
  Endpoints endpoints;
  endpoints.main_host = endpoints.photo_host = endpoints.static_host = server.HostPort();
  auto state = std::make_shared<ProgramState>();
  state->profile_address = "http://" + server.HostPort() + "/u/3";
  std::vector<bool> ended;
  StartProfileLookup(FlowContext{state, &windows, &shell, &endpoints},
                     [&](bool found) { ended.push_back(found); });
  bool fired_while_loading = false;
  QTimer::singleShot(10, [&] {
    fired_while_loading = !list_answered;
    release.set_value();
  });
  ASSERT_TRUE(ProcessUntil([&] { return !ended.empty(); }, 15000));
  EXPECT_TRUE(fired_while_loading);
  EXPECT_EQ(ended, std::vector<bool>{true});
  QListWidget* albums = windows.Main()->Albums();
  ASSERT_EQ(albums->count(), 3);
  EXPECT_EQ(albums->item(2)->text(), QString::fromUtf8("c3_7张"));
  EXPECT_FALSE(albums->item(2)->icon().isNull());
  EXPECT_EQ(windows.Main()->windowTitle(), QString::fromUtf8("three - 微相册"));

  state->lookup_pool.Destroy();
  while (state->lookup_pool.LiveWorkers() > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace
}  // namespace weibo
