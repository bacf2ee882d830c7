// album-list: how long listing a user with 64 albums takes, against curl
// fetching the same 66 addresses (profile page, album list, 64 covers) five
// at a time. The simulated service runs in a process of its own with a fixed
// latency on every request; the two cases take turns (tool, curl, tool,
// curl ...) so that both meet the same machine load. Prints every round, the
// median and spread of each case, and the ratio of the medians last. The
// tool's side runs the real main window (Qt; offscreen unless QT_QPA_PLATFORM
// names another platform) and is timed until the filled view has painted.
// Usage: album-list [ROUNDS [LATENCY_MS]]   (defaults: 7 rounds, 20 ms)
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include "albums/album_list.h"
#include "app/qt/qt_window_ops.h"
#include "bench/album_list_bench_processes.h"
#include "flow/recording_window_ops.h"
#include "signin/qr_sign_in.h"

namespace weibo::bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kAlbums = 64;
constexpr int kParallel = 5;

// The recording window layer with a user-interface thread that sleeps until
// a call is posted to it.
class WaitingWindowOps : public RecordingWindowOps {
 public:
  void PostToUiThread(std::function<void()> call) override {
    RecordingWindowOps::PostToUiThread(std::move(call));
    std::lock_guard<std::mutex> hold(mutex_);
    posted_ = true;
    wake_.notify_all();
  }
  // Runs posted calls until `done` holds; false after `limit`.
  bool RunUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    const Clock::time_point end = Clock::now() + limit;
    while (!done()) {
      {
        std::unique_lock<std::mutex> hold(mutex_);
        if (!wake_.wait_until(hold, end, [this] { return posted_; })) return false;
        posted_ = false;
      }
      RunPostedCalls();
    }
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  bool posted_ = false;
};

class NoShell : public Shell {
 public:
  bool OpenAddress(const Text&) override { return false; }
  bool ShowItemSelected(const Text&) override { return false; }
  FolderSpelling LocateFolder(KnownFolder) override {
    const Text folder = std::filesystem::temp_directory_path().string();
    return FolderSpelling{folder, folder};
  }
  Text PathSeparator() const override { return "/"; }
};

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Signs in through the QR code, which the service confirms by itself, and
// returns the cookie jar.
Text SignIn(const Endpoints& endpoints) {
  WaitingWindowOps windows;
  NoShell shell;
  auto state = std::make_shared<ProgramState>();
  windows.LoadWindow(WindowId::kSignIn);
  QrSignInPaced(FlowContext{state, &windows, &shell, &endpoints}, SignInPacing{20, 50});
  if (!windows.IsLoaded(WindowId::kMain)) Fail("the sign-in did not finish");
  return state->cookie_jar;
}

// Notes the first time the album view paints with every album in it; the
// moment is taken once that paint has finished, when the event loop runs
// again, and the loop is then left.
class PaintWatch : public QObject {
 public:
  explicit PaintWatch(AlbumView* view) : view_(view) { view_->viewport()->installEventFilter(this); }
  std::optional<Clock::time_point> painted;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !armed_ && view_->count() == kAlbums) {
      armed_ = true;
      QTimer::singleShot(0, [this] {
        painted = Clock::now();
        QCoreApplication::quit();
      });
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  AlbumView* view_;
  bool armed_ = false;
};

// The real windows, noting when a call was last posted to the window's
// thread (the last one of a listing hands the covers over).
class TimedQtWindowOps : public QtWindowOps {
 public:
  void PostToUiThread(std::function<void()> call) override {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      last_post_ = Clock::now();
    }
    QtWindowOps::PostToUiThread(std::move(call));
  }
  Clock::time_point LastPost() {
    std::lock_guard<std::mutex> hold(mutex_);
    return last_post_;
  }

 private:
  std::mutex mutex_;
  Clock::time_point last_post_;
};

