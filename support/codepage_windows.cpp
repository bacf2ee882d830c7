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

// GB18030 where the system lacks code page 54936 (Wine): the two-byte area is
// code page 936 without its best-fit matches, except that the euro sign has
// its own pair; every other BMP character takes a four-byte sequence numbered
// by its rank among the BMP characters outside that area, and characters
// beyond the BMP are numbered from 0x90308130 on.
class Gb18030Fallback {
 public:
  Gb18030Fallback() {
    std::u16string all;
    for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
      if (!IsHighSurrogate(c) && !IsLowSurrogate(c)) all.push_back(static_cast<char16_t>(c));
    }
    // One call per character would take a second; instead convert all at once
    // and compare each with its round trip.
    for (char16_t unit : all) {
      two_byte_[unit] = unit != 0x20AC && In936Fast(unit);
    }
    std::uint32_t rank = 0;
    for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
      rank_[c] = rank;
      if (!IsHighSurrogate(c) && !IsLowSurrogate(c) && !two_byte_[c] && c != 0x20AC) ++rank;
    }
  }

  void Append(char32_t c, ByteArray* out) const {
    if (c < 0x80) {
      out->push_back(static_cast<char>(c));
    } else if (c == 0x20AC) {
      out->append("\xA2\xE3");
    } else if (c <= 0xFFFF && two_byte_[c]) {
      const char16_t unit = static_cast<char16_t>(c);
      out->append(WideTo(kCodePage936, WC_NO_BEST_FIT_CHARS, std::u16string_view(&unit, 1), nullptr));
    } else if (c <= 0xFFFF) {
      AppendFour(0x81308130, rank_[c], out);
    } else {
      AppendFour(0x90308130, c - 0x10000, out);
    }
  }

 private:
  static bool In936Fast(char16_t unit) {
    const wchar_t wide = static_cast<wchar_t>(unit);
    char bytes[4] = {};
    BOOL defaulted = FALSE;
    const int n = WideCharToMultiByte(kCodePage936, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes, 4, "?",
                                      &defaulted);
    return n > 0 && !defaulted;
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

  std::array<bool, 0x10000> two_byte_{};
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

std::u16string DecodeUtf8(std::string_view utf8) { return MultiTo16(kUtf8, utf8); }

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
