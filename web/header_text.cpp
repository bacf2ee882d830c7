#include "web/header_text.h"

namespace weibo {
namespace {

// Shared body of both splits: `find(from)` returns the 0-based index of the
// next separator at or after `from`, or npos.
template <typename Find>
std::vector<Text> SplitWith(std::string_view text, std::size_t separator_size, Find find) {
  std::vector<Text> pieces;
  std::size_t cut = 0;
  for (std::size_t at = find(cut); at != std::string_view::npos; at = find(cut)) {
    pieces.emplace_back(text.substr(cut, at - cut));
    cut = at + separator_size;
  }
  if (cut < text.size()) pieces.emplace_back(text.substr(cut));
  return pieces;
}

}  // namespace

Text TextBetween(std::string_view text, std::string_view left, std::string_view right) {
  int left_at = TextFind(text, left, 1, /*ignore_case=*/true);
  if (left_at < 0) return Text();
  int inner_at = left_at + static_cast<int>(left.size());
  int right_at = TextFind(text, right, inner_at, /*ignore_case=*/true);
  if (right_at < 0) return Text();
  return TextMid(text, inner_at, right_at - inner_at);
}

Text HeaderValue(std::string_view text) {
  int colon_at = TextFind(text, ":");
  if (colon_at < 0) return Text();
  return TrimSpaces(text.substr(static_cast<std::size_t>(colon_at)));
}

std::vector<Text> SplitText(std::string_view text, std::string_view separator) {
  if (separator.empty()) return text.empty() ? std::vector<Text>() : std::vector<Text>{Text(text)};
  return SplitWith(text, separator.size(), [&](std::size_t from) {
    if (from >= text.size()) return std::string_view::npos;
    int at = TextFind(text, separator, static_cast<int>(from) + 1);
    return at < 0 ? std::string_view::npos : static_cast<std::size_t>(at - 1);
  });
}

std::vector<Text> SplitBytes(std::string_view text, std::string_view separator) {
  if (separator.empty()) return text.empty() ? std::vector<Text>() : std::vector<Text>{Text(text)};
  return SplitWith(text, separator.size(),
                   [&](std::size_t from) { return text.find(separator, from); });
}

}  // namespace weibo
