// The millisecond timestamp that makes request addresses unique.
#pragma once

#include "support/text_rules.h"

namespace weibo {

// The current time of the system clock in whole milliseconds since
// 1970-01-01T00:00:00 UTC, as plain decimal digits (13 for present-day
// dates); empty text when the clock reads before 1970. Safe to call from
// any thread; keeps no state.
Text MillisecondTimestamp();

}  // namespace weibo
