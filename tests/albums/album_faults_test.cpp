// Album downloads under faults: every fault of the simulated service at once
// at low rates, and downloads killed at random moments. Whatever happens,
// a file under its final name is always a complete picture, nothing
// temporary stays behind, and the counts match the files.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <thread>

#include "albums/album_download.h"
#include "albums/download_status.h"
#include "albums/album_list.h"
#include "albums/album_texts.h"
#include "albums/saved_pictures.h"
#include "flow/recording_window_ops.h"
#include "tests/albums/finishing_text.h"
#include "tests/albums/download_workers.h"
#include "tests/common/flow_teardown.h"
#include "tests/common/test_support.h"
#include "tools/weibo-sim/weibo_sim.h"

extern char** environ;

namespace weibo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr char kSegment[] = "mw690";

sim::SimOptions AlbumOptions(int photos, const std::vector<std::string>& fault_rules) {
  sim::SimOptions options;
  options.bench_albums = 1;
  options.bench_photos = photos;
  options.picture_kib = 24;
  options.seed = 7;
  for (const std::string& text : fault_rules) {
    sim::FaultRule rule;
    Text error;
    EXPECT_TRUE(sim::ParseFaultRule(text, &rule, &error)) << text << ": " << error;
    options.faults.push_back(rule);
  }
  return options;
}

// The files a complete download of the signed-in user's first album holds,
// by file name.
std::map<std::string, ByteArray> ExpectedFiles(const sim::WeiboSim& sim) {
  const sim::User& user = *sim.data().FindUser(sim.signin_uid());
  std::map<std::string, ByteArray> files;
  for (const sim::Photo& photo : user.albums.at(0).photos) {
    files[std::to_string(photo.updated_at) + "_" + photo.pic_name] =
        sim.PictureBytes(kSegment, photo.pic_name);
  }
  return files;
}

struct FolderCheck {
  int pictures = 0;     // complete pictures under their final names
  int temporaries = 0;  // anything else but the album's two records
  int failed = 0;       // lines of the list of failed downloads
};

// The album's record of saved pictures and its list of failed downloads.
bool IsAlbumRecord(const std::string& name) {
  return name == kSavedPicturesFileName || name == kFailedListFileName;
}

int CountLines(const std::filesystem::path& file) {
  const ByteArray bytes = ReadWholeFile(file);
  return static_cast<int>(std::count(bytes.begin(), bytes.end(), '\n'));
}

// Walks everything below `root`: a file under a picture's name must hold
// exactly that picture; every other file but the album's records counts as
// a temporary.
FolderCheck CheckFiles(const std::filesystem::path& root,
                       const std::map<std::string, ByteArray>& expected) {
  FolderCheck check;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string();
    if (name == kFailedListFileName) check.failed = CountLines(entry.path());
    if (IsAlbumRecord(name)) continue;
    const auto it = expected.find(name);
    if (it == expected.end()) {
      ++check.temporaries;
      ADD_FAILURE() << "not a picture: " << entry.path();
      continue;
    }
    EXPECT_TRUE(ReadWholeFile(entry.path()) == it->second) << "partial or wrong: " << name;
    ++check.pictures;
  }
  return check;
}

// What a download from the simulated service works with: a folder, the
// windows, and a state signed in to the service whose profile is its own.
struct SimDownload {
  explicit SimDownload(sim::WeiboSim& sim) : endpoints(sim.endpoints()), shell(temp.text()) {
    state->cookie_jar = sim::WeiboSim::CookieHeader(sim.SignedInCookies());
    state->profile_address = "http://" + endpoints.main_host + "/";
  }
  Endpoints endpoints;
  TempFolder temp;
  FakeShell shell;
  RecordingWindowOps windows;
  std::shared_ptr<ProgramState> state = std::make_shared<ProgramState>();
};

