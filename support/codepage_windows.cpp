// The code page conversions of support/icu_codepage.h on the Windows API:
// MultiByteToWideChar and WideCharToMultiByte with code pages 65001 and 936
// (never the system's ANSI code page, so nothing depends on it). The results
// are those of the ICU layer: the rules that Windows does not apply by itself
// (one "?" for a character beyond the BMP, dropped default ignorables, the
// arrows of U+FFE9 to U+FFEE, composition of combining runs) are applied
// here around the calls.
#include <windows.h>

#include <array>
#include <limits>
#include <mutex>
#include <vector>

#include "support/icu_codepage.h"

namespace weibo {
namespace {

constexpr UINT kUtf8 = 65001;
constexpr UINT kCodePage936 = 936;
constexpr UINT kGb18030 = 54936;
constexpr char16_t kQuestion = u'?';
constexpr std::size_t kMaxCount = static_cast<std::size_t>(std::numeric_limits<int>::max());

bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Characters that are invisible by definition (Default_Ignorable_Code_Point).
bool IsDefaultIgnorable(char32_t c) {
  struct Range {
    char32_t first, last;
  };
  static constexpr Range kRanges[] = {
    {0x00AD, 0x00AD}, {0x034F, 0x034F}, {0x061C, 0x061C},   {0x115F, 0x1160},
    {0x17B4, 0x17B5}, {0x180B, 0x180F}, {0x200B, 0x200F},   {0x202A, 0x202E},
    {0x2060, 0x206F}, {0x3164, 0x3164}, {0xFE00, 0xFE0F},   {0xFEFF, 0xFEFF},
    {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
    {0xE0000, 0xE0FFF},
  };
  for (const Range& range : kRanges) {
    if (c >= range.first && c <= range.last) return true;
  }
  return false;
}

// Code page 936 bytes of `units` with `flags`; unmappable characters become
// "?". `*used_default` (when given) tells whether any did.
ByteArray WideTo(UINT code_page, DWORD flags, std::u16string_view units, bool* used_default) {
  if (units.empty() || units.size() > kMaxCount / 4) return ByteArray();
  const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
  const int count = static_cast<int>(units.size());
  BOOL defaulted = FALSE;
  // The default-character arguments must be null for UTF-8 and GB18030.
  const bool may_default = code_page == kCodePage936;
  const int needed = WideCharToMultiByte(code_page, flags, wide, count, nullptr, 0,
                                         may_default ? "?" : nullptr,
                                         may_default ? &defaulted : nullptr);
  if (needed <= 0) return ByteArray();
  ByteArray bytes(static_cast<std::size_t>(needed), '\0');
  const int written = WideCharToMultiByte(code_page, flags, wide, count, bytes.data(), needed,
                                          may_default ? "?" : nullptr,
                                          may_default ? &defaulted : nullptr);
  if (written <= 0) return ByteArray();
  bytes.resize(static_cast<std::size_t>(written));
  if (used_default != nullptr) *used_default = defaulted != FALSE;
  return bytes;
}

std::u16string MultiTo16(UINT code_page, std::string_view bytes) {
  if (bytes.empty() || bytes.size() > kMaxCount) return std::u16string();
  const int count = static_cast<int>(bytes.size());
  const int needed = MultiByteToWideChar(code_page, 0, bytes.data(), count, nullptr, 0);
  if (needed <= 0) return std::u16string();
  std::u16string units(static_cast<std::size_t>(needed), u'\0');
  const int written = MultiByteToWideChar(code_page, 0, bytes.data(), count,
                                          reinterpret_cast<wchar_t*>(units.data()), needed);
  if (written <= 0) return std::u16string();
  units.resize(static_cast<std::size_t>(written));
  return units;
}

// The range the byte after `lead` must fall in (the second byte of a
// sequence); the bytes after it are always 80 to BF.
struct ByteRange {
  unsigned char low, high;
};
ByteRange SecondByteRange(unsigned char lead) {
  if (lead == 0xE0) return {0xA0, 0xBF};
  if (lead == 0xED) return {0x80, 0x9F};
  if (lead == 0xF0) return {0x90, 0xBF};
  if (lead == 0xF4) return {0x80, 0x8F};
  return {0x80, 0xBF};
}

std::size_t SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// How many bytes at `index` form the longest start of a sequence that could
// still be well-formed (at least 1), and whether they complete it.
std::size_t ValidPrefix(std::string_view utf8, std::size_t index, bool* complete) {
  const auto lead = static_cast<unsigned char>(utf8[index]);
  const std::size_t length = SequenceLength(lead);
  *complete = length == 1;
  if (length <= 1) return 1;
  std::size_t taken = 1;
  while (taken < length && index + taken < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[index + taken]);
    const ByteRange range = taken == 1 ? SecondByteRange(lead) : ByteRange{0x80, 0xBF};
    if (b < range.low || b > range.high) break;
    ++taken;
  }
  *complete = taken == length;
  return taken;
}

// The length of the well-formed sequence at `index`, or 0 when none starts there.
std::size_t WellFormedLength(std::string_view utf8, std::size_t index) {
  bool complete = false;
  const std::size_t length = ValidPrefix(utf8, index, &complete);
  return complete ? length : 0;
}

// The length of the maximal ill-formed part at `index` (where no
// well-formed sequence starts).
std::size_t IllFormedLength(std::string_view utf8, std::size_t index) {
  bool complete = false;
  return ValidPrefix(utf8, index, &complete);
}

// True when code page 936 spells `unit` as it is (no best-fit match).
bool In936(char16_t unit) {
  bool defaulted = false;
  const ByteArray bytes =
      WideTo(kCodePage936, WC_NO_BEST_FIT_CHARS, std::u16string_view(&unit, 1), &defaulted);
  return !bytes.empty() && !defaulted;
}

// The canonical composition of `units` (normalization form C), or `units`
// unchanged when the system cannot compose it.
std::u16string ComposedNfc(std::u16string_view units) {
  if (units.empty() || units.size() > kMaxCount / 2) return std::u16string(units);
  const auto* wide = reinterpret_cast<const wchar_t*>(units.data());
  const int count = static_cast<int>(units.size());
  int capacity = NormalizeString(NormalizationC, wide, count, nullptr, 0);
  for (int attempt = 0; attempt < 4 && capacity > 0; ++attempt) {
    std::u16string out(static_cast<std::size_t>(capacity), u'\0');
    const int written =
        NormalizeString(NormalizationC, wide, count, reinterpret_cast<wchar_t*>(out.data()), capacity);
    if (written > 0) {
      out.resize(static_cast<std::size_t>(written));
      return out;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
    capacity = -written;  // the system's next estimate
  }
  return std::u16string(units);
}

// A combining mark: a non-spacing or enclosing mark, which composes with the
// character before it.
bool IsCombiningMark(char16_t unit) {
  if (unit < 0x0300) return false;
  WORD type = 0;
  const wchar_t wide = static_cast<wchar_t>(unit);
  if (!GetStringTypeW(CT_CTYPE3, &wide, 1, &type)) return false;
  return (type & C3_NONSPACING) != 0;
}

// `units` with each base character that is followed by combining marks
// composed with them; the rest stays as it is.
std::u16string ComposeCombiningRuns(std::u16string_view units) {
  std::u16string out;
  out.reserve(units.size());
  std::size_t index = 0;
  while (index < units.size()) {
    std::size_t end = index + 1;
    if (IsHighSurrogate(units[index]) && end < units.size() && IsLowSurrogate(units[end])) ++end;
    const std::size_t base_end = end;
    while (end < units.size() && IsCombiningMark(units[end])) ++end;
    const std::u16string_view run = units.substr(index, end - index);
    out.append(end > base_end ? ComposedNfc(run) : std::u16string(run));
    index = end;
  }
  return out;
}

// What code page 936 cannot take whole, made ready for it: a character beyond
// the BMP (the code page has none) becomes one "?" instead of one per unit,
// and so does a lone surrogate; default ignorables the code page lacks are
// left out; the arrows and shapes U+FFE9 to U+FFEE become "?" rather than
// their best-fit control bytes.
std::u16string PrepareFor936(std::u16string_view units) {
  std::u16string out;
  out.reserve(units.size());
  for (std::size_t index = 0; index < units.size(); ++index) {
    const char16_t unit = units[index];
    if (IsHighSurrogate(unit) && index + 1 < units.size() && IsLowSurrogate(units[index + 1])) {
      const char32_t c = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                         (static_cast<char32_t>(units[index + 1]) - 0xDC00);
      ++index;
      if (!IsDefaultIgnorable(c)) out.push_back(kQuestion);
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      out.push_back(kQuestion);
    } else if (unit >= 0xFFE9 && unit <= 0xFFEE) {
      out.push_back(kQuestion);
    } else if (IsDefaultIgnorable(unit) && !In936(unit)) {
      continue;
    } else {
      out.push_back(unit);
    }
  }
  return out;
}

// GB18030 where the system lacks code page 54936 (Wine). Its two-byte area is
// code page 936 without best-fit matches, except for the pairs below: GB18030
// gives these characters the two bytes that code page 936 spends on
// private-use characters, and the euro sign A2 E3 (code page 936: 0x80).
// Every other BMP character takes a four-byte sequence numbered by its rank
// among the BMP characters outside the two-byte area (U+1E3F keeps its place
// in that order, which U+E7C7 took over), and characters beyond the BMP are
// numbered from 0x90308130 on.
struct TwoBytePair {
  char16_t unit;
  std::uint16_t bytes;
};
constexpr TwoBytePair kGb18030Pairs[] = {
    {0x20AC, 0xA2E3},
    {0x01F9, 0xA8BF}, {0x1E3F, 0xA8BC}, {0x2E81, 0xFE50}, {0x2E84, 0xFE54}, {0x2E88, 0xFE57},
    {0x2E8B, 0xFE58}, {0x2E8C, 0xFE5D}, {0x2E97, 0xFE5E}, {0x2EA7, 0xFE6B}, {0x2EAA, 0xFE6E},
    {0x2EAE, 0xFE71}, {0x2EB3, 0xFE73}, {0x2EB6, 0xFE74}, {0x2EB7, 0xFE75}, {0x2EBB, 0xFE79},
    {0x2ECA, 0xFE84}, {0x2FF0, 0xA98A}, {0x2FF1, 0xA98B}, {0x2FF2, 0xA98C}, {0x2FF3, 0xA98D},
    {0x2FF4, 0xA98E}, {0x2FF5, 0xA98F}, {0x2FF6, 0xA990}, {0x2FF7, 0xA991}, {0x2FF8, 0xA992},
    {0x2FF9, 0xA993}, {0x2FFA, 0xA994}, {0x2FFB, 0xA995}, {0x303E, 0xA989}, {0x3447, 0xFE56},
    {0x3473, 0xFE55}, {0x359E, 0xFE5A}, {0x360E, 0xFE5C}, {0x361A, 0xFE5B}, {0x3918, 0xFE60},
    {0x396E, 0xFE5F}, {0x39CF, 0xFE62}, {0x39D0, 0xFE65}, {0x39DF, 0xFE63}, {0x3A73, 0xFE64},
    {0x3B4E, 0xFE68}, {0x3C6E, 0xFE69}, {0x3CE0, 0xFE6A}, {0x4056, 0xFE6F}, {0x415F, 0xFE70},
    {0x4337, 0xFE72}, {0x43AC, 0xFE78}, {0x43B1, 0xFE77}, {0x43DD, 0xFE7A}, {0x44D6, 0xFE7B},
    {0x464C, 0xFE7D}, {0x4661, 0xFE7C}, {0x4723, 0xFE80}, {0x4729, 0xFE81}, {0x477C, 0xFE82},
    {0x478D, 0xFE83}, {0x4947, 0xFE85}, {0x497A, 0xFE86}, {0x497D, 0xFE87}, {0x4982, 0xFE88},
    {0x4983, 0xFE89}, {0x4985, 0xFE8A}, {0x4986, 0xFE8B}, {0x499B, 0xFE8D}, {0x499F, 0xFE8C},
    {0x49B6, 0xFE8F}, {0x49B7, 0xFE8E}, {0x4C77, 0xFE96}, {0x4C9F, 0xFE93}, {0x4CA0, 0xFE94},
    {0x4CA1, 0xFE95}, {0x4CA2, 0xFE97}, {0x4CA3, 0xFE92}, {0x4D13, 0xFE98}, {0x4D14, 0xFE99},
    {0x4D15, 0xFE9A}, {0x4D16, 0xFE9B}, {0x4D17, 0xFE9C}, {0x4D18, 0xFE9D}, {0x4D19, 0xFE9E},
    {0x4DAE, 0xFE9F},
};

class Gb18030Fallback {
 public:
  Gb18030Fallback() {
    for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
      if (!IsHighSurrogate(c) && !IsLowSurrogate(c)) two_byte_[c] = TwoBytesIn936(static_cast<char16_t>(c));
    }
    // The private-use characters whose bytes the pairs take become four-byte.
    for (const TwoBytePair& pair : kGb18030Pairs) {
      const char bytes[2] = {static_cast<char>(pair.bytes >> 8), static_cast<char>(pair.bytes & 0xFF)};
      const std::u16string decoded = MultiTo16(kCodePage936, std::string_view(bytes, 2));
      if (decoded.size() == 1) two_byte_[decoded[0]] = 0;
    }
    for (const TwoBytePair& pair : kGb18030Pairs) two_byte_[pair.unit] = pair.bytes;
    std::uint32_t rank = 0;
    for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
      if (IsHighSurrogate(c) || IsLowSurrogate(c) || c == 0xE7C7) continue;
      rank_[c] = rank;
      if (two_byte_[c] == 0 || c == 0x1E3F) ++rank;
    }
    rank_[0xE7C7] = rank_[0x1E3F];
  }

