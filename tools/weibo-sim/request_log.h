// The record of the requests the simulated service answered, for tests and
// the control page. Keeps the latest entries only (a bounded ring), so a
// long benchmark does not grow without end. Thread-safe.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

#include "support/text_rules.h"
#include "tools/weibo-sim/sign_on.h"

namespace weibo::sim {

struct RequestRecord {
  std::uint64_t sequence = 0;           // 1 for the first request of the run
  Text host;                            // "127.0.0.1:PORT" that was asked
  Text method;
  Text target;                          // path and query as sent
  Text path;
  std::vector<std::pair<Text, Text>> headers;
  CookieList cookies;                   // parsed from the Cookie header
  int status = 0;                       // as answered (before a cut fault)
  Text fault;                           // name of the fault applied, or empty
  Text signed_in_uid;                   // the user the cookies stand for, if any
  std::size_t body_bytes = 0;           // body length as answered
};

class RequestLog {
 public:
  explicit RequestLog(std::size_t capacity = 20000);

  // Gives `record` its sequence number and keeps it.
  void Add(RequestRecord record);
  std::vector<RequestRecord> Snapshot() const;
  void Clear();

 private:
  std::size_t capacity_;
  mutable std::mutex mutex_;
  std::uint64_t next_sequence_ = 1;
  std::deque<RequestRecord> records_;
};

// The cookies of a Cookie header: "a=1; b=2" gives (a, 1), (b, 2); empty
// entries are skipped, names and values trimmed of spaces.
CookieList ParseCookieHeader(std::string_view header);

}  // namespace weibo::sim
