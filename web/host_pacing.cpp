#include "web/host_pacing.h"

#include <algorithm>

#include "albums/retry_policy.h"

namespace weibo {
namespace {

using std::chrono::microseconds;

// Successes that let one more worker talk to a limited host.
constexpr int kSuccessesPerWorker = 10;
// Each success shrinks the spacing by this share: a probe for a higher rate
// that costs one limit now and then.
constexpr double kSpacingShrink = 0.997;

}  // namespace

bool IsRateLimitReply(const DownloadReply& reply) {
  if (reply.outcome != TransportOutcome::kComplete) return false;
  if (reply.status == 418 || reply.status == 429) return true;
  return reply.status == 503 && RetryAfterSeconds(reply.raw_headers).has_value();
}

HostPacing::Clock::time_point HostPacing::EarliestLocked(Host& host, Clock::time_point now) const {
  return std::max({now, host.view.resume_at, host.next_start});
}

HostPacing::Clock::time_point HostPacing::EarliestStart(const Text& host, Clock::time_point now) {
  std::lock_guard<std::mutex> hold(mutex_);
  return EarliestLocked(hosts_[host], now);
}

std::uint64_t HostPacing::StartLocked(Host& host, Clock::time_point now) {
  ++host.view.active;
  host.next_start = std::max(now, host.next_start) + host.view.spacing;
  return host.limits;
}

std::uint64_t HostPacing::Started(const Text& name, Clock::time_point now) {
  std::lock_guard<std::mutex> hold(mutex_);
  return StartLocked(hosts_[name], now);
}

bool HostPacing::Start(const Text& name, const std::function<bool()>& give_up,
                       std::uint64_t* ticket) {
  std::unique_lock<std::mutex> hold(mutex_);
  for (;;) {
    Host& host = hosts_[name];
    const Clock::time_point now = Clock::now();
    const Clock::time_point earliest = EarliestLocked(host, now);
    if (earliest <= now && host.view.active < host.view.allowed) {
      *ticket = StartLocked(host, now);
      return true;
    }
    hold.unlock();
    const bool stop = give_up && give_up();
    hold.lock();
    if (stop) return false;
    const Clock::time_point wake =
        std::min(std::max(earliest, now), now + std::chrono::milliseconds(100));
    changed_.wait_until(hold, wake);
  }
}

bool HostPacing::Finished(const Text& name, std::uint64_t ticket, bool rate_limited,
                          std::chrono::milliseconds cool_down, Clock::time_point now) {
  std::lock_guard<std::mutex> hold(mutex_);
  return FinishLocked(name, ticket, rate_limited, cool_down, now);
}

bool HostPacing::FinishLocked(const Text& name, std::uint64_t ticket, bool rate_limited,
                              std::chrono::milliseconds cool_down, Clock::time_point now) {
  Host& host = hosts_[name];
  host.view.active = std::max(0, host.view.active - 1);
  if (!rate_limited) {
    ++host.accepted_since_limit;
    host.view.spacing = microseconds(
        static_cast<microseconds::rep>(static_cast<double>(host.view.spacing.count()) *
                                       kSpacingShrink));
    if (host.view.allowed < kMostWorkers && ++host.successes >= kSuccessesPerWorker) {
      ++host.view.allowed;
      host.successes = 0;
    }
    return false;
  }
  // A limit to a request that started before the host's last limit was on
  // its way then: the same event, with the same cool-down.
  if (ticket != host.limits) return false;
  ++host.limits;
  if (host.limited_before && host.accepted_since_limit > 0) {
    const auto gap = std::chrono::duration_cast<microseconds>(now - host.last_limit);
    host.view.spacing = gap / host.accepted_since_limit;
  }
  host.limited_before = true;
  host.last_limit = now;
  host.accepted_since_limit = 0;
  host.successes = 0;
  host.view.allowed = std::max(1, host.view.allowed / 2);
  host.view.resume_at = now + cool_down;
  host.next_start = host.view.resume_at;
  return true;
}

bool HostPacing::Finish(const Text& name, std::uint64_t ticket, bool rate_limited,
                        std::chrono::milliseconds cool_down) {
  bool began;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    began = FinishLocked(name, ticket, rate_limited, cool_down, Clock::now());
  }
  changed_.notify_all();
  return began;
}

HostPacing::HostView HostPacing::View(const Text& host) {
  std::lock_guard<std::mutex> hold(mutex_);
  return hosts_[host].view;
}

void HostPacing::Reset() {
  std::lock_guard<std::mutex> hold(mutex_);
  hosts_.clear();
}

}  // namespace weibo
