// The cookie jar: one text of name=value entries joined by "; ", sent as the
// Cookie header of every request that carries it and merged with the cookies
// each reply sets. The jar knows no domains, paths or expiry dates; a cookie
// leaves it only when a reply sets it to the value "deleted".
//
// Cookie syntax is ASCII: the ";" between entries, the "=" after a name and
// the "Set-Cookie:" marker are found at any byte, whatever byte precedes them.
// Entry names are compared byte for byte. After a merge no entry holds a
// space; the only spaces are those of the "; " separators. The routines are
// pure; a jar shared between threads needs the caller's serialisation.
#pragma once

#include <string_view>
#include <vector>

#include "support/text_rules.h"

namespace weibo {

// The entries that the Set-Cookie lines among `lines` (one header line each,
// without CR LF) set, in line order, joined by "; ". A line counts when it
// contains "Set-Cookie" with exactly that letter case; its entry is the
// trimmed text after "Set-Cookie:" up to the first ";" or the end of the
// line. Empty when no line counts.
Text ExtractSetCookies(const std::vector<Text>& lines);

// The name of a jar entry: the bytes before its first "=", or the whole
// entry when it has none, trimmed.
Text CookieName(std::string_view entry);

// Merges `fresh_cookies` (the cookies one reply sets) into `cookie_jar`; both
// are rewritten in place and must not be null. Spaces are removed from both;
// the merged jar lists the fresh entries first, in their order, then every
// old entry whose name no earlier entry holds, in the old order; entries
// ending in "=deleted" are dropped. Returns the merged jar. Every merge
// normalises the jar, even with nothing fresh.
Text MergeCookies(Text* cookie_jar, Text* fresh_cookies);

}  // namespace weibo
