// Small text routines for header lines and cookie texts: the text between two
// markers, the value of a header line, and the split of a text into pieces.
// All routines are pure and safe to call from any thread.
#pragma once

#include <string_view>
#include <vector>

#include "support/text_rules.h"

namespace weibo {

// The bytes between the first `left` marker and the next `right` marker after
// it, untrimmed (possibly empty). ASCII letters of the markers are compared
// without regard to case. Empty when either marker is missing.
Text TextBetween(std::string_view text, std::string_view left, std::string_view right);

// The bytes after the first colon of `text`, trimmed; empty without a colon.
Text HeaderValue(std::string_view text);

// Splits `text` at every `separator`, scanning character by character (a
// two-byte character is never cut). A leading separator or two adjacent ones
// give empty pieces; the bytes after the last separator become a piece only
// when not empty; an empty text gives no pieces.
std::vector<Text> SplitText(std::string_view text, std::string_view separator);

// The same split, but the separator is looked for at every byte. Raw header
// blocks and cookie texts are split this way: a header line or a cookie value
// may end in a byte of 0x80 or more, and the CR LF or ";" after it must still
// end the line or the entry.
std::vector<Text> SplitBytes(std::string_view text, std::string_view separator);

}  // namespace weibo
