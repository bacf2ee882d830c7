#include "tools/weibo-sim/sim_options.h"

#include <charconv>
#include <cstdlib>

namespace weibo::sim {
namespace {

struct KindName {
  FaultKind kind;
  const char* name;
};

constexpr KindName kKindNames[] = {
    {FaultKind::kLatency, "latency"},  {FaultKind::kStatus, "status"},
    {FaultKind::kReset, "reset"},      {FaultKind::kShortBody, "short"},
    {FaultKind::kStall, "stall"},      {FaultKind::kHugeHeaders, "headers"},
    {FaultKind::kBadJson, "badjson"},  {FaultKind::kHtmlPage, "html"},
};

bool ParseInt(std::string_view text, int* value) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size();
}

bool ParseRate(std::string_view text, double* rate) {
  if (text.empty()) return false;
  Text copy(text);
  char* end = nullptr;
  *rate = std::strtod(copy.c_str(), &end);
  return end == copy.c_str() + copy.size() && *rate >= 0.0 && *rate <= 1.0;
}

}  // namespace

const char* FaultKindName(FaultKind kind) {
  for (const KindName& entry : kKindNames) {
    if (entry.kind == kind) return entry.name;
  }
  return "?";
}

bool ParseFaultRule(std::string_view rule_text, FaultRule* rule, Text* error) {
  FaultRule parsed;
  std::string_view body = rule_text;
  if (std::size_t at = rule_text.find('@'); at != std::string_view::npos) {
    parsed.path_prefix = Text(rule_text.substr(at + 1));
    body = rule_text.substr(0, at);
    if (parsed.path_prefix.empty() || parsed.path_prefix[0] != '/') {
      *error = "the path after @ must begin with /";
      return false;
    }
  }
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    std::size_t colon = body.find(':', start);
    parts.push_back(body.substr(start, colon - start));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  bool known = false;
  for (const KindName& entry : kKindNames) {
    if (parts[0] == entry.name) {
      parsed.kind = entry.kind;
      known = true;
    }
  }
  if (!known) {
    *error = "unknown fault kind '" + Text(parts[0]) + "'";
    return false;
  }
  if (parts.size() > 3) {
    *error = "too many ':' parts";
    return false;
  }
  if (parts.size() >= 2 && !ParseRate(parts[1], &parsed.rate)) {
    *error = "the rate must be a number from 0 to 1";
    return false;
  }
  int value = -1;
  if (parts.size() == 3 && !ParseInt(parts[2], &value)) {
    *error = "the value must be a whole number";
    return false;
  }
  switch (parsed.kind) {
    case FaultKind::kStatus:
      parsed.status = value >= 0 ? value : 503;
      if (parsed.status < 100 || parsed.status > 599) {
        *error = "the status must lie from 100 to 599";
        return false;
      }
      break;
    case FaultKind::kLatency:
      parsed.milliseconds = value >= 0 ? value : 200;
      break;
    case FaultKind::kStall:
      parsed.milliseconds = value >= 0 ? value : 30000;
      break;
    default:
      if (value >= 0) {
        *error = "this fault takes no value";
        return false;
      }
  }
  *rule = parsed;
  return true;
}

}  // namespace weibo::sim
