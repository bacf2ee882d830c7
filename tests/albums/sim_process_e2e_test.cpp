// The sign-in and album flows of the Windows build, end to end, against a
// weibo-sim program that CTest starts on the Linux side (the simulator does
// not build for Windows). Its hosts come from the file WEIBO_SIM_ENDPOINTS
// names; QR codes confirm themselves there. A second one, whose hosts are in
// WEIBO_PACED_SIM_ENDPOINTS, limits the rate of each client's requests.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <thread>

#include "albums/album_download.h"
#include "albums/download_run.h"
#include "albums/whole_account.h"
#include "albums/album_list.h"
#include "albums/saved_pictures.h"
#include "flow/recording_window_ops.h"
#include "signin/qr_sign_in.h"
#include "signin/sign_in_texts.h"
#include "tests/albums/download_workers.h"
#include "tests/common/flow_teardown.h"
#include "tests/common/test_support.h"
#include "web/http_request.h"

namespace weibo {
namespace {

const Text kDone = Gbk("状态:貌似都已经下载完了,请点击上方的'查看下载',如数量不一致为某些图片重复或被权限;");

// The simulator's hosts, read from the fixture's file that the environment
// variable `variable` names; empty when missing.
Endpoints ReadEndpoints(const char* variable = "WEIBO_SIM_ENDPOINTS") {
  Endpoints endpoints;
  const char* file = std::getenv(variable);
  if (file == nullptr) return endpoints;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string name = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (name == "WEIBO_SIGNON_HOST") endpoints.signon_host = value;
    if (name == "WEIBO_MAIN_HOST") endpoints.main_host = value;
    if (name == "WEIBO_MAIN_DOMAIN") endpoints.main_domain = value;
    if (name == "WEIBO_PHOTO_HOST") endpoints.photo_host = value;
    if (name == "WEIBO_STATIC_HOST") endpoints.static_host = value;
  }
  return endpoints;
}

bool IsPicture(const ByteArray& bytes) {
  return bytes.rfind("\xFF\xD8", 0) == 0 || bytes.rfind("\x89PNG", 0) == 0 ||
         bytes.rfind("GIF8", 0) == 0;
}

// Signs in through the QR code (it confirms itself) and lists the signed-in
// user's own albums.
void SignInAndList(const FlowContext& context, RecordingWindowOps& windows) {
  windows.LoadWindow(WindowId::kSignIn);
  QrSignInPaced(context, SignInPacing{5, 5});
  context.state->profile_address = "http://" + context.endpoints->main_host + "/";
  ASSERT_TRUE(ResolveProfile(context));
}

TEST(SimProcessEndToEnd, SignsInListsAlbumsAndDownloadsUnderChineseFolderNames) {
  const Endpoints endpoints = ReadEndpoints();
  ASSERT_FALSE(endpoints.signon_host.empty()) << "no simulator endpoints";
  TempFolder temp;
  FakeShell shell(temp.text());
  RecordingWindowOps windows;
  auto state = std::make_shared<ProgramState>();
  const FlowContext context{state, &windows, &shell, &endpoints};

  // Sign-in: the QR picture becomes a BMP for the window; the code confirms
  // itself; the jar fills; the signed-in user's own albums, with cover icons.
  ASSERT_NO_FATAL_FAILURE(SignInAndList(context, windows));
  ASSERT_TRUE(windows.IsLoaded(WindowId::kMain));
  EXPECT_EQ(windows.LabelText(), kSignInSucceeded);
  EXPECT_TRUE(windows.MessageBoxes().empty());
  EXPECT_FALSE(state->cookie_jar.empty());
  ASSERT_GT(windows.Items().size(), 3u);
  EXPECT_EQ(windows.LargeIconList().pictures.size(), windows.Items().size());

  // The fourth album's caption holds a character whose second byte is "\"
  // in code page 936: its folder must still be one Chinese-named folder.
  ASSERT_TRUE(StartDownloadWorkers(context));
  windows.SelectItem(3);
  DownloadAlbum(context, "/mw690/");
  for (int i = 0; i < 6000 && windows.StatusText() != kDone; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    windows.RunPostedCalls();
  }
  EXPECT_EQ(windows.StatusText(), kDone);
  StopWorkers(*state);

  const std::vector<std::string> roots = FolderEntries(temp.path());
  ASSERT_EQ(roots.size(), 1u);
  EXPECT_NE(roots[0].find(" - 微相册"), std::string::npos) << roots[0];
  const std::filesystem::path folder = Below(temp.path(), {roots[0], "淺草寺與雷門"});
  std::vector<std::string> files = FolderEntries(folder);
  // The album's record of saved pictures lies beside them.
  std::erase(files, std::string(kSavedPicturesFileName));
  EXPECT_EQ(files.size(), 32u);
  EXPECT_EQ(state->saved_count, 32);
  for (const std::string& name : files) {
    EXPECT_TRUE(IsPicture(ReadWholeFile(folder / std::u8string(name.begin(), name.end())))) << name;
  }
}

// Lines of the album's record of saved pictures: one per picture saved.
long RecordLines(const std::filesystem::path& folder) {
  const ByteArray record = ReadWholeFile(folder / kSavedPicturesFileName);
  return static_cast<long>(std::count(record.begin(), record.end(), '\n'));
}

// A stop in the middle of a large album, the download that resumes it, and
// then every album of the account at once (one of them complete already,
// one empty) in one round.
TEST(SimProcessEndToEnd, StopResumeAndTheWholeAccount) {
  const Endpoints endpoints = ReadEndpoints();
  ASSERT_FALSE(endpoints.signon_host.empty()) << "no simulator endpoints";
  TempFolder temp;
  FakeShell shell(temp.text());
  RecordingWindowOps windows;
  auto state = std::make_shared<ProgramState>();
  const FlowContext context{state, &windows, &shell, &endpoints};
  ASSERT_NO_FATAL_FAILURE(SignInAndList(context, windows));
  ASSERT_TRUE(StartDownloadWorkers(context));
  auto run_to_end = [&] {
    for (int i = 0; i < 12000 && state->tasks_pending.load() != 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      windows.RunPostedCalls();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    windows.RunPostedCalls();
  };

  // The first album holds 300 pictures.
  windows.SelectItem(0);
  DownloadAlbum(context, "/mw690/");
  for (int i = 0; i < 6000 && state->saved_count < 20; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    windows.RunPostedCalls();
  }
  StopDownloads(context);
  run_to_end();
  const int saved = state->saved_count;
  ASSERT_LT(saved, 300);
  EXPECT_EQ(windows.StatusText(),
            Gbk("状态:下载已停止,已保存 ") + std::to_string(saved) + Gbk(" 张"));
  const std::vector<std::string> roots = FolderEntries(temp.path());
  ASSERT_EQ(roots.size(), 1u);
  const std::filesystem::path first = Below(temp.path(), {roots[0], "微博配图"});
  std::vector<std::string> files = FolderEntries(first);
  std::erase(files, std::string(kSavedPicturesFileName));
  EXPECT_EQ(static_cast<int>(files.size()), saved);  // no temporary file left
  EXPECT_EQ(RecordLines(first), saved);

  // Resumed: only the missing pictures are fetched, so the record gains
  // exactly one line for each.
  DownloadAlbum(context, "/mw690/");
  run_to_end();
  EXPECT_EQ(windows.StatusText(), kDone);
  EXPECT_EQ(RecordLines(first), 300);

  // The whole account: the complete album adds nothing to its record; the
  // empty one gets its folder.
  DownloadWholeAccount(context, "/mw690/");
  run_to_end();
  EXPECT_EQ(windows.StatusText(), kDone);
  EXPECT_EQ(RecordLines(first), 300);
  EXPECT_TRUE(std::filesystem::is_directory(Below(temp.path(), {roots[0], "头像相册"})));
  EXPECT_EQ(FolderEntries(Below(temp.path(), {roots[0], "淺草寺與雷門"})).size(), 33u);
  EXPECT_GE(FolderEntries(Below(temp.path(), {roots[0]})).size(), windows.Items().size() - 2);
  StopWorkers(*state);
}

// The replies of the simulator's log (its /__sim/log) that its rate limit
// refused, so far.
long RateLimitedInLog(const Endpoints& endpoints) {
  const ByteArray log = HttpRequest("http://" + endpoints.signon_host + "/__sim/log");
  long count = 0;
  for (std::size_t at = log.find("\"ratelimit\""); at != ByteArray::npos;
       at = log.find("\"ratelimit\"", at + 1)) {
    ++count;
  }
  return count;
}

// Notes whether the status bar ever said that the service asked us to slow
// down.
class SlowDownWindows : public RecordingWindowOps {
 public:
  void SetStatusText(int part, const Text& text) override {
    RecordingWindowOps::SetStatusText(part, text);
    if (text.rfind(Gbk("状态:服务器要求放慢,"), 0) == 0) slowed = true;
  }
  std::atomic<bool> slowed{false};
};

// An album downloaded from a service that refuses requests beyond its rate:
// every picture arrives, the workers keep to the host's pace after the first
// refusals (each on its own would meet the limit again and again), and the
// status bar says that the service asked us to slow down.
TEST(SimProcessEndToEnd, PacingKeepsARateLimitedServiceMostlyAnswering) {
  const Endpoints endpoints = ReadEndpoints("WEIBO_PACED_SIM_ENDPOINTS");
  ASSERT_FALSE(endpoints.signon_host.empty()) << "no rate-limited simulator endpoints";
  TempFolder temp;
  FakeShell shell(temp.text());
  SlowDownWindows windows;
  auto state = std::make_shared<ProgramState>();
  state->retry_pauses = {std::chrono::milliseconds(200), std::chrono::milliseconds(300),
                         std::chrono::milliseconds(400), std::chrono::milliseconds(500)};
  const FlowContext context{state, &windows, &shell, &endpoints};
  // Signed in and listed at a pace the limit allows; the covers may meet
  // the limit, the bucket fills up again before the download.
  windows.LoadWindow(WindowId::kSignIn);
  QrSignInPaced(context, SignInPacing{300, 300});
  std::this_thread::sleep_for(std::chrono::seconds(1));
  state->profile_address = "http://" + endpoints.main_host + "/";
  ASSERT_TRUE(ResolveProfile(context));
  ASSERT_GT(windows.Items().size(), 6u);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  const long refused_before = RateLimitedInLog(endpoints);
  ASSERT_TRUE(StartDownloadWorkers(context));

  // The seventh album: 65 pictures on 3 pages.
  windows.SelectItem(6);
  DownloadAlbum(context, "/mw690/");
  for (int i = 0; i < 12000 && state->tasks_pending.load() != 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    windows.RunPostedCalls();
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  windows.RunPostedCalls();
  EXPECT_EQ(windows.StatusText(), kDone);
  EXPECT_EQ(state->saved_count, 65);
  const int requests = state->requests_sent.load();
  const int refused = state->rate_limited_replies.load();
  EXPECT_GT(refused, 0);
  EXPECT_LE(refused * 5, requests) << refused << " of " << requests;
  EXPECT_TRUE(windows.slowed.load());
  // The refusals the download met are the service's own.
  EXPECT_EQ(RateLimitedInLog(endpoints) - refused_before, refused);
  StopWorkers(*state);
}

}  // namespace
}  // namespace weibo
