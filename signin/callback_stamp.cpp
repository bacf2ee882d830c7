#include "signin/callback_stamp.h"

#include <chrono>
#include <string>

#include "support/timestamp.h"

namespace weibo {
namespace {

// The millisecond field of the current local time. Time zones differ from
// UTC by whole minutes, so the field is that of the system clock.
int CurrentMillisecondField() {
  const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch);
  const long long field = milliseconds.count() % 1000;
  return static_cast<int>(field < 0 ? field + 1000 : field);
}

}  // namespace

Text CallbackStampOf(const Text& timestamp, int millisecond_field) {
  return timestamp + TextLeft(std::to_string(millisecond_field), 2);
}

Text CallbackStamp() {
  const Text timestamp = MillisecondTimestamp();
  return CallbackStampOf(timestamp, CurrentMillisecondField());
}

}  // namespace weibo