  void Append(char32_t c, ByteArray* out) const {
    if (c < 0x80) {
      out->push_back(static_cast<char>(c));
    } else if (c <= 0xFFFF && two_byte_[c] != 0) {
      out->push_back(static_cast<char>(two_byte_[c] >> 8));
      out->push_back(static_cast<char>(two_byte_[c] & 0xFF));
    } else if (c <= 0xFFFF) {
      AppendFour(0x81308130, rank_[c], out);
    } else {
      AppendFour(0x90308130, c - 0x10000, out);
    }
  }

 private:
  // The two bytes code page 936 spells `unit` with, without best-fit
  // matches; 0 when it has no such pair for it.
  static std::uint16_t TwoBytesIn936(char16_t unit) {
    const wchar_t wide = static_cast<wchar_t>(unit);
    char bytes[4] = {};
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(kCodePage936, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, 4, "?",
                                      &defaulted);
    if (n != 2 || defaulted) return 0;
    return static_cast<std::uint16_t>((static_cast<unsigned char>(bytes[0]) << 8) |
                                      static_cast<unsigned char>(bytes[1]));
  }

  // The four-byte sequence `index` places after `first` (bytes 81-FE,
  // 30-39, 81-FE, 30-39 counting as digits of mixed radix).
  static void AppendFour(std::uint32_t first, std::uint32_t index, ByteArray* out) {
    std::uint32_t b4 = (first & 0xFF) - 0x30 + index;
    std::uint32_t b3 = ((first >> 8) & 0xFF) - 0x81 + b4 / 10;
    std::uint32_t b2 = ((first >> 16) & 0xFF) - 0x30 + b3 / 126;
    const std::uint32_t b1 = ((first >> 24) & 0xFF) + b2 / 10;
    out->push_back(static_cast<char>(b1));
    out->push_back(static_cast<char>(0x30 + b2 % 10));
    out->push_back(static_cast<char>(0x81 + b3 % 126));
    out->push_back(static_cast<char>(0x30 + b4 % 10));
  }

