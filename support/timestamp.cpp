#include "support/timestamp.h"

#include <chrono>
#include <string>

namespace weibo {

Text MillisecondTimestamp() {
  using std::chrono::duration_cast;
  using std::chrono::milliseconds;
  auto since_epoch = duration_cast<milliseconds>(std::chrono::system_clock::now().time_since_epoch());
  if (since_epoch.count() < 0) return Text();
  return std::to_string(since_epoch.count());
}

}  // namespace weibo
