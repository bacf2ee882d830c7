#include "tools/weibo-sim/request_log.h"

namespace weibo::sim {
namespace {

std::string_view TrimAscii(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

RequestLog::RequestLog(std::size_t capacity) : capacity_(capacity) {}

void RequestLog::Add(RequestRecord record) {
  std::lock_guard<std::mutex> lock(mutex_);
  record.sequence = next_sequence_++;
  records_.push_back(std::move(record));
  while (records_.size() > capacity_) records_.pop_front();
}

std::vector<RequestRecord> RequestLog::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {records_.begin(), records_.end()};
}

void RequestLog::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  records_.clear();
}

CookieList ParseCookieHeader(std::string_view header) {
  CookieList cookies;
  std::size_t start = 0;
  while (start <= header.size()) {
    std::size_t end = header.find(';', start);
    if (end == std::string_view::npos) end = header.size();
    std::string_view entry = TrimAscii(header.substr(start, end - start));
    if (!entry.empty()) {
      std::size_t equals = entry.find('=');
      std::string_view name = TrimAscii(entry.substr(0, equals));
      std::string_view value =
          equals == std::string_view::npos ? std::string_view() : TrimAscii(entry.substr(equals + 1));
      cookies.emplace_back(Text(name), Text(value));
    }
    start = end + 1;
  }
  return cookies;
}

}  // namespace weibo::sim
