// Decoding of code page 936 texts into UTF-8, wrapping ICU. Used where the
// tool's texts become names of the native file system.
#pragma once

#include <string>
#include <string_view>

#include "support/text_rules.h"

namespace weibo {

// The UTF-8 form of the code page 936 text `text` (as Windows has the code
// page: 0x80 is the euro sign). A byte sequence that is no character becomes
// U+FFFD. Empty for an empty text or when ICU cannot convert. Keeps no state;
// safe to call from any thread at once.
std::string CodePage936ToUtf8(std::string_view text);

}  // namespace weibo
