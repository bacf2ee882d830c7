// Measures the album download path against the in-process simulated service
// and prints every time against a baseline measured in the same run:
//   - one album downloaded by the worker pool with 5 workers, against 1;
//   - picture requests on one thread that keeps its connection, against a
//     new connection for every request.
// Usage: weibo-bench [LATENCY_MS [REPEATS]]   (defaults: 3 ms, 5 runs each)
#include <stdlib.h>  // mkdtemp

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "albums/album_download.h"
#include "albums/album_list.h"
#include "albums/album_texts.h"
#include "flow/recording_window_ops.h"
#include "tools/weibo-sim/weibo_sim.h"
#include "web/curl_transport.h"
#include "web/http_request.h"

namespace weibo {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPictures = 160;
constexpr int kPictureKib = 64;
constexpr char kSegment[] = "mw690";

// What one run moved and how long it took.
struct Sample {
  double seconds = 0;
  int pictures = 0;
  std::uintmax_t bytes = 0;
};

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "weibo-bench: %s\n", why.c_str());
  std::exit(1);
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs `once` `repeats` times; the median time, with what the last run moved.
Sample Median(int repeats, const std::function<Sample()>& once) {
  std::vector<double> times;
  Sample last;
  for (int i = 0; i < repeats; ++i) {
    last = once();
    if (last.pictures != kPictures) {
      std::fprintf(stderr, "weibo-bench: a run got %d of %d pictures\n", last.pictures, kPictures);
    }
    times.push_back(last.seconds);
  }
  std::sort(times.begin(), times.end());
  const std::size_t n = times.size();
  last.seconds = n % 2 == 1 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
  return last;
}

// The window layer of the downloads, which also wakes a waiting thread when
// the last page shows the finishing text.
class WatchedWindowOps : public RecordingWindowOps {
 public:
  void SetStatusText(int part, const Text& text) override {
    RecordingWindowOps::SetStatusText(part, text);
    if (text != kAllPagesDoneText) return;
    std::lock_guard<std::mutex> hold(done_mutex_);
    done_ = true;
    done_signal_.notify_all();
  }
  bool WaitDone(std::chrono::seconds limit) {
    std::unique_lock<std::mutex> hold(done_mutex_);
    return done_signal_.wait_for(hold, limit, [this] { return done_; });
  }

 private:
  std::mutex done_mutex_;
  std::condition_variable done_signal_;
  bool done_ = false;
};

// Downloads go below a given folder; the other actions do nothing.
class FolderShell : public Shell {
 public:
  explicit FolderShell(Text folder) : folder_(std::move(folder)) {}
  bool OpenAddress(const Text&) override { return false; }
  bool ShowItemSelected(const Text&) override { return false; }
  Text RunDirectory() override { return folder_; }
  Text PathSeparator() const override { return "/"; }

 private:
  Text folder_;
};

