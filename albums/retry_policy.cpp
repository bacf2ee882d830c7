#include "albums/retry_policy.h"

#include <algorithm>
#include <vector>

#include "web/header_text.h"

namespace weibo {

bool IsPassingFailure(const DownloadReply& reply) {
  if (!reply.started) return false;
  switch (reply.outcome) {
    case TransportOutcome::kFailed:
    case TransportOutcome::kTimedOut:
      return true;
    case TransportOutcome::kComplete:
      return (reply.status >= 500 && reply.status <= 599) || reply.status == 408 ||
             reply.status == 418 || reply.status == 429;
    case TransportOutcome::kNotStarted:
    case TransportOutcome::kTooLarge:
      return false;
  }
  return false;
}

std::optional<std::int64_t> RetryAfterSeconds(const Text& raw_headers) {
  static constexpr std::string_view kName = "retry-after:";
  std::size_t start = 0;
  while (start < raw_headers.size()) {
    std::size_t end = raw_headers.find("\r\n", start);
    if (end == Text::npos) end = raw_headers.size();
    const Text line = raw_headers.substr(start, end - start);
    start = end + 2;
    if (AsciiLower(line.substr(0, kName.size())) != kName) continue;
    const Text value = TrimSpaces(line.substr(kName.size()));
    if (value.empty() || value.size() > 9 ||
        value.find_first_not_of("0123456789") != Text::npos) {
      return std::nullopt;
    }
    return TextToInteger(value);
  }
  return std::nullopt;
}

std::optional<std::chrono::milliseconds> PauseBeforeRetry(const RetrySchedule& schedule, int retry,
                                                          const Text& raw_headers,
                                                          std::mt19937_64& random) {
  if (retry < 0 || retry >= static_cast<int>(schedule.pauses.size())) return std::nullopt;
  const auto base = schedule.pauses[static_cast<std::size_t>(retry)];
  std::uniform_real_distribution<double> jitter(0.8, 1.2);
  auto pause = std::chrono::milliseconds(
      static_cast<std::chrono::milliseconds::rep>(static_cast<double>(base.count()) * jitter(random)));
  if (const auto seconds = RetryAfterSeconds(raw_headers)) {
    const std::chrono::milliseconds asked = std::chrono::seconds(*seconds);
    if (asked <= schedule.longest_retry_after) pause = std::max(pause, asked);
  }
  return pause;
}

}  // namespace weibo
