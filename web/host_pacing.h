// Pacing the requests to a host that rate-limits us. A rate-limit reply
// (418, 429, or 503 with Retry-After) starts a cool-down of that host that
// every worker's next request to it waits for; while limits repeat, fewer
// workers talk to the host at once (down to one), and the requests keep a
// spacing learned from the limits: between two limits the host's allowance
// was used up at both ends, so the replies accepted in between, over the time
// between, is the rate the host grants. Successful replies widen the
// allowance again: one more worker every few successes, back to the full
// number, and a slowly shrinking spacing that probes for a higher rate.
//
// Threading: one object is shared by every worker; all members lock.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <condition_variable>

#include "support/text_rules.h"
#include "web/http_request.h"

namespace weibo {

// True for the replies by which a host asks us to slow down.
bool IsRateLimitReply(const DownloadReply& reply);

class HostPacing {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr int kMostWorkers = 5;

  // What the pacing holds for one host, for tests and the status bar.
  struct HostView {
    int allowed = kMostWorkers;                // workers that may talk to it at once
    int active = 0;                            // requests running now
    std::chrono::microseconds spacing{0};      // least time between two starts
    Clock::time_point resume_at{};             // end of the cool-down
  };

  // Waits until a request to `host` may start: its cool-down is over, the
  // spacing since the last start has passed and fewer than the allowed
  // number of requests run. Returns true once it may (the caller must then
  // call Finish with `*ticket`), false when `give_up` (asked about every
  // 100 ms) turned true first.
  bool Start(const Text& host, const std::function<bool()>& give_up, std::uint64_t* ticket);
  // Ends a request started by Start. `rate_limited` with its `cool_down`
  // pauses the host, unless the request started before the host's last
  // limit (its reply belongs to that one); returns true when this reply
  // began a new cool-down, so that the caller can tell the user once.
  bool Finish(const Text& host, std::uint64_t ticket, bool rate_limited,
              std::chrono::milliseconds cool_down);

  // The decisions without waiting, at time `now`, for tests: when the next
  // request may start (now or later), given that `now` has no request
  // waiting ahead of it; and the bookkeeping of Start and Finish.
  Clock::time_point EarliestStart(const Text& host, Clock::time_point now);
  std::uint64_t Started(const Text& host, Clock::time_point now);
  bool Finished(const Text& host, std::uint64_t ticket, bool rate_limited,
                std::chrono::milliseconds cool_down, Clock::time_point now);
  HostView View(const Text& host);

  // Forgets every host.
  void Reset();

 private:
  struct Host {
    HostView view;
    Clock::time_point next_start{};
    int successes = 0;             // since the allowance last grew or shrank
    int accepted_since_limit = 0;  // replies accepted since the last limit
    bool limited_before = false;
    Clock::time_point last_limit{};
    std::uint64_t limits = 0;  // limit events so far: the tickets of Start
  };
  Clock::time_point EarliestLocked(Host& host, Clock::time_point now) const;
  std::uint64_t StartLocked(Host& host, Clock::time_point now);
  bool FinishLocked(const Text& name, std::uint64_t ticket, bool rate_limited,
                    std::chrono::milliseconds cool_down, Clock::time_point now);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<Text, Host> hosts_;
};

}  // namespace weibo