// A fresh folder under the system's temporary folder, removed with its
// contents on destruction.
class TempFolder {
 public:
  TempFolder() {
    std::string name = (std::filesystem::temp_directory_path() / "weibo-bench-XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) Fail("cannot create a temporary folder");
    path_ = name;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// One download of the benchmark album by a pool of `workers`, into a fresh
// folder, timed from the download command to the finishing text. The
// pictures and bytes are counted on disk.
Sample DownloadOnce(sim::WeiboSim& sim, int workers) {
  TempFolder folder;
  FolderShell shell(folder.path().string());
  WatchedWindowOps windows;
  const Endpoints endpoints = sim.endpoints();
  auto state = std::make_shared<ProgramState>();
  state->cookie_jar = sim::WeiboSim::CookieHeader(sim.SignedInCookies());
  state->profile_address = "http://" + endpoints.main_host + "/";
  const FlowContext context{state, &windows, &shell, &endpoints};
  if (!ResolveProfile(context) || state->album_table.empty()) Fail("no album to download");

  // The pool holds the routine and the state holds the pool: the routine
  // must not keep the state alive.
  std::weak_ptr<ProgramState> weak = state;
  const bool created = state->pool.Create(workers, [weak, context](TaskValue task) {
    FlowContext own = context;
    own.state = weak.lock();
    if (own.state != nullptr) DownloadPage(own, task);
  });
  if (!created) Fail("cannot start the worker pool");
  windows.SelectItem(0);

  const Clock::time_point start = Clock::now();
  DownloadAlbum(context, Text("/") + kSegment + "/");
  const bool done = windows.WaitDone(std::chrono::seconds(300));
  Sample sample;
  sample.seconds = SecondsSince(start);
  state->pool.Destroy();
  while (state->pool.LiveWorkers() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  if (!done) Fail("the download did not finish");

  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path())) {
    if (!entry.is_regular_file()) continue;
    ++sample.pictures;
    sample.bytes += entry.file_size();
  }
  return sample;
}

// Fetches every picture of the benchmark album once, one after another,
// with `fetch`; counts the replies that hold the whole picture.
Sample FetchEach(sim::WeiboSim& sim, const std::function<ByteArray(const Text&)>& fetch) {
  const sim::User& user = *sim.data().FindUser(sim::kBenchUid);
  std::vector<std::pair<Text, std::size_t>> pictures;  // address, expected size
  for (const sim::Photo& photo : user.albums.front().photos) {
    pictures.emplace_back(sim.PictureUrl(photo, kSegment),
                          sim.PictureBytes(kSegment, photo.pic_name).size());
  }
  Sample sample;
  const Clock::time_point start = Clock::now();
  for (const auto& [address, size] : pictures) {
    const ByteArray body = fetch(address);
    if (body.size() != size) continue;
    ++sample.pictures;
    sample.bytes += body.size();
  }
  sample.seconds = SecondsSince(start);
  return sample;
}

ByteArray FetchDefault(const Text& address) { return HttpRequest(address); }

// A transport object of its own, on the calling thread. The curl handle, and
// with it the connection, belongs to the thread, so the connection is still
// reused: this shows that creating the object costs nothing.
ByteArray FetchNewTransportObject(const Text& address) {
  CurlTransport transport;
  return HttpRequestVia(transport, address);
}

// A new connection for every request: a thread's handle is closed when the
// thread ends, so each request runs on a thread of its own.
ByteArray FetchNewConnection(const Text& address) {
  ByteArray body;
  std::thread([&body, &address] {
    CurlTransport transport;
    body = HttpRequestVia(transport, address);
  }).join();
  return body;
}

std::unique_ptr<sim::WeiboSim> StartSim(int latency_ms) {
  sim::SimOptions options;
  options.bench_albums = 1;
  options.bench_photos = kPictures;
  options.picture_kib = kPictureKib;
  if (latency_ms > 0) {
    sim::FaultRule latency;
    latency.kind = sim::FaultKind::kLatency;
    latency.milliseconds = latency_ms;  // on every request (rate 1)
    options.faults.push_back(latency);
  }
  auto sim = std::make_unique<sim::WeiboSim>(options);
  if (!sim->Start()) Fail("the simulated service did not start: " + sim->error());
  return sim;
}

// One measured case; a baseline case starts a group whose times are
// compared with its own.
struct Case {
  const char* name;
  bool baseline;
  std::function<Sample()> once;
};

int Run(int latency_ms, int repeats) {
  std::printf("1 album of %d pictures of ~%d KiB, %d ms latency per request, median of %d runs\n\n",
              kPictures, kPictureKib, latency_ms, repeats);
  std::unique_ptr<sim::WeiboSim> slow_sim = StartSim(latency_ms);
  std::unique_ptr<sim::WeiboSim> fast_sim = StartSim(0);
  sim::WeiboSim& slow = *slow_sim;
  sim::WeiboSim& fast = *fast_sim;
  const std::vector<Case> cases = {
      {"album download, 1 worker (baseline)", true, [&] { return DownloadOnce(slow, 1); }},
      {"album download, 5 workers", false, [&] { return DownloadOnce(slow, 5); }},
      {"requests, connection reused (baseline)", true,
       [&] { return FetchEach(slow, FetchDefault); }},
      {"requests, new transport object, same thread", false,
       [&] { return FetchEach(slow, FetchNewTransportObject); }},
      {"requests, new connection each", false, [&] { return FetchEach(slow, FetchNewConnection); }},
      {"no latency: requests, connection reused (baseline)", true,
       [&] { return FetchEach(fast, FetchDefault); }},
      {"no latency: requests, new connection each", false,
       [&] { return FetchEach(fast, FetchNewConnection); }},
  };

  std::printf("%-50s %10s %10s %11s %8s\n", "case", "median ms", "time/base", "pictures/s",
              "MiB/s");
  std::vector<double> ratios;
  double baseline = 0;
  for (const Case& one : cases) {
    const Sample s = Median(repeats, one.once);
    if (one.baseline) baseline = s.seconds;
    ratios.push_back(s.seconds / baseline);
    std::printf("%-50s %10.1f %10.3f %11.1f %8.2f\n", one.name, s.seconds * 1000, ratios.back(),
                s.pictures / s.seconds, static_cast<double>(s.bytes) / (1 << 20) / s.seconds);
  }
  std::printf("\nspeed-up of 5 workers over 1: %.2fx\n", 1 / ratios[1]);
  std::printf("a new connection per request takes %.2fx the time (%.2fx without latency)\n",
              ratios[4], ratios[6]);
  return 0;
}

}  // namespace
}  // namespace weibo

int main(int argc, char** argv) {
  const int latency_ms = argc > 1 ? std::max(0, std::atoi(argv[1])) : 3;
  const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  return weibo::Run(latency_ms, repeats);
}
