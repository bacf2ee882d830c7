#include "tools/weibo-sim/rate_limiter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace weibo::sim {
namespace {

bool PositiveNumber(std::string_view text, double* value) {
  if (text.empty() || text.size() > 12) return false;
  const std::string copy(text);
  char* end = nullptr;
  const double number = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !(number > 0) || !std::isfinite(number)) return false;
  *value = number;
  return true;
}

}  // namespace

bool ParseRateLimit(std::string_view text, RateLimit* limit, Text* error) {
  const std::size_t colon = text.find(':');
  RateLimit parsed;
  bool ok = PositiveNumber(text.substr(0, colon), &parsed.per_second);
  if (ok && colon != std::string_view::npos) ok = PositiveNumber(text.substr(colon + 1), &parsed.burst);
  if (!ok) {
    *error = "--rate-limit takes R[:BURST], positive numbers, e.g. 10:10";
    return false;
  }
  *limit = parsed;
  return true;
}

double RateLimiter::Burst() const {
  return limit_.burst > 0 ? limit_.burst : std::max(1.0, limit_.per_second);
}

bool RateLimiter::AdmitAt(const Text& client, Clock::time_point now) {
  if (limit_.per_second <= 0) return true;
  std::lock_guard<std::mutex> hold(mutex_);
  auto [found, fresh] = buckets_.try_emplace(client);
  Bucket& bucket = found->second;
  if (fresh) {
    bucket.tokens = Burst();
  } else {
    const double seconds = std::chrono::duration<double>(now - bucket.updated).count();
    bucket.tokens = std::min(Burst(), bucket.tokens + std::max(0.0, seconds) * limit_.per_second);
  }
  bucket.updated = now;
  if (bucket.tokens < 1) return false;
  bucket.tokens -= 1;
  return true;
}

int RateLimiter::SecondsToNextToken(const Text& client) {
  std::lock_guard<std::mutex> hold(mutex_);
  const auto found = buckets_.find(client);
  if (found == buckets_.end() || limit_.per_second <= 0) return 1;
  const double missing = std::max(0.0, 1 - found->second.tokens);
  return std::max(1, static_cast<int>(std::ceil(missing / limit_.per_second)));
}

}  // namespace weibo::sim
