// Unicode and code page 936 conversions, wrapping ICU. All routines keep no
// state and are safe to call from any thread at once.
#pragma once

#include <string>
#include <string_view>

#include "support/text_rules.h"

namespace weibo {

// The UTF-16 units of `utf8`. Each malformed sequence (its maximal part that
// could begin a character) becomes one U+FFFD; zero bytes are kept.
std::u16string DecodeUtf8(std::string_view utf8);

// `units` with every base character that is followed by combining marks
// composed with them (NFC over such runs) where a precomposed character
// exists; everything else, compatibility ideographs included, stays as is.
std::u16string ComposeCombiningMarks(std::u16string_view units);

// `units` in code page 936 as Windows has it (0x80 is the euro sign), with
// its best-fit mappings for characters it has a near match for. A character
// the code page lacks altogether, and a lone surrogate, becomes "?".
ByteArray EncodeCodePage936(std::u16string_view units);

}  // namespace weibo
