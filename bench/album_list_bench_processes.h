// The outside programs of the album-list benchmark: the simulated service in
// a process of its own, and curl fetching a list of addresses.
#pragma once

#include <sys/types.h>

#include <vector>

#include "support/text_rules.h"
#include "web/endpoints.h"

namespace weibo::bench {

// Prints `why` to standard error, stops the simulated service if one runs,
// and ends the program with 1.
[[noreturn]] void Fail(const Text& why);

// The simulated service, started as `program` with `args` (plus "--port 0")
// and stopped with SIGTERM when the object goes.
class SimProcess {
 public:
  SimProcess(const Text& program, const std::vector<Text>& args);
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // The hosts the service printed when it started.
  const Endpoints& endpoints() const { return endpoints_; }

 private:
  pid_t pid_ = -1;
  Endpoints endpoints_;
};

// A curl configuration file naming `addresses`, each body thrown away;
// removed when the object goes.
class CurlConfig {
 public:
  explicit CurlConfig(const std::vector<Text>& addresses);
  ~CurlConfig();
  CurlConfig(const CurlConfig&) = delete;
  CurlConfig& operator=(const CurlConfig&) = delete;
  const Text& path() const { return path_; }

 private:
  Text path_;
};

// Runs curl on the addresses of `config`, at most `parallel` at a time,
// sending the cookie header `cookies`. Fails the program when curl cannot
// run or a request fails.
void RunCurl(const CurlConfig& config, int parallel, const Text& cookies);

}  // namespace weibo::bench
