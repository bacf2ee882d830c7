// weibo-sim: the simulated Weibo service as a program, for the demo and for
// trying the tool by hand. Serves until SIGINT or SIGTERM.
#include <pthread.h>
#include <signal.h>

#include <cstdio>

#include "tools/weibo-sim/command_line.h"
#include "tools/weibo-sim/weibo_sim.h"

namespace {

void PrintAddresses(const weibo::sim::WeiboSim& sim) {
  const weibo::Endpoints& e = sim.endpoints();
  std::printf("weibo-sim: serving the simulated service on 127.0.0.1; stop with Ctrl+C.\n");
  for (const auto& [roles, host] : sim.Hosts()) std::printf("  %s  %s\n", host.c_str(), roles.c_str());
  std::printf("Phone page (scan and confirm QR codes): http://%s/phone/qrcode\n", e.signon_host.c_str());
  std::printf("Endpoints for the tool (CMake cache variables):\n");
  std::printf("  -DWEIBO_SIGNON_HOST=%s\n", e.signon_host.c_str());
  std::printf("  -DWEIBO_MAIN_HOST=%s\n", e.main_host.c_str());
  std::printf("  -DWEIBO_MAIN_DOMAIN=%s\n", e.main_domain.c_str());
  std::printf("  -DWEIBO_PHOTO_HOST=%s\n", e.photo_host.c_str());
  std::printf("  -DWEIBO_STATIC_HOST=%s\n", e.static_host.c_str());
  std::printf("  -DWEIBO_AUTHOR_PROFILE_URL=%s\n", e.author_profile_url.c_str());
  std::printf("  -DWEIBO_AUTHOR_FORUM_URL=%s\n", e.author_forum_url.c_str());
  const weibo::sim::User* user = sim.data().FindUser(sim.signin_uid());
  std::printf("A confirmed QR code signs in user %s (%s).\n", sim.signin_uid().c_str(),
              user ? user->nick.c_str() : "?");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<weibo::Text> args(argv + 1, argv + argc);
  weibo::sim::CommandLine command_line;
  weibo::Text error;
  if (!weibo::sim::ParseCommandLine(args, &command_line, &error)) {
    std::fprintf(stderr, "weibo-sim: %s\n%s", error.c_str(), weibo::sim::UsageText().c_str());
    return 2;
  }
  if (command_line.help) {
    std::printf("%s", weibo::sim::UsageText().c_str());
    return 0;
  }
  // Block the stop signals before any thread starts, so that every thread
  // inherits the mask and only sigwait below receives them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  weibo::sim::WeiboSim sim(command_line.options);
  if (!sim.Start()) {
    std::fprintf(stderr, "weibo-sim: %s\n", sim.error().c_str());
    return 1;
  }
  PrintAddresses(sim);
  int signal_number = 0;
  sigwait(&stop_signals, &signal_number);
  std::printf("weibo-sim: stopping.\n");
  sim.Stop();
  return 0;
}
