// The callback names that make sign-on request addresses unique.
#pragma once

#include "support/text_rules.h"

namespace weibo {

// The millisecond timestamp (MillisecondTimestamp) followed by the first two
// digits of the decimal millisecond field (0 to 999) of the current time, read
// separately: one digit when the field is below 10. Any thread.
Text CallbackStamp();

// The same from given parts: `timestamp` followed by the first two characters
// of the decimal text of `millisecond_field`. Pure.
Text CallbackStampOf(const Text& timestamp, int millisecond_field);

}  // namespace weibo