// One listing by the tool, as the main window's first activation starts it,
// on a fresh state (fresh workers and connections, as curl starts afresh)
// and a fresh main window, shown before the clock starts. Timed from the
// start of the lookup until the filled album view has painted.
double ListOnce(const Endpoints& endpoints, const Text& cookies, std::vector<AlbumRecord>* albums) {
  TimedQtWindowOps windows;
  NoShell shell;
  windows.LoadWindow(WindowId::kMain);
  QCoreApplication::processEvents();
  auto state = std::make_shared<ProgramState>();
  state->cookie_jar = cookies;
  state->profile_address = "http://" + endpoints.main_host + "/";
  PaintWatch watch(windows.Main()->Albums());
  std::optional<bool> found;
  Clock::time_point filled;
  QTimer limit;
  limit.setSingleShot(true);
  QObject::connect(&limit, &QTimer::timeout, [] { QCoreApplication::quit(); });
  limit.start(120000);
  const Clock::time_point start = Clock::now();
  StartProfileLookup(FlowContext{state, &windows, &shell, &endpoints},
                     [&found, &filled](bool result) {
                       found = result;
                       filled = Clock::now();
                     });
  QApplication::exec();
  if (!watch.painted) Fail("the listing did not finish");
  const double seconds = std::chrono::duration<double>(*watch.painted - start).count();
  if (std::getenv("ALBUM_LIST_STEPS") != nullptr) {
    std::printf("    covers in at %.1f ms, view filled %.1f ms later, painted %.1f ms later\n",
                std::chrono::duration<double, std::milli>(windows.LastPost() - start).count(),
                std::chrono::duration<double, std::milli>(filled - windows.LastPost()).count(),
                std::chrono::duration<double, std::milli>(*watch.painted - filled).count());
  }
  if (!found.value_or(false) || windows.Main()->Albums()->count() != kAlbums) {
    Fail("the listing is not complete");
  }
  if (albums != nullptr) *albums = state->album_table;
  windows.StopStatusUpdates();
  state->lookup_pool.Destroy();
  while (state->lookup_pool.LiveWorkers() > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return seconds;
}

double CurlOnce(const CurlConfig& config, const Text& cookies) {
  const Clock::time_point start = Clock::now();
  RunCurl(config, kParallel, cookies);
  return SecondsSince(start);
}

struct Summary {
  double median = 0;
  double low = 0;
  double high = 0;
};

Summary Summarise(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  const std::size_t n = times.size();
  const double median = n % 2 == 1 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
  return Summary{median, times.front(), times.back()};
}

void PrintSummary(const char* name, const Summary& s) {
  std::printf("%-34s median %7.1f ms   spread %7.1f .. %7.1f ms (%+.0f%% .. %+.0f%%)\n", name,
              s.median * 1000, s.low * 1000, s.high * 1000, (s.low / s.median - 1) * 100,
              (s.high / s.median - 1) * 100);
}

int Run(int rounds, int latency_ms) {
  SimProcess sim(WEIBO_SIM_PROGRAM,
                 {"--albums", std::to_string(kAlbums), "--photos", "1", "--auto-confirm", "100",
                  "--fault", "latency:1:" + std::to_string(latency_ms)});
  const Endpoints& endpoints = sim.endpoints();
  const Text cookies = SignIn(endpoints);

  // A first listing, not timed, gives the cover addresses.
  std::vector<AlbumRecord> albums;
  ListOnce(endpoints, cookies, &albums);
  std::vector<Text> addresses = {"http://" + endpoints.main_host + "/"};
  const std::chrono::milliseconds now = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  addresses.push_back("http://" + endpoints.photo_host + "/albums/get_all?uid=1900000001" +
                      "&page=1&count=64&__rnd=" + std::to_string(now.count()));
  for (const AlbumRecord& album : albums) addresses.push_back(album.cover_address);
  const CurlConfig config(addresses);
  CurlOnce(config, cookies);

  std::printf("album-list: a user with %d albums, %d ms latency per request, %d rounds\n",
              kAlbums, latency_ms, rounds);
  std::printf("  A: the tool's listing (profile, list, covers %d at a time), until the main\n"
              "     window's album view has painted\n",
              kParallel);
  std::printf("  B: curl --parallel --parallel-max %d on the same %zu addresses\n", kParallel,
              addresses.size());
  std::vector<double> tool_times;
  std::vector<double> curl_times;
  for (int round = 1; round <= rounds; ++round) {
    tool_times.push_back(ListOnce(endpoints, cookies, nullptr));
    curl_times.push_back(CurlOnce(config, cookies));
    std::printf("  round %d: A %7.1f ms   B %7.1f ms\n", round, tool_times.back() * 1000,
                curl_times.back() * 1000);
    std::fflush(stdout);
  }
  const Summary tool = Summarise(tool_times);
  const Summary curl = Summarise(curl_times);
  PrintSummary("A tool listing", tool);
  PrintSummary("B curl, same addresses", curl);
  std::printf("ratio A / B (medians): %.2f\n", tool.median / curl.median);
  return 0;
}

}  // namespace
}  // namespace weibo::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const int rounds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 7;
  const int latency_ms = argc > 2 ? std::max(0, std::atoi(argv[2])) : 20;
  return weibo::bench::Run(rounds, latency_ms);
}
