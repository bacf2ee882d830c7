// An HTTP request whose UTF-8 reply comes back as a code page 936 text.
#pragma once

#include <optional>

#include "support/text_rules.h"

namespace weibo {

// HttpRequest with the same arguments, defaults and directions, its body
// converted with Utf8ToGbk. Every argument is passed on as present: a null
// pointer argument is replaced by a variable of this call, and an absent
// `proxy` goes on as present and empty (a direct connection). Empty text when
// the exchange did not start. Blocks its caller; calls that share a cookie
// jar must not overlap.
Text FetchText(const Text& url, int method = 0, const Text& post_text = Text(),
               Text* cookie_jar = nullptr, Text* new_cookies = nullptr,
               Text* extra_headers = nullptr, Text* location = nullptr,
               bool no_redirect = false, ByteArray* post_bytes = nullptr,
               const std::optional<Text>& proxy = std::nullopt,
               Text* raw_headers = nullptr);

}  // namespace weibo