  std::array<std::uint16_t, 0x10000> two_byte_{};
  std::array<std::uint32_t, 0x10000> rank_{};
};

ByteArray EncodeGb18030Fallback(std::u16string_view units) {
  static const Gb18030Fallback* table = new Gb18030Fallback();  // built once, never destroyed
  ByteArray out;
  for (std::size_t index = 0; index < units.size(); ++index) {
    const char16_t unit = units[index];
    if (IsHighSurrogate(unit) && index + 1 < units.size() && IsLowSurrogate(units[index + 1])) {
      table->Append(0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                        (static_cast<char32_t>(units[index + 1]) - 0xDC00),
                    &out);
      ++index;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      out.push_back('?');
    } else {
      table->Append(unit, &out);
    }
  }
  return out;
}

}  // namespace

std::u16string DecodeUtf8(std::string_view utf8) {
  // The system decodes the well-formed runs; each maximal ill-formed part
  // becomes one U+FFFD here, as the Unicode standard recommends (not every
  // version of the system counts them so).
  std::u16string units;
  std::size_t run_start = 0;
  std::size_t index = 0;
  while (index < utf8.size()) {
    const std::size_t length = WellFormedLength(utf8, index);
    if (length > 0) {
      index += length;
      continue;
    }
    units += MultiTo16(kUtf8, utf8.substr(run_start, index - run_start));
    units.push_back(u'\uFFFD');
    index += IllFormedLength(utf8, index);
    run_start = index;
  }
  units += MultiTo16(kUtf8, utf8.substr(run_start));
  return units;
}

std::u16string CodePage936ToUtf16(std::string_view text) { return MultiTo16(kCodePage936, text); }

std::string CodePage936ToUtf8(std::string_view text) {
  const std::u16string units = CodePage936ToUtf16(text);
  if (units.empty()) return std::string();
  return WideTo(kUtf8, 0, units, nullptr);
}

ByteArray EncodeCodePage936(std::u16string_view units, CodePage936Rules rules) {
  if (units.empty()) return ByteArray();
  if (rules == CodePage936Rules::kScreen) {
    return WideTo(kCodePage936, WC_NO_BEST_FIT_CHARS, PrepareFor936(ComposedNfc(units)), nullptr);
  }
  return WideTo(kCodePage936, WC_COMPOSITECHECK, PrepareFor936(ComposeCombiningRuns(units)), nullptr);
}

ByteArray EncodeGb18030(std::u16string_view units) {
  if (units.empty()) return ByteArray();
  static const bool system_has_it = IsValidCodePage(kGb18030) != FALSE;
  if (!system_has_it) return EncodeGb18030Fallback(units);
  // The system's GB18030 turns a lone surrogate into "?" too, as one unit.
  return WideTo(kGb18030, 0, units, nullptr);
}

}  // namespace weibo
