// album-download: times the tool's own album download path (the code the
// popup runs, headless) against `curl --parallel --parallel-max 5` fetching
// the same picture addresses, both against the simulated service running in
// a separate process. Each case runs its two sides interleaved (A B A B ...)
// and prints the median, the spread (slowest / fastest) and, last, the ratio
// of the medians. A second part measures the peak memory of five workers
// saving 64 MiB pictures.
//
// Usage: album-download [--rounds N] [--quick] [--memory-only]
//                       [--case PICTURES:LATENCY_MS] [--pacing]
//   --quick leaves out the 2,000-picture cases and shows 1,000 pictures in
//   the window instead of 5,000. The simulator is the one built with this
//   program; WEIBO_SIM names another. --case runs one case of the headless
//   download (for example --case 2000:0) and nothing else. --pacing
//   downloads 300 pictures from a service limited to 10 requests a second
//   (burst 10), with the host pacing off and on, and prints the time against
//   the floor the limit sets and the share of requests rejected.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <QApplication>
#include <QTimer>

#include "albums/album_download.h"
#include "albums/download_status.h"
#include "app/qt/qt_window_ops.h"
#include "albums/album_list.h"
#include "albums/album_texts.h"
#include "flow/recording_window_ops.h"
#include "signin/qr_sign_in.h"
#include "support/json_reply.h"
#include "web/encoding.h"
#include "web/http_request.h"

extern char** environ;

namespace weibo {
namespace {

using Clock = std::chrono::steady_clock;

extern volatile pid_t running_sim;

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "album-download: %s\n", why.c_str());
  if (running_sim > 0) kill(running_sim, SIGTERM);
  std::exit(1);
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// User plus system CPU seconds of this process (`who` RUSAGE_SELF) or of its
// waited-for children (RUSAGE_CHILDREN).
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    Fail("no free port");
  }
  close(fd);
  return ntohs(address.sin_port);
}

