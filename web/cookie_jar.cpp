#include "web/cookie_jar.h"

#include <algorithm>

#include "web/header_text.h"

namespace weibo {
namespace {

constexpr std::string_view kSetCookie = "Set-Cookie";
constexpr std::string_view kSetCookieName = "Set-Cookie:";
constexpr std::string_view kDeleted = "=deleted";

// The name=value part of one Set-Cookie line: after "Set-Cookie:" (any letter
// case) up to the first ";" or the end of the line, trimmed.
Text SetCookieEntry(std::string_view line) {
  int name_at = TextFind(line, kSetCookieName, 1, /*ignore_case=*/true);
  if (name_at < 0) return Text();
  int value_at = name_at + static_cast<int>(kSetCookieName.size());
  int end_at = TextFind(line, ";", value_at);
  int count = end_at < 0 ? -1 : end_at - value_at;
  return TrimSpaces(TextMid(line, value_at, count));
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
    if (!TextContains(line, kSetCookie)) continue;
    cookies += SetCookieEntry(line);
    cookies += "; ";
  }
  if (!cookies.empty()) cookies.resize(cookies.size() - 2);
  return cookies;
}

Text CookieName(std::string_view entry) {
  int equals_at = TextFind(entry, "=");
  if (equals_at < 0) return TrimSpaces(entry);
  return TrimSpaces(entry.substr(0, static_cast<std::size_t>(equals_at - 1)));
}

Text MergeCookies(Text* cookie_jar, Text* fresh_cookies) {
  *cookie_jar = RemoveSpaces(*cookie_jar);
  *fresh_cookies = RemoveSpaces(*fresh_cookies);
  std::vector<Text> merged = SplitText(*fresh_cookies, ";");
  for (Text& old_entry : SplitText(*cookie_jar, ";")) {
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
