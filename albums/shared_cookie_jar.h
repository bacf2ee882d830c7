// Text requests that send and update the process's one cookie jar, from the
// user-interface thread and from several download workers at once.
#pragma once

#include <mutex>

#include "support/text_rules.h"

namespace weibo {

// FetchText of `url` (a GET without body or extra headers) with the cookie
// jar `*cookie_jar`, which `cookie_lock` guards. The jar is copied under the
// lock, the request runs without it, and the cookies the replies set are
// then merged into the jar under the lock, a later reply's cookie winning
// over an earlier one of the same name. Cookies other requests merged in the
// meantime are kept unless a reply sets the same name. Blocks the caller for
// the request; holds the lock only for the copy and the merge.
Text FetchTextWithSharedJar(const Text& url, Text* cookie_jar, std::mutex* cookie_lock);

// Merges the cookies `fresh` (entries joined by ";", in the order the
// replies set them, possibly repeating a name) into `*cookie_jar` with
// MergeCookies, keeping only the last entry of each name. Pure.
void MergeFreshCookies(Text* cookie_jar, const Text& fresh);

}  // namespace weibo
