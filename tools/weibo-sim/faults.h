// Which faults hit which request. Decisions are drawn from the seed, the
// rule, the request address without its cache-busting parameters and the
// number of earlier requests for that address, so a run repeats exactly
// whatever order concurrent requests arrive in. Thread-safe.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "tools/weibo-sim/sim_options.h"

namespace weibo::sim {

struct FaultDecision {
  int latency_ms = 0;                      // 0: no delay
  std::optional<FaultRule> fault;          // the first non-latency rule that hit
};

class FaultPlan {
 public:
  FaultPlan(std::uint64_t seed, std::vector<FaultRule> rules);

  bool empty() const { return rules_.empty(); }

  // The faults for one request with this path and query text ("a=1&b=2").
  FaultDecision Decide(std::string_view path, std::string_view query);

 private:
  std::uint64_t seed_;
  std::vector<FaultRule> rules_;
  std::mutex mutex_;
  std::map<Text, std::uint64_t> seen_;
};

// `query` without the parameters that only make an address unique
// ("__rnd", "callback", "_"), the rest in their order.
Text StableQuery(std::string_view query);

}  // namespace weibo::sim
