// Reading the user's values out of a profile page.
#pragma once

#include <string_view>

#include "support/text_rules.h"

namespace weibo {

// The text between the first `start_marker` of `page` and the first
// `end_marker` after it, both excluded and compared case-sensitively. When
// the start marker occurs again before that end marker, the value begins
// after this second occurrence instead (once, not after a third). Empty when
// either marker is missing. Pure; any thread.
Text ValueBetweenMarkers(std::string_view page, std::string_view start_marker,
                         std::string_view end_marker);

}  // namespace weibo
