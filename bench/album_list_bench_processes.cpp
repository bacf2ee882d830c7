#include "bench/album_list_bench_processes.h"

#include <signal.h>
#include <stdlib.h>  // mkstemp
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace weibo::bench {
namespace {

pid_t running_sim = -1;

void StopSim() {
  if (running_sim <= 0) return;
  kill(running_sim, SIGTERM);
  waitpid(running_sim, nullptr, 0);
  running_sim = -1;
}

std::vector<char*> Argv(std::vector<Text>& args) {
  std::vector<char*> argv;
  for (Text& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return argv;
}

// The value of "-D<name>=<value>" in `line`, if the line is that option.
bool OptionValue(const Text& line, const Text& name, Text* value) {
  const Text prefix = "-D" + name + "=";
  const std::size_t at = line.find(prefix);
  if (at == Text::npos) return false;
  *value = line.substr(at + prefix.size());
  while (!value->empty() && (value->back() == '\n' || value->back() == ' ')) value->pop_back();
  return true;
}

}  // namespace

void Fail(const Text& why) {
  std::fprintf(stderr, "album-list: %s\n", why.c_str());
  StopSim();
  std::exit(1);
}

SimProcess::SimProcess(const Text& program, const std::vector<Text>& args) {
  int out[2];
  if (pipe(out) != 0) Fail("no pipe");
  std::vector<Text> all = {program, "--port", "0"};
  all.insert(all.end(), args.begin(), args.end());
  pid_ = fork();
  if (pid_ < 0) Fail("cannot fork");
  if (pid_ == 0) {
    dup2(out[1], STDOUT_FILENO);
    close(out[0]);
    close(out[1]);
    std::vector<char*> argv = Argv(all);
    execv(argv[0], argv.data());
    _exit(127);
  }
  running_sim = pid_;
  close(out[1]);
  FILE* printed = fdopen(out[0], "r");
  char buffer[1024];
  Endpoints& e = endpoints_;
  while (std::fgets(buffer, sizeof buffer, printed) != nullptr) {
    const Text line = buffer;
    OptionValue(line, "WEIBO_SIGNON_HOST", &e.signon_host);
    OptionValue(line, "WEIBO_MAIN_HOST", &e.main_host);
    OptionValue(line, "WEIBO_MAIN_DOMAIN", &e.main_domain);
    OptionValue(line, "WEIBO_PHOTO_HOST", &e.photo_host);
    OptionValue(line, "WEIBO_STATIC_HOST", &e.static_host);
    if (line.starts_with("A confirmed QR code")) break;
  }
  std::fclose(printed);  // the service's later output goes nowhere
  if (e.main_host.empty() || e.photo_host.empty()) Fail("the simulated service did not start");
}

SimProcess::~SimProcess() { StopSim(); }

CurlConfig::CurlConfig(const std::vector<Text>& addresses) {
  char name[] = "/tmp/album-list-curl-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) Fail("no temporary file");
  close(fd);
  path_ = name;
  std::ofstream config(path_);
  for (const Text& address : addresses) {
    config << "url = \"" << address << "\"\noutput = \"/dev/null\"\n";
  }
  if (!config) Fail("cannot write " + path_);
}

CurlConfig::~CurlConfig() { unlink(path_.c_str()); }

void RunCurl(const CurlConfig& config, int parallel, const Text& cookies) {
  std::vector<Text> args = {"curl",
                            "--silent",
                            "--show-error",
                            "--no-progress-meter",
                            "--fail",
                            "--parallel",
                            "--parallel-max",
                            std::to_string(parallel),
                            "--cookie",
                            cookies,
                            "--config",
                            config.path()};
  const pid_t pid = fork();
  if (pid < 0) Fail("cannot fork");
  if (pid == 0) {
    std::vector<char*> argv = Argv(args);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    Fail("curl failed with status " + std::to_string(WEXITSTATUS(status)));
  }
}

}  // namespace weibo::bench
