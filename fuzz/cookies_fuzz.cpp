// The cookie jar: whatever Set-Cookie lines a reply holds, a merged jar is a
// list of space-free entries joined by "; " with no ";" inside an entry and
// no deleted entry; once normalised it holds no name twice, and merging it
// into itself, or merging nothing into it, changes nothing.
#include <set>

#include "fuzz/fuzz_check.h"
#include "web/cookie_jar.h"

namespace {

using weibo::Text;

// The entries of a merged jar: the pieces between the "; " separators.
std::vector<Text> Entries(const Text& jar) {
  std::vector<Text> entries;
  if (jar.empty()) return entries;
  std::size_t cut = 0;
  for (std::size_t at = jar.find("; "); at != Text::npos; at = jar.find("; ", cut)) {
    entries.push_back(jar.substr(cut, at - cut));
    cut = at + 2;
  }
  entries.push_back(jar.substr(cut));
  return entries;
}

// Every merged jar: entries without spaces, ";" or the "deleted" value. A
// normalised jar (merged once more with nothing) also holds no name twice;
// a reply may set one name twice, and both stay until the next merge.
void CheckMerged(const Text& jar, bool normalised) {
  std::set<Text> names;
  for (const Text& entry : Entries(jar)) {
    FUZZ_CHECK(entry.find(';') == Text::npos);
    FUZZ_CHECK(entry.find(' ') == Text::npos);
    FUZZ_CHECK(!weibo::fuzz::ContainsCharacters(entry, "\xA1\xA1"));
    FUZZ_CHECK(!(entry.size() >= 8 && entry.compare(entry.size() - 8, 8, "=deleted") == 0));
    if (normalised) FUZZ_CHECK(names.insert(weibo::CookieName(entry)).second);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  weibo::fuzz::Pieces pieces(data, size);
  Text jar = pieces.Next();
  std::vector<Text> lines;
  for (Text line = pieces.Next(); !line.empty(); line = pieces.Next()) lines.push_back(line);

  Text fresh = weibo::ExtractSetCookies(lines);
  for (const Text& line : lines) {
    const Text name = weibo::CookieName(line);
    const auto characters = weibo::fuzz::Characters(name);
    FUZZ_CHECK(name.empty() || (characters.front() != " " && characters.back() != " "));
  }
  const Text returned = weibo::MergeCookies(&jar, &fresh);
  FUZZ_CHECK(returned == jar);
  FUZZ_CHECK(fresh.find(' ') == Text::npos);
  CheckMerged(jar, /*normalised=*/false);
  Text nothing;
  weibo::MergeCookies(&jar, &nothing);
  CheckMerged(jar, /*normalised=*/true);

  // A normalised jar merged into itself, or with nothing, stays as it is.
  Text same = jar;
  Text copy = jar;
  weibo::MergeCookies(&same, &copy);
  FUZZ_CHECK(same == jar);
  FUZZ_CHECK(copy.find(' ') == Text::npos);
  weibo::MergeCookies(&same, &nothing);
  FUZZ_CHECK(same == jar);
  return 0;
}
