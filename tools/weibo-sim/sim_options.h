// What a run of the simulated service looks like: ports, data sizes,
// sign-in timing and the faults it injects. Plain values, copied freely.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "support/text_rules.h"

namespace weibo::sim {

enum class FaultKind {
  kLatency,      // wait `milliseconds`, then answer normally
  kStatus,       // answer with `status` (5xx, 403, 418, ...) and an HTML error page
  kReset,        // send the head and half the body, then reset the connection
  kShortBody,    // send the head and half the body, then close normally
  kStall,        // send nothing for `milliseconds`, then close
  kHugeHeaders,  // answer normally with a header block of more than 8 KiB
  kBadJson,      // cut a JSON (or JSON-P) reply in the middle of its value
  kHtmlPage,     // answer 200 with an HTML sign-in page in place of the reply
};

// One fault: which requests it hits and what it does to them. A request is
// hit when its path starts with `path_prefix` and a seeded draw falls below
// `rate`; the draw depends only on the seed, the rule and the request's
// address without its cache-busting parameters, and on how often that
// address has been asked before, so runs repeat exactly.
struct FaultRule {
  FaultKind kind = FaultKind::kStatus;
  double rate = 1.0;
  Text path_prefix;     // empty: every service path
  int status = 503;     // kStatus
  int milliseconds = 0; // kLatency delay, kStall hold time
};

struct SimOptions {
  // First port to bind on 127.0.0.1; 0 picks free ports. With separate
  // hosts every role gets its own port (port, port + 1, ...), otherwise one
  // port serves every role.
  int port = 0;
  bool separate_hosts = false;

  std::uint64_t seed = 1;

  // The user that a confirmed QR code signs in; empty: the data set's
  // default (the benchmark user when benchmark data is asked for).
  Text signin_uid;
  // A QR code not confirmed within this time answers as expired.
  int qr_lifetime_ms = 180000;
  // When 0 or more, a QR code counts as scanned after half this time and as
  // confirmed after all of it, without anyone pressing a button.
  int auto_confirm_ms = -1;
  // The "retcode" of an expired or unknown QR code.
  Text expired_retcode = "50114001";

  // Benchmark data: one more user with this many albums of this many photos.
  int bench_albums = 0;
  int bench_photos = 0;
  // When above 0, pictures are padded to about this many KiB.
  int picture_kib = 0;

  std::vector<FaultRule> faults;

  // Requests a second and burst of the token bucket each client address
  // gets; a request beyond it is answered 418. 0 requests a second: none.
  double rate_limit = 0;
  double rate_burst = 0;

  // Print one line per request on standard error.
  bool log_to_stderr = false;
};

// Reads a fault rule written as KIND[:RATE[:VALUE]][@PATH_PREFIX], where KIND
// is latency, status, reset, short, stall, headers, badjson or html and VALUE is the
// status code (status) or milliseconds (latency, stall). Examples:
// "status:0.2:503@/photos/", "latency:1:40", "reset@/large/".
// Returns false and sets `error` when the text is not such a rule.
bool ParseFaultRule(std::string_view rule_text, FaultRule* rule, Text* error);

// The name used for `kind` in rules and in the request log.
const char* FaultKindName(FaultKind kind);

}  // namespace weibo::sim
