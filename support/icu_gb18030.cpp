#include "support/icu_gb18030.h"

#include <unicode/ucnv.h>

#include <memory>

namespace weibo {
namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterHolder = std::unique_ptr<UConverter, ConverterCloser>;

// Every UTF-16 unit takes at most four bytes, and ICU counts in int32_t.
constexpr std::size_t kMaxUnits = 0x1FFFFFFF;

}  // namespace

ByteArray EncodeGb18030(std::u16string_view units) {
  if (units.empty() || units.size() > kMaxUnits) return ByteArray();
  UErrorCode status = U_ZERO_ERROR;
  ConverterHolder converter(ucnv_open("gb18030", &status));
  if (U_FAILURE(status)) return ByteArray();
  ucnv_setSubstChars(converter.get(), "?", 1, &status);
  ByteArray bytes(units.size() * 4, '\0');
  int32_t length = ucnv_fromUChars(converter.get(), bytes.data(), static_cast<int32_t>(bytes.size()),
                                   units.data(), static_cast<int32_t>(units.size()), &status);
  if (U_FAILURE(status)) return ByteArray();
  bytes.resize(static_cast<std::size_t>(length));
  return bytes;
}

}  // namespace weibo
