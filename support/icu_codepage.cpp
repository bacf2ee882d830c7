#include "support/icu_codepage.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

#include <limits>
#include <memory>

namespace weibo {
namespace {

constexpr UChar32 kReplacement = 0xFFFD;
constexpr const char* kCodePage936 = "windows-936-2000";
constexpr const char* kGb18030 = "gb18030";
// ICU counts in int32_t.
constexpr std::size_t kMaxCount = std::numeric_limits<int32_t>::max();

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterHolder = std::unique_ptr<UConverter, ConverterCloser>;

// A fresh converter for `name`, or null when ICU has none.
ConverterHolder OpenConverter(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  ConverterHolder converter(ucnv_open(name, &status));
  if (U_FAILURE(status)) return nullptr;
  return converter;
}

// The bytes of `units` in the code page `name`, which takes at most
// `max_bytes_per_unit` bytes for one unit; characters it lacks become "?".
// With `best_fit`, the converter's fallbacks (the code page's best-fit
// mappings, which Windows applies by default) are used first.
ByteArray FromUnicode(const char* name, std::u16string_view units, std::size_t max_bytes_per_unit,
                      bool best_fit) {
  if (units.empty() || units.size() > kMaxCount / max_bytes_per_unit) return ByteArray();
  ConverterHolder converter = OpenConverter(name);
  if (converter == nullptr) return ByteArray();
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setSubstChars(converter.get(), "?", 1, &status);
  if (best_fit) ucnv_setFallback(converter.get(), true);
  ByteArray bytes(units.size() * max_bytes_per_unit, '\0');
  const int32_t length =
      ucnv_fromUChars(converter.get(), bytes.data(), static_cast<int32_t>(bytes.size()),
                      units.data(), static_cast<int32_t>(units.size()), &status);
  if (U_FAILURE(status)) return ByteArray();
  bytes.resize(static_cast<std::size_t>(length));
  return bytes;
}

// The code point at `index` and its length in units.
UChar32 CodePointAt(std::u16string_view units, std::size_t index, std::size_t* length) {
  UChar32 c = 0;
  int32_t next = static_cast<int32_t>(index);
  U16_NEXT(units.data(), next, static_cast<int32_t>(units.size()), c);
  *length = static_cast<std::size_t>(next) - index;
  return c;
}

// The length of the run at `index`: one character and the combining marks
// after it. Sets `has_marks` when there are any.
std::size_t CombiningRunLength(std::u16string_view units, std::size_t index, bool* has_marks) {
  std::size_t length = 0;
  CodePointAt(units, index, &length);
  std::size_t end = index + length;
  *has_marks = false;
  while (end < units.size()) {
    UChar32 c = CodePointAt(units, end, &length);
    if (u_getCombiningClass(c) == 0) break;
    *has_marks = true;
    end += length;
  }
  return end - index;
}

// `units` in normalization form C, or unchanged when ICU cannot normalize.
std::u16string Normalized(const icu::Normalizer2& nfc, std::u16string_view units) {
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString composed =
      nfc.normalize(icu::UnicodeString(units.data(), static_cast<int32_t>(units.size())), status);
  if (U_FAILURE(status)) return std::u16string(units);
  return std::u16string(composed.getBuffer(), static_cast<std::size_t>(composed.length()));
}

// `units` with every base character that is followed by combining marks
// composed with them (NFC over such runs only).
std::u16string ComposeCombiningMarks(const icu::Normalizer2& nfc, std::u16string_view units) {
  std::u16string out;
  out.reserve(units.size());
  std::size_t index = 0;
  while (index < units.size()) {
    bool has_marks = false;
    const std::size_t length = CombiningRunLength(units, index, &has_marks);
    const std::u16string_view run = units.substr(index, length);
    out.append(has_marks ? Normalized(nfc, run) : std::u16string(run));
    index += length;
  }
  return out;
}

// `units` composed as `rules` ask, or unchanged when ICU cannot normalize.
std::u16string Composed(std::u16string_view units, CodePage936Rules rules) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return std::u16string(units);
  if (rules == CodePage936Rules::kScreen) return Normalized(*nfc, units);
  return ComposeCombiningMarks(*nfc, units);
}

}  // namespace

std::u16string DecodeUtf8(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > kMaxCount) return std::u16string();
  // Never more units than bytes.
  std::u16string units(utf8.size(), u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(units.data(), static_cast<int32_t>(units.size()), &length, utf8.data(),
                       static_cast<int32_t>(utf8.size()), kReplacement, nullptr, &status);
  if (U_FAILURE(status)) return std::u16string();
  units.resize(static_cast<std::size_t>(length));
  return units;
}

std::u16string CodePage936ToUtf16(std::string_view text) {
  if (text.empty() || text.size() > kMaxCount) return std::u16string();
  ConverterHolder converter = OpenConverter(kCodePage936);
  if (converter == nullptr) return std::u16string();
  // Never more units than bytes.
  std::u16string units(text.size(), u'\0');
  UErrorCode status = U_ZERO_ERROR;
  const int32_t length =
      ucnv_toUChars(converter.get(), units.data(), static_cast<int32_t>(units.size()), text.data(),
                    static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status)) return std::u16string();
  units.resize(static_cast<std::size_t>(length));
  return units;
}

std::string CodePage936ToUtf8(std::string_view text) {
  // UTF-8 takes at most three bytes for each unit, and a byte gives at most
  // one unit.
  if (text.size() > kMaxCount / 3) return std::string();
  const std::u16string units = CodePage936ToUtf16(text);
  if (units.empty()) return std::string();
  std::string utf8(units.size() * 3, '\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strToUTF8WithSub(utf8.data(), static_cast<int32_t>(utf8.size()), &length, units.data(),
                     static_cast<int32_t>(units.size()), kReplacement, nullptr, &status);
  if (U_FAILURE(status)) return std::string();
  utf8.resize(static_cast<std::size_t>(length));
  return utf8;
}

ByteArray EncodeCodePage936(std::u16string_view units, CodePage936Rules rules) {
  if (units.empty()) return ByteArray();
  // Code page 936 takes at most two bytes for one unit.
  return FromUnicode(kCodePage936, Composed(units, rules), 2, rules == CodePage936Rules::kReply);
}

ByteArray EncodeGb18030(std::u16string_view units) { return FromUnicode(kGb18030, units, 4, false); }

}  // namespace weibo