TEST(AlbumFaultsTest, EveryFaultAtOnceLeavesOnlyCompletePictures) {
  // Faults on the photo lists and on the pictures, none on the sign-in or
  // the album list, so that the download itself always starts.
  std::vector<std::string> rules;
  for (const char* path : {"@/photos/", "@/mw690/"}) {
    for (const char* fault : {"latency:0.2:40", "status:0.03:503", "status:0.02:403",
                              "reset:0.03", "short:0.03", "stall:0.02:1500", "headers:0.02",
                              "badjson:0.05", "html:0.03"}) {
      rules.push_back(std::string(fault) + path);
    }
  }
  sim::WeiboSim sim(AlbumOptions(200, rules));
  ASSERT_TRUE(sim.Start()) << sim.error();
  SimDownload setup(sim);
  const Endpoints& endpoints = setup.endpoints;
  const TempFolder& temp = setup.temp;
  RecordingWindowOps& windows = setup.windows;
  std::shared_ptr<ProgramState>& state = setup.state;
  // Short pauses between retries keep the test quick; the retries are the
  // same as with the program's pauses.
  state->retry_pauses = {std::chrono::milliseconds(50), std::chrono::milliseconds(100),
                         std::chrono::milliseconds(200), std::chrono::milliseconds(400)};
  const FlowContext context{state, &windows, &setup.shell, &endpoints};
  ASSERT_TRUE(ResolveProfile(context));
  ASSERT_EQ(state->album_table.size(), 1u);
  ASSERT_TRUE(StartDownloadWorkers(context));
  windows.SelectItem(0);

  // No attempt can take longer than a stall (the service closes it after
  // 1.5 s, far below the transport's idle time-out) plus its delay. The
  // album is 200 pictures and 7 photo-list pages, each tried at most five
  // times on 5 workers; the pauses between retries hold no worker, so at
  // most the longest chain of pauses adds to that.
  const auto worst_attempt = std::chrono::milliseconds(1500 + 40);
  const auto bound = 207 * 5 * worst_attempt / 5 + std::chrono::milliseconds(750 * 6 / 5);
  const Clock::time_point start = Clock::now();
  DownloadAlbum(context, "/mw690/");
  while (!IsFinishingText(windows.StatusText()) && Clock::now() - start < bound) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    windows.RunPostedCalls();
  }
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
  ASSERT_TRUE(IsFinishingText(windows.StatusText())) << "not finished after " << took.count() << " ms";
  StopWorkers(*state);

  const auto expected = ExpectedFiles(sim);
  const FolderCheck check = CheckFiles(temp.path(), expected);
  EXPECT_EQ(check.temporaries, 0);
  EXPECT_EQ(state->saved_count, check.pictures);
  // Every picture is either saved or listed as failed, and the finishing
  // text says how many failed.
  const int failed = state->failed_count;
  EXPECT_EQ(check.pictures + failed, static_cast<int>(expected.size()));
  EXPECT_EQ(windows.StatusText(), FinishingText(failed));
  EXPECT_EQ(check.failed > 0, failed > 0);
  int faults = 0;
  for (const auto& request : sim.Requests()) faults += request.fault.empty() ? 0 : 1;
  EXPECT_GT(faults, 0);
  std::printf("%d of %zu pictures saved, %d failed, in %lld ms, %d requests hit by a fault\n",
              check.pictures, expected.size(), failed, static_cast<long long>(took.count()),
              faults);
}

