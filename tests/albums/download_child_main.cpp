// A whole album download in a process of its own, for the test that kills
// downloads at random moments: signs in with the given cookies, lists the
// signed-in user's albums, downloads the first one in the middle size into
// the given folder and exits 0 once a finishing text is shown (1 when the
// album list is empty, 2 when the download does not finish in time).
//
//   album_download_child RUN_FOLDER HOST COOKIES
//
// HOST is the simulated service's "127.0.0.1:PORT", serving every role.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "albums/album_download.h"
#include "albums/album_list.h"
#include "albums/album_texts.h"
#include "flow/recording_window_ops.h"
#include "tests/albums/finishing_text.h"
#include "tests/common/test_support.h"

int main(int argc, char** argv) {
  using namespace weibo;
  if (argc != 4) {
    std::fprintf(stderr, "usage: album_download_child RUN_FOLDER HOST COOKIES\n");
    return 64;
  }
  const Text host = argv[2];
  const Endpoints endpoints{host, host, "127.0.0.1", host, host, "", ""};
  FakeShell shell(argv[1]);
  RecordingWindowOps windows;
  auto state = std::make_shared<ProgramState>();
  state->cookie_jar = argv[3];
  state->profile_address = "http://" + host + "/";
  const FlowContext context{state, &windows, &shell, &endpoints};
  if (!ResolveProfile(context) || state->album_table.empty()) return 1;
  if (!state->pool.Create(5, [context](TaskValue task) { DownloadPage(context, task); })) return 1;
  windows.SelectItem(0);
  DownloadAlbum(context, "/mw690/");
  for (int i = 0; i < 12000; ++i) {
    // Workers may still be winding down: leave at once, as the program does.
    if (IsFinishingText(windows.StatusText())) std::_Exit(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    windows.RunPostedCalls();
  }
  std::_Exit(2);
}
