// GB18030 (code page 54936) encoding of UTF-16 text, wrapping ICU.
#pragma once

#include <string_view>

#include "support/text_rules.h"

namespace weibo {

// The GB18030 bytes of `units` (UTF-16 code units). A lone surrogate becomes
// "?". Empty on a converter failure. Safe to call from any thread.
ByteArray EncodeGb18030(std::u16string_view units);

}  // namespace weibo
