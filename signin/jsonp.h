// Unwrapping of JSON-P replies.
#pragma once

#include "support/text_rules.h"

namespace weibo {

// The JSON inside a reply of the form name(json): the bytes after the first
// "(" up to the first ")" that follows it. When another "(" stands between
// the two, the body starts after that one instead (only once). Searches step
// over two-byte characters. Empty when the reply has no "(" or no ")" after
// it. A ")" inside a JSON string cuts the body there, so such a body does not
// parse. Pure; any thread.
Text JsonpBody(const Text& reply);

}  // namespace weibo
