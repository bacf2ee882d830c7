#include "tools/weibo-sim/command_line.h"

#include "tools/weibo-sim/rate_limiter.h"

#include <charconv>

namespace weibo::sim {
namespace {

template <typename Number>
bool ReadNumber(const Text& text, Number min, Number max, Number* value) {
  Number parsed{};
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size() || parsed < min || parsed > max) {
    return false;
  }
  *value = parsed;
  return true;
}

}  // namespace

Text UsageText() {
  return "Usage: weibo-sim [options]\n"
         "Serves a simulated Weibo service on 127.0.0.1 until SIGINT or SIGTERM.\n"
         "\n"
         "  --port N             first port (default 8960; 0 picks free ports)\n"
         "  --separate-hosts     one port per host: sign-on, main, photo, static and\n"
         "                       two picture hosts on N, N+1, ... N+5\n"
         "  --seed N             seed of identifiers and faults (default 1)\n"
         "  --signin-uid UID     the user a confirmed QR code signs in\n"
         "  --qr-lifetime MS     QR codes expire after MS milliseconds (default 180000)\n"
         "  --auto-confirm MS    codes count as scanned after MS/2 and confirmed after MS\n"
         "  --expired-retcode C  status code of an expired QR code (default 50114001)\n"
         "  --albums N --photos M\n"
         "                       add a benchmark user (uid 1900000001, signed in by\n"
         "                       default) with N albums of M photos\n"
         "  --picture-kib K      pad pictures to about K KiB\n"
         "  --fault RULE         inject a fault, repeatable; RULE is\n"
         "                       KIND[:RATE[:VALUE]][@PATH_PREFIX] with KIND one of\n"
         "                       latency (VALUE ms), status (VALUE code, default 503),\n"
         "                       reset, short, stall (VALUE ms), headers, badjson,\n"
         "                       html (200 with a sign-in page);\n"
         "                       e.g. status:0.1:503@/photos/  latency:1:50  reset@/large/\n"
         "  --rate-limit R[:BURST]  a token bucket per client address: R requests a\n"
         "                       second, BURST at once (default R); beyond it 418\n"
         "  --log                print one line per request on standard error\n"
         "  --help               show this text\n";
}

bool ParseCommandLine(const std::vector<Text>& args, CommandLine* command_line, Text* error) {
  SimOptions& options = command_line->options;
  options.port = 8960;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const Text& arg = args[i];
    auto value = [&](Text* out) {
      if (i + 1 >= args.size()) {
        *error = arg + " needs a value";
        return false;
      }
      *out = args[++i];
      return true;
    };
    auto number = [&](int min, int max, int* out) {
      Text text;
      if (!value(&text)) return false;
      if (ReadNumber(text, min, max, out)) return true;
      *error = arg + " takes a whole number from " + std::to_string(min) + " to " + std::to_string(max);
      return false;
    };
    Text text;
    bool ok = true;
    if (arg == "--help" || arg == "-h") {
      command_line->help = true;
    } else if (arg == "--port") {
      ok = number(0, 65530, &options.port);
    } else if (arg == "--separate-hosts") {
      options.separate_hosts = true;
    } else if (arg == "--seed") {
      ok = value(&text);
      if (ok && !ReadNumber<std::uint64_t>(text, 0, UINT64_MAX, &options.seed)) {
        *error = "--seed takes a whole number";
        ok = false;
      }
    } else if (arg == "--signin-uid") {
      ok = value(&options.signin_uid);
    } else if (arg == "--qr-lifetime") {
      ok = number(1, 86400000, &options.qr_lifetime_ms);
    } else if (arg == "--auto-confirm") {
      ok = number(0, 86400000, &options.auto_confirm_ms);
    } else if (arg == "--expired-retcode") {
      ok = value(&options.expired_retcode);
    } else if (arg == "--albums") {
      ok = number(0, 10000, &options.bench_albums);
    } else if (arg == "--photos") {
      ok = number(0, 100000, &options.bench_photos);
    } else if (arg == "--picture-kib") {
      ok = number(0, 65536, &options.picture_kib);
    } else if (arg == "--fault") {
      FaultRule rule;
      ok = value(&text) && ParseFaultRule(text, &rule, error);
      if (ok) options.faults.push_back(rule);
      if (!ok && !error->empty() && error->find("--fault") == Text::npos) *error = "--fault: " + *error;
    } else if (arg == "--rate-limit") {
      RateLimit limit;
      ok = value(&text) && ParseRateLimit(text, &limit, error);
      options.rate_limit = limit.per_second;
      options.rate_burst = limit.burst;
    } else if (arg == "--log") {
      options.log_to_stderr = true;
    } else {
      *error = "unknown argument '" + arg + "'";
      ok = false;
    }
    if (!ok) return false;
  }
  return true;
}

}  // namespace weibo::sim
