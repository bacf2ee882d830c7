#include "tools/weibo-sim/faults.h"

#include "tools/weibo-sim/deterministic.h"

namespace weibo::sim {

Text StableQuery(std::string_view query) {
  Text out;
  std::size_t start = 0;
  while (start <= query.size()) {
    std::size_t end = query.find('&', start);
    if (end == std::string_view::npos) end = query.size();
    std::string_view pair = query.substr(start, end - start);
    std::string_view name = pair.substr(0, pair.find('='));
    if (!pair.empty() && name != "__rnd" && name != "callback" && name != "_") {
      if (!out.empty()) out += '&';
      out += pair;
    }
    start = end + 1;
  }
  return out;
}

FaultPlan::FaultPlan(std::uint64_t seed, std::vector<FaultRule> rules)
    : seed_(seed), rules_(std::move(rules)) {}

FaultDecision FaultPlan::Decide(std::string_view path, std::string_view query) {
  FaultDecision decision;
  if (rules_.empty()) return decision;
  Text address = Text(path) + "?" + StableQuery(query);
  std::uint64_t occurrence;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    occurrence = seen_[address]++;
  }
  std::uint64_t base = Mix(seed_, HashText(address), occurrence);
  for (std::size_t i = 0; i < rules_.size(); ++i) {
    const FaultRule& rule = rules_[i];
    if (!path.starts_with(rule.path_prefix)) continue;
    if (UnitInterval(Mix(base, i)) >= rule.rate) continue;
    if (rule.kind == FaultKind::kLatency) {
      decision.latency_ms += rule.milliseconds;
    } else if (!decision.fault) {
      decision.fault = rule;
    }
  }
  return decision;
}

}  // namespace weibo::sim
