#include "albums/shared_cookie_jar.h"

#include <algorithm>
#include <vector>

#include "web/cookie_jar.h"
#include "web/fetch_text.h"

namespace weibo {
namespace {

// The entries of `fresh` with every entry dropped whose name a later entry
// sets again, joined by ";".
Text LastEntryOfEachName(const Text& fresh) {
  std::vector<Text> entries;
  std::size_t start = 0;
  while (start <= fresh.size()) {
    std::size_t end = fresh.find(';', start);  // ';' is never a second byte
    if (end == Text::npos) end = fresh.size();
    entries.push_back(fresh.substr(start, end - start));
    start = end + 1;
  }
  Text kept;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Text name = CookieName(entries[i]);
    if (TrimSpaces(entries[i]).empty()) continue;
    const bool set_again = std::any_of(entries.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                       entries.end(),
                                       [&](const Text& later) { return CookieName(later) == name; });
    if (set_again) continue;
    if (!kept.empty()) kept += ";";
    kept += entries[i];
  }
  return kept;
}

}  // namespace

void MergeFreshCookies(Text* cookie_jar, const Text& fresh) {
  Text last = LastEntryOfEachName(fresh);
  MergeCookies(cookie_jar, &last);
}

Text FetchTextWithSharedJar(const Text& url, Text* cookie_jar, std::mutex* cookie_lock) {
  Text jar;
  {
    std::lock_guard<std::mutex> hold(*cookie_lock);
    jar = *cookie_jar;
  }
  Text fresh;
  Text text = FetchText(url, 0, Text(), &jar, &fresh);
  {
    std::lock_guard<std::mutex> hold(*cookie_lock);
    MergeFreshCookies(cookie_jar, fresh);
  }
  return text;
}

}  // namespace weibo