// Runs `args` and waits for it; its exit status.
int RunAndWait(const std::vector<std::string>& args, bool quiet = true) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) Fail("cannot start " + args[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

// The running simulator, ended with this program also when it is stopped.
volatile pid_t running_sim = 0;

void EndSimulatorAndExit(int) {
  if (running_sim > 0) kill(running_sim, SIGKILL);
  _exit(1);
}

// The simulated service in its own process, with one port for every role.
class SimProcess {
 public:
  SimProcess(int photos, int picture_kib, int latency_ms,
             const std::vector<std::string>& extra = {}) {
    const char* sim = std::getenv("WEIBO_SIM");
    port_ = FreePort();
    std::vector<std::string> args = {sim != nullptr ? sim : WEIBO_SIM_PROGRAM,
                                     "--port", std::to_string(port_), "--albums", "1",
                                     "--photos", std::to_string(photos), "--picture-kib",
                                     std::to_string(picture_kib), "--auto-confirm", "0"};
    if (latency_ms > 0) {
      args.push_back("--fault");
      args.push_back("latency:1:" + std::to_string(latency_ms));
    }
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0) Fail("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
      Fail("cannot start the simulator " + args[0] + " (set WEIBO_SIM)");
    }
    posix_spawn_file_actions_destroy(&actions);
    running_sim = pid_;
    close(out[1]);
    // The simulator prints its endpoints once it serves.
    FILE* lines = fdopen(out[0], "r");
    char line[1024];
    while (std::fgets(line, sizeof line, lines) != nullptr) {
      std::string text(line);
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
      Take(text, "-DWEIBO_SIGNON_HOST=", &endpoints_.signon_host);
      Take(text, "-DWEIBO_MAIN_HOST=", &endpoints_.main_host);
      Take(text, "-DWEIBO_MAIN_DOMAIN=", &endpoints_.main_domain);
      Take(text, "-DWEIBO_PHOTO_HOST=", &endpoints_.photo_host);
      Take(text, "-DWEIBO_STATIC_HOST=", &endpoints_.static_host);
      if (text.rfind("A confirmed QR code", 0) == 0) break;
    }
    std::fclose(lines);  // the simulator prints nothing more
    if (endpoints_.photo_host.empty()) Fail("the simulator did not start");
  }
  ~SimProcess() {
    running_sim = 0;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  const Endpoints& endpoints() const { return endpoints_; }

 private:
  static void Take(const std::string& line, const std::string& key, Text* value) {
    const std::size_t at = line.find(key);
    if (at != std::string::npos) *value = line.substr(at + key.size());
  }
  pid_t pid_ = 0;
  int port_ = 0;
  Endpoints endpoints_;
};

class FolderShell : public Shell {
 public:
  explicit FolderShell(Text folder) : folder_(std::move(folder)) {}
  bool OpenAddress(const Text&) override { return false; }
  bool ShowItemSelected(const Text&) override { return false; }
  FolderSpelling LocateFolder(KnownFolder) override { return FolderSpelling{folder_, folder_}; }
  Text PathSeparator() const override { return "/"; }

 private:
  Text folder_;
};

void RemoveRunFolder();

// The folder holding every round's output until its case ends. Rounds must
// not delete their files as they end: on ext4 without a journal, making a
// file passes over every inode freed in the last minutes one by one, so a
// round following the deletion of another's 2,000 files paid several times
// the processor time for its own (on both sides, by how the rounds happened
// to fall), which is not what a user downloading an album pays.
const std::filesystem::path& RunFolder() {
  static const std::filesystem::path* const folder = [] {  // never destroyed: used at exit
    std::string name = (std::filesystem::temp_directory_path() / "album-download-XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) {
      std::fprintf(stderr, "album-download: cannot create a temporary folder\n");
      std::exit(1);
    }
    std::atexit(RemoveRunFolder);
    return new std::filesystem::path(name);
  }();
  return *folder;
}

void RemoveRunFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(RunFolder(), ignored);
}

// Removes the output of the case's rounds, keeping the run's folder.
void RemoveRoundFolders() {
  std::error_code error;
  for (std::filesystem::directory_iterator it(RunFolder(), error), end; !error && it != end;
       it.increment(error)) {
    std::error_code ignored;
    std::filesystem::remove_all(it->path(), ignored);
  }
}

// A fresh folder of one round, inside the run's folder, kept until the case ends.
class TempFolder {
 public:
  TempFolder() {
    std::string name = (RunFolder() / "round-XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) Fail("cannot create a temporary folder");
    path_ = name;
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A signed-in session with the benchmark user's album listed, as the tool has
// it after the sign-in and the album list.
struct Session {
  Text cookie_jar;
  Text user_id;
  AlbumRecord album;
};

Session SignIn(const Endpoints& endpoints) {
  TempFolder folder;
  FolderShell shell(folder.path().string());
  RecordingWindowOps windows;
  auto state = std::make_shared<ProgramState>();
  const FlowContext context{state, &windows, &shell, &endpoints};
  windows.LoadWindow(WindowId::kSignIn);
  SignInPacing pacing;
  pacing.poll_wait_ms = 20;
  pacing.retry_pause_ms = 50;
  QrSignInPaced(context, pacing);
  state->profile_address = "http://" + endpoints.main_host + "/";
  if (!ResolveProfile(context) || state->album_table.empty()) Fail("sign-in or album list failed");
  return Session{state->cookie_jar, state->user_id, state->album_table.front()};
}

// The picture addresses of the album in `segment`, as the photo list gives them.
std::vector<Text> PictureAddresses(const Endpoints& endpoints, const Session& session,
                                   const char* segment) {
  std::vector<Text> addresses;
  const int pages = PageCount(static_cast<int>(TextToInteger(session.album.photo_count)), 32);
  for (int page = 1; page <= pages; ++page) {
    Text jar = session.cookie_jar;
    const DownloadReply reply = HttpDownload(
        "http://" + endpoints.photo_host + "/photos/get_all?uid=" + session.user_id +
            "&album_id=" + session.album.album_id + "&count=32&page=" + std::to_string(page) +
            "&type=" + session.album.type,
        nullptr, &jar);
    JsonNode document;
    JsonParse(document, Utf8ToGbk(reply.body));
    const JsonNode list = JsonMember(JsonMember(document, "data"), "photo_list");
    for (int i = 0; i < JsonLength(list); ++i) {
      const JsonNode photo = JsonElement(list, i);
      addresses.push_back(JsonText(JsonMember(photo, "pic_host")) + segment +
                          JsonText(JsonMember(photo, "pic_name")));
    }
  }
  return addresses;
}

// The recording window layer, waking the thread that stands for the window's
// thread as soon as a call is posted to it, so that it need not poll.
class WakingWindowOps : public RecordingWindowOps {
 public:
  void PostToUiThread(std::function<void()> call) override {
    RecordingWindowOps::PostToUiThread(std::move(call));
    {
      std::lock_guard<std::mutex> hold(mutex_);
      ++posted_;
    }
    wake_.notify_one();
  }
  // Waits until a call was posted since the last wait, or `limit` passed.
  void WaitForPosted(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> hold(mutex_);
    wake_.wait_for(hold, limit, [this] { return posted_ > 0; });
    posted_ = 0;
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  int posted_ = 0;
};

// The download workers of `context`'s state, five as in the program; they
// hold the state weakly, as the program's do.
void StartWorkers(const FlowContext& context) {
  std::weak_ptr<ProgramState> weak = context.state;
  if (!context.state->pool.Create(5, [weak, context](TaskValue task) {
        FlowContext own = context;
        own.state = weak.lock();
        if (own.state != nullptr) DownloadPage(own, task);
      })) {
    Fail("cannot start the pool");
  }
}

// A fresh program state of the signed-in session, with its album listed and
// downloads going below `folder`.
std::shared_ptr<ProgramState> SignedInState(const Session& session, const TempFolder& folder) {
  auto state = std::make_shared<ProgramState>();
  state->cookie_jar = session.cookie_jar;
  state->user_id = session.user_id;
  state->album_table = {session.album};
  state->download_root = folder.path().string();
  return state;
}

// One download of the album by the tool's own path: the popup's command on
// a pool of five workers, with this thread standing for the window's thread
// (it runs the posted status updates). Timed from the command to the
// finishing text; returns the pictures saved and, in `cpu`, the CPU seconds
// of this process over the same span (the workers and the window's thread).
double ToolOnce(const Endpoints& endpoints, const Session& session, int* saved,
                double* cpu = nullptr) {
  TempFolder folder;
  FolderShell shell(folder.path().string());
  WakingWindowOps windows;
  auto state = SignedInState(session, folder);
  const FlowContext context{state, &windows, &shell, &endpoints};
  StartWorkers(context);
  windows.SelectItem(0);
  const double cpu_start = CpuSeconds(RUSAGE_SELF);
  const Clock::time_point start = Clock::now();
  DownloadAlbum(context, "/mw690/");
  while (windows.StatusText() != kAllPagesDoneText) {
    if (SecondsSince(start) > 600) Fail("the tool's download did not finish");
    windows.WaitForPosted(std::chrono::milliseconds(100));
    windows.RunPostedCalls();
  }
  const double seconds = SecondsSince(start);
  if (cpu != nullptr) *cpu = CpuSeconds(RUSAGE_SELF) - cpu_start;
  *saved = state->saved_count;
  state->pool.Destroy();
  WaitForHeldBackProgress(*state);  // before the windows go
  return seconds;
}

// The real windows (offscreen), with the album taken as selected.
class SelectedAlbumWindowOps : public QtWindowOps {
 public:
  int SelectedIndex() const override { return 0; }
  void SetStatusText(int part, const Text& text) override {
    QtWindowOps::SetStatusText(part, text);
    ++updates;
    if (text == kAllPagesDoneText) QCoreApplication::quit();
  }
  int updates = 0;
};

// ToolOnce with the real main window showing the count: this thread runs the
// Qt event loop while the workers download.
double ToolWithWindowOnce(const Endpoints& endpoints, const Session& session, int* saved,
                          int* updates, double* cpu) {
  TempFolder folder;
  FolderShell shell(folder.path().string());
  SelectedAlbumWindowOps windows;
  windows.LoadWindow(WindowId::kMain);
  auto state = SignedInState(session, folder);
  const FlowContext context{state, &windows, &shell, &endpoints};
  StartWorkers(context);
  const double cpu_start = CpuSeconds(RUSAGE_SELF);
  const Clock::time_point start = Clock::now();
  QTimer::singleShot(0, [&] { DownloadAlbum(context, "/mw690/"); });
  QApplication::exec();
  const double seconds = SecondsSince(start);
  *cpu = CpuSeconds(RUSAGE_SELF) - cpu_start;
  *saved = state->saved_count;
  *updates = windows.updates;
  windows.StopStatusUpdates();
  state->pool.Destroy();
  WaitForHeldBackProgress(*state);  // before the windows go
  return seconds;
}

// curl's time; `cpu`, when given, gets the CPU seconds of the curl process.
double CurlOnce(const std::vector<Text>& addresses, int* saved, double* cpu = nullptr) {
  TempFolder folder;
  const std::filesystem::path config = folder.path() / "urls.txt";
  {
    std::ofstream out(config);
    for (std::size_t i = 0; i < addresses.size(); ++i) {
      out << "url = \"" << addresses[i] << "\"\noutput = \"" << (folder.path() / std::to_string(i)).string()
          << "\"\n";
    }
  }
  const double cpu_start = CpuSeconds(RUSAGE_CHILDREN);
  const Clock::time_point start = Clock::now();
  RunAndWait({"curl", "--silent", "--parallel", "--parallel-max", "5", "--config", config.string()});
  const double seconds = SecondsSince(start);
  if (cpu != nullptr) *cpu = CpuSeconds(RUSAGE_CHILDREN) - cpu_start;
  *saved = 0;
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    *saved += std::filesystem::exists(folder.path() / std::to_string(i));
  }
  return seconds;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void RunCase(int pictures, int latency_ms, int rounds, bool window = false) {
  SimProcess sim(pictures, 64, latency_ms);
  const Session session = SignIn(sim.endpoints());
  const std::vector<Text> addresses = PictureAddresses(sim.endpoints(), session, "/mw690/");
  if (static_cast<int>(addresses.size()) != pictures) Fail("the photo list is incomplete");
  // One round of curl first, untimed: the service makes each picture on its
  // first request, and neither side should pay for that.
  int warm = 0;
  CurlOnce(addresses, &warm);
  std::vector<double> tool;
  std::vector<double> curl;
  std::vector<double> tool_cpu;
  std::vector<double> curl_cpu;
  for (int round = 0; round < rounds; ++round) {
    int saved = 0;
    int updates = 0;
    double cpu = 0;
    tool.push_back(window ? ToolWithWindowOnce(sim.endpoints(), session, &saved, &updates, &cpu)
                          : ToolOnce(sim.endpoints(), session, &saved, &cpu));
    tool_cpu.push_back(cpu);
    if (window && round == 0) std::printf("  (the status bar was updated %d times)\n", updates);
    if (saved != pictures) std::fprintf(stderr, "  tool saved %d of %d\n", saved, pictures);
    curl.push_back(CurlOnce(addresses, &saved, &cpu));
    curl_cpu.push_back(cpu);
    if (saved != pictures) std::fprintf(stderr, "  curl saved %d of %d\n", saved, pictures);
  }
  std::printf("  rounds (tool/curl, s):");
  for (int round = 0; round < rounds; ++round) {
    std::printf(" %.3f/%.3f", tool[static_cast<std::size_t>(round)],
                curl[static_cast<std::size_t>(round)]);
  }
  std::printf("\n");
  const double tool_median = Median(tool);
  const double curl_median = Median(curl);
  std::printf(
      "%5d pictures x 64 KiB, %2d ms%s: tool %.3f s (spread %.2f), curl %.3f s (spread %.2f), "
      "ratio %.2f\n",
      pictures, latency_ms, window ? ", Qt window" : "", tool_median,
      *std::max_element(tool.begin(), tool.end()) / *std::min_element(tool.begin(), tool.end()),
      curl_median,
      *std::max_element(curl.begin(), curl.end()) / *std::min_element(curl.begin(), curl.end()),
      tool_median / curl_median);
  // CPU (user + system) per picture; the tool's includes its photo-list pages.
  const double tool_cpu_ms = Median(tool_cpu) * 1000 / pictures;
  const double curl_cpu_ms = Median(curl_cpu) * 1000 / pictures;
  std::printf("      CPU per picture: tool %.3f ms, curl %.3f ms, ratio %.2f\n", tool_cpu_ms,
              curl_cpu_ms, curl_cpu_ms > 0 ? tool_cpu_ms / curl_cpu_ms : 0.0);
  std::fflush(stdout);
  RemoveRoundFolders();
}

// One download of the album against a rate-limited service, with pacing on
// or off; timed from the command until every task has ended (failures
// included). Returns the seconds; `rejected` and `requests` count the
// rate-limit replies and every request of the download.
double PacingOnce(const Endpoints& endpoints, const Session& session, bool paced, int* saved,
                  int* rejected, int* requests) {
  TempFolder folder;
  FolderShell shell(folder.path().string());
  WakingWindowOps windows;
  auto state = SignedInState(session, folder);
  state->pace_hosts = paced;
  const FlowContext context{state, &windows, &shell, &endpoints};
  StartWorkers(context);
  windows.SelectItem(0);
  const Clock::time_point start = Clock::now();
  DownloadAlbum(context, "/mw690/");
  while (state->tasks_pending.load() != 0) {
    if (SecondsSince(start) > 900) Fail("the tool's download did not finish");
    windows.WaitForPosted(std::chrono::milliseconds(100));
    windows.RunPostedCalls();
  }
  const double seconds = SecondsSince(start);
  *saved = state->saved_count;
  *rejected = state->rate_limited_replies.load();
  *requests = state->requests_sent.load();
  state->pool.Destroy();
  WaitForHeldBackProgress(*state);  // before the windows go
  return seconds;
}

// The album of `pictures` against a limit of `rate` requests a second with
// a burst of `burst`, without and with pacing, interleaved.
void RunPacing(int pictures, int rate, int burst, int rounds) {
  SimProcess sim(pictures, 8, 0,
                 {"--rate-limit", std::to_string(rate) + ":" + std::to_string(burst)});
  const Session session = SignIn(sim.endpoints());
  const int pages = PageCount(pictures, kPhotosPerPage);
  // The floor: every request once, at the limit's pace after the burst.
  const double floor = static_cast<double>(pictures + pages - burst) / rate;
  std::printf("pacing: %d pictures, limit %d/s burst %d, floor %.1f s, %d rounds\n", pictures,
              rate, burst, floor, rounds);
  for (int round = 0; round < rounds; ++round) {
    for (bool paced : {false, true}) {
      std::this_thread::sleep_for(std::chrono::seconds(2));  // a full bucket again
      int saved = 0;
      int rejected = 0;
      int requests = 0;
      const double seconds = PacingOnce(sim.endpoints(), session, paced, &saved, &rejected, &requests);
      std::printf(
          "  pacing %-3s: %.1f s (%.2f x floor), %d requests, %d rejected (%.1f %%), saved %d of "
          "%d\n",
          paced ? "on" : "off", seconds, seconds / floor, requests, rejected,
          requests > 0 ? 100.0 * rejected / requests : 0.0, saved, pictures);
      std::fflush(stdout);
    }
  }
}

// The peak resident memory of this process image, in KiB. Not ru_maxrss:
// Linux keeps that across exec, so a spawned child would report its parent's.
long PeakResidentKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

// Five pictures of 64 MiB saved by the tool's path. The download runs in a
// child process of its own (this program with --memory-child), given the
// session through its environment, so that its peak memory counts only the
// download: not the sign-in, not the album list's cover pictures.
int MeasureMemory(const char* self) {
  SimProcess sim(5, 65536, 0);
  const Session session = SignIn(sim.endpoints());
  setenv("ALBUM_DOWNLOAD_SESSION",
         (sim.endpoints().photo_host + "\n" + session.cookie_jar + "\n" + session.user_id + "\n" +
          session.album.album_id + "\n" + session.album.photo_count + "\n" + session.album.type)
             .c_str(),
         1);
  return RunAndWait({self, "--memory-child"}, /*quiet=*/false) == 0 ? 0 : 1;
}

int MemoryChild() {
  const char* given = std::getenv("ALBUM_DOWNLOAD_SESSION");
  if (given == nullptr) Fail("no session given");
  std::vector<std::string> values;
  std::string rest = given;
  for (std::size_t at; (at = rest.find('\n')) != std::string::npos; rest.erase(0, at + 1)) {
    values.push_back(rest.substr(0, at));
  }
  values.push_back(rest);
  if (values.size() != 6) Fail("a malformed session");
  Endpoints endpoints;
  endpoints.photo_host = values[0];
  Session session{values[1], values[2], AlbumRecord{"bench", values[3], "", "", values[4], values[5]}};
  int saved = 0;
  const double seconds = ToolOnce(endpoints, session, &saved);
  std::printf("5 pictures x 64 MiB on 5 workers: %d saved in %.1f s, peak memory %.0f MB\n", saved,
              seconds, static_cast<double>(PeakResidentKib()) / 1024.0);
  return saved == 5 ? 0 : 1;
}

}  // namespace
}  // namespace weibo

int main(int argc, char** argv) {
  signal(SIGTERM, weibo::EndSimulatorAndExit);
  signal(SIGINT, weibo::EndSimulatorAndExit);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  int rounds = 5;
  bool quick = false;
  bool memory_only = false;
  bool pacing = false;
  bool rounds_given = false;
  int only_pictures = 0;
  int only_latency = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
      rounds_given = true;
    }
    if (arg == "--quick") quick = true;
    if (arg == "--memory-only") memory_only = true;
    if (arg == "--case" && i + 1 < argc &&
        std::sscanf(argv[++i], "%d:%d", &only_pictures, &only_latency) != 2) {
      only_pictures = 0;
    }
    if (arg == "--memory-child") return weibo::MemoryChild();
    if (arg == "--pacing") pacing = true;
  }
  if (pacing) {
    weibo::RunPacing(300, 10, 10, rounds_given ? rounds : 1);
    return 0;
  }
  if (only_pictures > 0) {
    std::printf("album download, tool against curl --parallel --parallel-max 5, %d rounds\n", rounds);
    weibo::RunCase(only_pictures, only_latency, rounds);
    return 0;
  }
  if (!memory_only) {
    std::printf("album download, tool against curl --parallel --parallel-max 5, %d rounds\n", rounds);
    for (int pictures : quick ? std::vector<int>{40, 320} : std::vector<int>{40, 320, 2000}) {
      for (int latency : {0, 3, 20}) weibo::RunCase(pictures, latency, rounds);
    }
    weibo::RunCase(quick ? 1000 : 5000, 0, rounds, /*window=*/true);
  }
  return weibo::MeasureMemory(argv[0]);
}
