#include "albums/paced_download.h"

#include <algorithm>
#include <chrono>
#include <random>

#include "albums/delayed_calls.h"
#include "albums/download_run.h"
#include "albums/download_status.h"
#include "web/host_pacing.h"
#include "albums/retry_policy.h"

namespace weibo {
namespace {

using Clock = std::chrono::steady_clock;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
      .count();
}

// The cool-down a rate limit asks for: the reply's Retry-After when given,
// else the pause before the task's next retry (the last one once the
// retries are used up).
std::chrono::milliseconds CoolDown(const ProgramState& state, const PageTask& task,
                                   const Text& raw_headers) {
  const RetrySchedule schedule{state.retry_pauses, state.longest_retry_after};
  if (schedule.pauses.empty()) return std::chrono::milliseconds(0);
  const int retry = std::min<int>(task.retries, static_cast<int>(schedule.pauses.size()) - 1);
  thread_local std::mt19937_64 random{std::random_device{}()};
  return PauseBeforeRetry(schedule, retry, raw_headers, random)
      .value_or(schedule.pauses.back());
}

// Shows the slow-down text until the cool-down ends, then the count again.
void AnnounceCoolDown(const FlowContext& context, std::chrono::milliseconds cool_down) {
  ProgramState& state = *context.state;
  const std::int64_t until = NowMs() + cool_down.count();
  if (until <= state.slow_down_until_ms.load()) return;
  state.slow_down_until_ms.store(until);
  PostProgress(context);
  FlowContext without_state = context;
  without_state.state.reset();
  RunLater(Clock::now() + cool_down + std::chrono::milliseconds(10),
           [without_state, weak = std::weak_ptr<ProgramState>(context.state)] {
             FlowContext own = without_state;
             own.state = weak.lock();
             if (own.state != nullptr) PostProgress(own);
           });
}

}  // namespace

DownloadReply PacedDownload(const FlowContext& context, const PageTask& task, const Text& address,
                            BodySink* sink, Text* cookie_jar, Text* new_cookies) {
  ProgramState& state = *context.state;
  if (!state.pace_hosts) {
    state.requests_sent.fetch_add(1);
    DownloadReply reply = HttpDownload(address, sink, cookie_jar, new_cookies);
    if (IsRateLimitReply(reply)) state.rate_limited_replies.fetch_add(1);
    return reply;
  }
  HostPacing& pacing = state.pacing;
  // Keyed by the host's name: a service limits a client address, whatever
  // port it asks.
  const Text host = UrlHost(address, false);
  std::uint64_t ticket = 0;
  if (!pacing.Start(host, [&state, &task] { return JobStopped(state, *task.job); }, &ticket)) {
    DownloadReply stopped;
    stopped.started = true;
    stopped.outcome = TransportOutcome::kFailed;
    return stopped;
  }
  state.requests_sent.fetch_add(1);
  DownloadReply reply = HttpDownload(address, sink, cookie_jar, new_cookies);
  const bool limited = IsRateLimitReply(reply);
  if (limited) state.rate_limited_replies.fetch_add(1);
  const auto cool_down =
      limited ? CoolDown(state, task, reply.raw_headers) : std::chrono::milliseconds(0);
  if (pacing.Finish(host, ticket, limited, cool_down)) AnnounceCoolDown(context, cool_down);
  return reply;
}

}  // namespace weibo
