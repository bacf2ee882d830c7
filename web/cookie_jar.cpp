#include "web/cookie_jar.h"

#include <algorithm>

#include "web/header_text.h"

namespace weibo {
namespace {

constexpr std::string_view kSetCookie = "Set-Cookie";
constexpr std::string_view kSetCookieName = "Set-Cookie:";
constexpr std::string_view kDeleted = "=deleted";

// Cookie syntax is ASCII: its markers and separators are looked for at every
// byte, so that a value ending in a byte of 0x80 or more can never swallow the
// ";" after it.

// The 0-based index of the first `marker` in `text`, ASCII letters folded
// when `ignore_case`, or npos.
std::size_t FindBytes(std::string_view text, std::string_view marker, bool ignore_case) {
  if (!ignore_case) return text.find(marker);
  return AsciiLower(text).find(AsciiLower(marker));
}

// The name=value part of one Set-Cookie line: after "Set-Cookie:" (any letter
// case) up to the first ";" or the end of the line, trimmed.
Text SetCookieEntry(std::string_view line) {
  std::size_t name_at = FindBytes(line, kSetCookieName, /*ignore_case=*/true);
  if (name_at == std::string_view::npos) return Text();
  std::string_view value = line.substr(name_at + kSetCookieName.size());
  return TrimSpaces(value.substr(0, value.find(';')));
}

bool HasName(const std::vector<Text>& entries, const Text& name) {
  return std::any_of(entries.begin(), entries.end(),
                     [&](const Text& entry) { return CookieName(entry) == name; });
}

bool IsDeleted(const Text& entry) {
  return entry.size() >= kDeleted.size() &&
         entry.compare(entry.size() - kDeleted.size(), kDeleted.size(), kDeleted) == 0;
}

}  // namespace

Text ExtractSetCookies(const std::vector<Text>& lines) {
  Text cookies;
  for (const Text& line : lines) {
    if (FindBytes(line, kSetCookie, /*ignore_case=*/false) == Text::npos) continue;
    cookies += SetCookieEntry(line);
    cookies += "; ";
  }
  if (!cookies.empty()) cookies.resize(cookies.size() - 2);
  return cookies;
}

Text CookieName(std::string_view entry) {
  return TrimSpaces(entry.substr(0, entry.find('=')));
}

Text MergeCookies(Text* cookie_jar, Text* fresh_cookies) {
  *cookie_jar = RemoveSpaces(*cookie_jar);
  *fresh_cookies = RemoveSpaces(*fresh_cookies);
  std::vector<Text> merged = SplitBytes(*fresh_cookies, ";");
  for (Text& old_entry : SplitBytes(*cookie_jar, ";")) {
    if (!HasName(merged, CookieName(old_entry))) merged.push_back(std::move(old_entry));
  }
  Text jar;
  for (const Text& entry : merged) {
    if (IsDeleted(entry)) continue;
    jar += entry;
    jar += "; ";
  }
  if (!jar.empty()) jar.resize(jar.size() - 2);
  *cookie_jar = jar;
  return jar;
}

}  // namespace weibo
