#include "web/icu_codepage.h"

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
// ICU counts in int32_t; code page 936 takes at most two bytes per unit.
constexpr std::size_t kMaxLength = std::numeric_limits<int32_t>::max() / 2;

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterHolder = std::unique_ptr<UConverter, ConverterCloser>;

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

}  // namespace

std::u16string DecodeUtf8(std::string_view utf8) {
  if (utf8.empty() || utf8.size() > kMaxLength) return std::u16string();
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

std::u16string ComposeCombiningMarks(std::u16string_view units) {
  UErrorCode status = U_ZERO_ERROR;
  const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
  if (U_FAILURE(status)) return std::u16string(units);
  std::u16string out;
  out.reserve(units.size());
  std::size_t index = 0;
  while (index < units.size()) {
    bool has_marks = false;
    std::size_t length = CombiningRunLength(units, index, &has_marks);
    std::u16string_view run = units.substr(index, length);
    if (has_marks) {
      icu::UnicodeString composed =
          nfc->normalize(icu::UnicodeString(run.data(), static_cast<int32_t>(run.size())), status);
      if (U_FAILURE(status)) return std::u16string(units);
      out.append(composed.getBuffer(), static_cast<std::size_t>(composed.length()));
    } else {
      out.append(run);
    }
    index += length;
  }
  return out;
}

ByteArray EncodeCodePage936(std::u16string_view units) {
  if (units.empty() || units.size() > kMaxLength) return ByteArray();
  UErrorCode status = U_ZERO_ERROR;
  ConverterHolder converter(ucnv_open(kCodePage936, &status));
  if (U_FAILURE(status)) return ByteArray();
  ucnv_setSubstChars(converter.get(), "?", 1, &status);
  // The converter's fallbacks are the code page's best-fit mappings, which
  // Windows applies by default ("²" becomes "2", "¥" the full-width yen).
  ucnv_setFallback(converter.get(), true);
  ByteArray bytes(units.size() * 2, '\0');
  int32_t length = ucnv_fromUChars(converter.get(), bytes.data(), static_cast<int32_t>(bytes.size()),
                                   units.data(), static_cast<int32_t>(units.size()), &status);
  if (U_FAILURE(status)) return ByteArray();
  bytes.resize(static_cast<std::size_t>(length));
  return bytes;
}

}  // namespace weibo