TEST(AlbumFaultsTest, PagesForPicturesAndAnEndedSignInAreNeverTakenForSuccess) {
  // Every third picture reply, first tries and retries alike, is a sign-in
  // page with status 200; a picture is tried twice.
  sim::WeiboSim sim(AlbumOptions(100, {"html:0.3@/mw690/"}));
  ASSERT_TRUE(sim.Start()) << sim.error();
  SimDownload setup(sim);
  RecordingWindowOps& windows = setup.windows;
  std::shared_ptr<ProgramState>& state = setup.state;
  state->retry_pauses = {std::chrono::milliseconds(5)};
  int ended = 0;
  FlowHooks hooks;
  hooks.sign_in_ended = [&ended](const FlowContext&) { ++ended; };
  const FlowContext context{state, &windows, &setup.shell, &setup.endpoints, &hooks};
  ASSERT_TRUE(ResolveProfile(context));
  ASSERT_TRUE(StartDownloadWorkers(context));
  windows.SelectItem(0);
  const auto run = [&] {
    DownloadAlbum(context, "/mw690/");
    for (int i = 0; i < 3000; ++i) {
      windows.RunPostedCalls();
      if (state->tasks_pending.load() == 0 && !state->status_update_queued.load()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    windows.RunPostedCalls();
    ASSERT_EQ(state->tasks_pending.load(), 0);
  };

  run();
  const auto expected = ExpectedFiles(sim);
  const FolderCheck check = CheckFiles(setup.temp.path(), expected);  // only whole pictures
  const int failed = state->failed_count;
  EXPECT_GT(failed, 0);  // 0.3 squared of 100: some fail both tries
  EXPECT_EQ(check.pictures + failed, 100);
  EXPECT_EQ(check.failed, failed);
  EXPECT_EQ(windows.StatusText(), FinishingText(failed));

  // The service ends the sign-in: the list answers "请先登录", the pages stop,
  // and the list of failed pictures stays.
  sim.Revoke();
  sim.ClearRequests();
  run();
  EXPECT_TRUE(windows.StatusText().starts_with(kSignInEndedText)) << windows.StatusText();
  EXPECT_EQ(ended, 1);
  int lists = 0;
  for (const auto& request : sim.Requests()) {
    if (request.path.starts_with("/photos/")) ++lists;
    EXPECT_FALSE(request.path.starts_with("/mw690/")) << request.path;
  }
  EXPECT_GE(lists, 1);
  EXPECT_LE(lists, 4);  // four pages; none after a worker saw the reply
  EXPECT_EQ(CheckFiles(setup.temp.path(), expected).failed, failed + 4);  // + the four pages
  StopWorkers(*state);
}

// Starts the child that downloads the first album into `folder`.
pid_t StartDownload(const std::filesystem::path& folder, const Text& host, const Text& cookies) {
  const std::string program = WEIBO_DOWNLOAD_CHILD;
  const std::string folder_text = folder.string();
  char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(folder_text.c_str()),
                  const_cast<char*>(host.c_str()), const_cast<char*>(cookies.c_str()), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
  return pid;
}

// Waits for the child and returns its exit code, or -signal.
int WaitFor(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1000;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

class AlbumKillTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim_.Start()) << sim_.error();
    host_ = sim_.endpoints().main_host;
    cookies_ = sim::WeiboSim::CookieHeader(sim_.SignedInCookies());
    expected_ = ExpectedFiles(sim_);
  }

  // Kills a download of the album into the same folder at random moments,
  // `times` times, checking after each kill that every final-named file is
  // a complete picture. With `start_afresh`, the folder is emptied after
  // each check, so that every kill hits a download from its start rather
  // than one that resumes.
  void KillAtRandomMoments(int times, bool start_afresh) {
    std::random_device device;
    const unsigned seed = device();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay_ms(50, 1500);
    SCOPED_TRACE("seed " + std::to_string(seed));
    for (int i = 0; i < times; ++i) {
      const pid_t pid = StartDownload(temp_.path(), host_, cookies_);
      ASSERT_GT(pid, 0);
      const int delay = delay_ms(random);
      std::this_thread::sleep_for(std::chrono::milliseconds(delay));
      kill(pid, SIGKILL);
      const int result = WaitFor(pid);
      EXPECT_TRUE(result == -SIGKILL || result == 0) << "child ended with " << result;
      SCOPED_TRACE("killed after " + std::to_string(delay) + " ms");
      const FolderCheck check = CheckFinalNames();
      std::printf("killed after %d ms: %d pictures, %d other files\n", delay, check.pictures,
                  check.temporaries);
      if (start_afresh) {
        for (const auto& entry : std::filesystem::directory_iterator(temp_.path())) {
          std::filesystem::remove_all(entry.path());
        }
      }
    }
  }

  // Every file under a picture's name is that picture, whole.
  FolderCheck CheckFinalNames() {
    FolderCheck check;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(temp_.path())) {
      if (!entry.is_regular_file() || IsAlbumRecord(entry.path().filename().string())) continue;
      const auto it = expected_.find(entry.path().filename().string());
      if (it == expected_.end()) {
        ++check.temporaries;
        continue;
      }
      EXPECT_TRUE(ReadWholeFile(entry.path()) == it->second) << "partial: " << entry.path();
      ++check.pictures;
    }
    return check;
  }

  // Each picture request waits a little, so a download of the album takes
  // about one and a half seconds and a kill lands in the middle of it.
  sim::WeiboSim sim_{AlbumOptions(120, {"latency:1:60@/mw690/"})};
  TempFolder temp_;
  Text host_;
  Text cookies_;
  std::map<std::string, ByteArray> expected_;
};

TEST_F(AlbumKillTest, KilledDownloadsNeverLeaveAPartialFinalFile) {
  KillAtRandomMoments(6, true);
}

TEST_F(AlbumKillTest, TheNextDownloadLeavesNoTemporaryBehind) {
  // Each run resumes what the killed ones left.
  KillAtRandomMoments(4, false);
  // A kill does not always land inside a transfer: leave a temporary file
  // as a killed transfer would, beside the pictures (unless every kill came
  // before the first picture).
  for (const auto& entry : std::filesystem::recursive_directory_iterator(temp_.path())) {
    if (!entry.is_regular_file()) continue;
    const std::string stale_name = "." + expected_.begin()->first + ".4242.part";
    std::ofstream(entry.path().parent_path() / stale_name) << "half a picture";
    break;
  }

  const pid_t pid = StartDownload(temp_.path(), host_, cookies_);
  ASSERT_GT(pid, 0);
  ASSERT_EQ(WaitFor(pid), 0);
  const FolderCheck check = CheckFinalNames();
  EXPECT_EQ(check.pictures, static_cast<int>(expected_.size()));
  EXPECT_EQ(check.temporaries, 0);
}

}  // namespace
}  // namespace weibo
