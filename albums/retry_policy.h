// When a failed transfer is tried again, and after how long.
//
// Pure functions; any thread.
#pragma once

#include <chrono>
#include <optional>
#include <random>
#include <vector>

#include "support/text_rules.h"
#include "web/http_request.h"

namespace weibo {

// The pauses before the retries of one transfer, as ProgramState keeps them.
struct RetrySchedule {
  // One pause per retry; their number is the number of retries.
  std::vector<std::chrono::milliseconds> pauses;
  // A Retry-After of the reply up to this long is waited for (when longer
  // than the pause); a longer one is ignored.
  std::chrono::milliseconds longest_retry_after{60'000};
};

// True when `reply` failed in a way that may pass: no connection (refused,
// reset), a time-out, a body cut short, or the status 408, 418, 429 or 5xx.
// A request that could not be made, a body over the size cap and every other
// status (403, 404 ...) are final.
bool IsPassingFailure(const DownloadReply& reply);

// The whole seconds of the reply's "Retry-After" header, when it holds them.
std::optional<std::int64_t> RetryAfterSeconds(const Text& raw_headers);

// The pause before retry number `retry` (0-based) of `schedule`: its pause
// with a jitter of up to a fifth either way, or the reply's Retry-After when
// that is longer and not longer than the schedule allows. Empty when
// `retry` is past the schedule's last retry.
std::optional<std::chrono::milliseconds> PauseBeforeRetry(const RetrySchedule& schedule, int retry,
                                                          const Text& raw_headers,
                                                          std::mt19937_64& random);

}  // namespace weibo
