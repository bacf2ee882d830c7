#include "albums/icu_code_page_936.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <limits>
#include <memory>

namespace weibo {
namespace {

constexpr const char* kCodePage936 = "windows-936-2000";

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterHolder = std::unique_ptr<UConverter, ConverterCloser>;

}  // namespace

std::string CodePage936ToUtf8(std::string_view text) {
  // ICU counts in int32_t; UTF-8 takes at most three bytes per unit here.
  constexpr std::size_t kMaxLength = std::numeric_limits<int32_t>::max() / 3;
  if (text.empty() || text.size() > kMaxLength) return std::string();
  UErrorCode status = U_ZERO_ERROR;
  ConverterHolder converter(ucnv_open(kCodePage936, &status));
  if (U_FAILURE(status)) return std::string();
  // Never more UTF-16 units than bytes.
  std::u16string units(text.size(), u'\0');
  const int32_t unit_count =
      ucnv_toUChars(converter.get(), units.data(), static_cast<int32_t>(units.size()),
                    text.data(), static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status)) return std::string();
  std::string utf8(static_cast<std::size_t>(unit_count) * 3, '\0');
  int32_t length = 0;
  u_strToUTF8WithSub(utf8.data(), static_cast<int32_t>(utf8.size()), &length, units.data(),
                     unit_count, 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return std::string();
  utf8.resize(static_cast<std::size_t>(length));
  return utf8;
}

}  // namespace weibo
