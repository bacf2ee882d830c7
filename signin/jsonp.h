// Unwrapping of JSON-P replies.
#pragma once

#include "support/text_rules.h"

namespace weibo {

// The JSON inside a reply of the form name(json): the bytes after the first
// "(" up to the first ")" that follows it outside a JSON string. When another
// "(" stands between the two, again outside a string, the body starts after
// that one instead (only once). A "(" or ")" inside a string ("msg" texts
// such as "登录成功(手机已确认)") is part of the body, so a well-formed reply
// is never cut inside its JSON; text after the closing ")" is left out.
// Searches step over two-byte characters, so the trail byte 0x5C of a
// character is never taken for a backslash. Empty when the reply has no "("
// or no closing ")" after it. Pure; any thread.
Text JsonpBody(const Text& reply);

}  // namespace weibo
