// The simulated service's rate limit: a token bucket per client address.
// Each request takes a token; the bucket holds at most `burst` tokens and
// gains `rate` tokens a second; a request that finds it empty is refused.
//
// Threading: Admit may be called from any thread; it locks.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string_view>

#include "support/text_rules.h"

namespace weibo::sim {

struct RateLimit {
  double per_second = 0;  // 0: no limit
  double burst = 0;       // 0: as many as one second's worth (at least 1)
};

// Reads R[:BURST] (positive numbers). False, with `error` set, when the text
// is not such a limit.
bool ParseRateLimit(std::string_view text, RateLimit* limit, Text* error);

class RateLimiter {
 public:
  using Clock = std::chrono::steady_clock;
  explicit RateLimiter(RateLimit limit) : limit_(limit) {}

  // True when `client` may be served now (a token was taken), false when its
  // bucket is empty. Always true without a limit.
  bool Admit(const Text& client) { return AdmitAt(client, Clock::now()); }
  bool AdmitAt(const Text& client, Clock::time_point now);

  // The whole seconds until `client`'s bucket holds a token again (at least 1).
  int SecondsToNextToken(const Text& client);

 private:
  struct Bucket {
    double tokens = 0;
    Clock::time_point updated{};
  };
  double Burst() const;

  RateLimit limit_;
  std::mutex mutex_;
  std::map<Text, Bucket> buckets_;
};

}  // namespace weibo::sim
