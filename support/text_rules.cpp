#include "support/text_rules.h"

#include <limits>

namespace weibo {
namespace {

constexpr unsigned char kFullWidthLead = 0xA1;   // A1 A1 is the full-width space
constexpr unsigned char kFullDigitLead = 0xA3;   // A3 B0..B9 are full-width digits
constexpr unsigned char kFullDigitZero = 0xB0;

char FoldChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameBytes(std::string_view text, std::size_t at, std::string_view needle, bool ignore_case) {
  if (text.size() - at < needle.size()) return false;
  if (!ignore_case) return text.compare(at, needle.size(), needle) == 0;
  for (std::size_t i = 0; i < needle.size(); ++i) {
    if (FoldChar(text[at + i]) != FoldChar(needle[i])) return false;
  }
  return true;
}

// True when the character at `index` (of length `len`) is a space of either kind.
bool IsSpaceChar(std::string_view text, std::size_t index, std::size_t len) {
  if (len == 1) return text[index] == ' ';
  return static_cast<unsigned char>(text[index]) == kFullWidthLead &&
         static_cast<unsigned char>(text[index + 1]) == kFullWidthLead;
}

// Value of the digit character at `index`, or -1; `len` receives its length.
int DigitAt(std::string_view text, std::size_t index, std::size_t* len) {
  *len = CharLength(text, index);
  if (*len == 1) {
    char c = text[index];
    return (c >= '0' && c <= '9') ? c - '0' : -1;
  }
  auto lead = static_cast<unsigned char>(text[index]);
  auto trail = static_cast<unsigned char>(text[index + 1]);
  if (lead == kFullDigitLead && trail >= kFullDigitZero && trail <= kFullDigitZero + 9) {
    return trail - kFullDigitZero;
  }
  return -1;
}

}  // namespace

std::size_t CharLength(std::string_view text, std::size_t index) {
  if (index + 1 >= text.size() || !IsLeadByte(static_cast<unsigned char>(text[index]))) return 1;
  return IsTrailByte(static_cast<unsigned char>(text[index + 1])) ? 2 : 1;
}

bool IsFourByteSequence(std::string_view text, std::size_t index) {
  if (index + 3 >= text.size()) return false;
  auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[index + k]); };
  auto digit = [](unsigned char b) { return b >= '0' && b <= '9'; };
  return IsLeadByte(byte(0)) && digit(byte(1)) && IsLeadByte(byte(2)) && digit(byte(3));
}

Text AsciiLower(std::string_view text) {
  Text result(text);
  for (char& c : result) c = FoldChar(c);
  return result;
}

Text AsciiUpper(std::string_view text) {
  Text result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

int TextFind(std::string_view text, std::string_view needle, int start, bool ignore_case) {
  if (needle.empty() || start < 1 || static_cast<std::size_t>(start) > text.size()) return -1;
  for (std::size_t i = static_cast<std::size_t>(start) - 1; i < text.size(); i += CharLength(text, i)) {
    if (SameBytes(text, i, needle, ignore_case)) return static_cast<int>(i) + 1;
  }
  return -1;
}

bool TextContains(std::string_view text, std::string_view needle, bool ignore_case) {
  return TextFind(text, needle, 1, ignore_case) != -1;
}

Text TrimSpaces(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t len = CharLength(text, begin);
    if (!IsSpaceChar(text, begin, len)) break;
    begin += len;
  }
  // Walk forward from `begin` so that trailing full-width spaces are only
  // recognised on character boundaries.
  std::size_t end = begin;
  for (std::size_t i = begin; i < text.size();) {
    std::size_t len = CharLength(text, i);
    if (!IsSpaceChar(text, i, len)) end = i + len;
    i += len;
  }
  return Text(text.substr(begin, end - begin));
}

namespace {

Text RemoveSpacesOnce(std::string_view text) {
  Text result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    std::size_t len = CharLength(text, i);
    if (!IsSpaceChar(text, i, len)) result.append(text.substr(i, len));
    i += len;
  }
  return result;
}

}  // namespace

Text RemoveSpaces(std::string_view text) {
  // Taking out a space can join two stray A1 bytes into a full-width space
  // ("\xA1 \xA1"); remove again until no space is left.
  Text result = RemoveSpacesOnce(text);
  for (Text again = RemoveSpacesOnce(result); again.size() != result.size();
       again = RemoveSpacesOnce(result)) {
    result = std::move(again);
  }
  return result;
}

Text TextLeft(std::string_view text, int count) {
  if (count <= 0) return Text();
  return Text(text.substr(0, static_cast<std::size_t>(count)));
}

Text TextRight(std::string_view text, int count) {
  if (count <= 0) return Text();
  auto n = static_cast<std::size_t>(count);
  if (n >= text.size()) return Text(text);
  return Text(text.substr(text.size() - n));
}

Text TextMid(std::string_view text, int start, int count) {
  if (start < 1 || static_cast<std::size_t>(start) > text.size()) return Text();
  std::string_view rest = text.substr(static_cast<std::size_t>(start) - 1);
  if (count < 0) return Text(rest);
  return Text(rest.substr(0, static_cast<std::size_t>(count)));
}

std::int64_t TextToInteger(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate as a negative number so that the 64-bit minimum is reachable.
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  std::int64_t value = 0;
  bool saturated = false;
  while (i < text.size()) {
    std::size_t len = 0;
    int digit = DigitAt(text, i, &len);
    if (digit < 0) break;
    if (value < (kMin + digit) / 10) {
      saturated = true;
    } else {
      value = value * 10 - digit;
    }
    i += len;
  }
  if (saturated) return negative ? kMin : std::numeric_limits<std::int64_t>::max();
  if (negative) return value;
  return value == kMin ? std::numeric_limits<std::int64_t>::max() : -value;
}

}  // namespace weibo
