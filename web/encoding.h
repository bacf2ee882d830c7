// Conversions of UTF-8 replies into code page 936 texts, through UTF-16.
// All routines keep no state and are safe to call from any thread at once.
#pragma once

#include "support/text_rules.h"

namespace weibo {

// The UTF-16 little-endian code units (two bytes each, no terminator) of the
// UTF-8 bytes `utf8`. Each malformed sequence becomes one U+FFFD; zero bytes
// are kept. Empty input gives an empty result.
ByteArray Utf8ToUtf16(const ByteArray& utf8);

// The code page 936 text of the UTF-16 little-endian units `utf16` (an odd
// last byte is ignored). A base letter followed by combining marks becomes
// the precomposed character where one exists; a character the code page lacks
// takes its best-fit match ("²" becomes "2"), or "?" when there is none or
// when the match is a control byte (only control characters become control
// bytes). The text ends before the first zero byte.
Text Utf16ToGbk(const ByteArray& utf16);

// Utf16ToGbk of Utf8ToUtf16 of `utf8`: malformed UTF-8 reads as "?".
Text Utf8ToGbk(const ByteArray& utf8);

}  // namespace weibo
