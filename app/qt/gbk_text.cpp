#include "app/qt/gbk_text.h"

#include <unicode/ucnv.h>
#include <unicode/unorm2.h>

#include <memory>
#include <vector>

namespace weibo {
namespace {

constexpr char kConverterName[] = "windows-936-2000";

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterHolder = std::unique_ptr<UConverter, ConverterCloser>;

ConverterHolder OpenConverter() {
  UErrorCode status = U_ZERO_ERROR;
  ConverterHolder converter(ucnv_open(kConverterName, &status));
  if (U_FAILURE(status)) return nullptr;
  return converter;
}

QString Normalized(const QString& text) {
  UErrorCode status = U_ZERO_ERROR;
  const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
  if (U_FAILURE(status)) return text;
  const auto* source = reinterpret_cast<const UChar*>(text.utf16());
  std::vector<UChar> out(static_cast<std::size_t>(text.size()) * 3 + 1);
  const int32_t length = unorm2_normalize(nfc, source, static_cast<int32_t>(text.size()),
                                          out.data(), static_cast<int32_t>(out.size()), &status);
  if (U_FAILURE(status)) return text;
  return QString(reinterpret_cast<const QChar*>(out.data()), length);
}

}  // namespace

QString GbkToQString(const Text& text) {
  if (text.empty()) return QString();
  ConverterHolder converter = OpenConverter();
  if (converter == nullptr)
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  UErrorCode status = U_ZERO_ERROR;
  // Each byte gives at most one UTF-16 unit.
  std::vector<UChar> units(text.size() + 1);
  const int32_t length =
      ucnv_toUChars(converter.get(), units.data(), static_cast<int32_t>(units.size()), text.data(),
                    static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status)) return QString();
  return QString(reinterpret_cast<const QChar*>(units.data()), length);
}

Text QStringToGbk(const QString& text) {
  if (text.isEmpty()) return Text();
  ConverterHolder converter = OpenConverter();
  if (converter == nullptr) return text.toLatin1().toStdString();
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setSubstChars(converter.get(), "?", 1, &status);
  const QString composed = Normalized(text);
  // A UTF-16 unit gives at most two bytes; a surrogate pair at most four.
  std::string bytes(static_cast<std::size_t>(composed.size()) * 2 + 2, '\0');
  const int32_t length =
      ucnv_fromUChars(converter.get(), bytes.data(), static_cast<int32_t>(bytes.size()),
                      reinterpret_cast<const UChar*>(composed.utf16()),
                      static_cast<int32_t>(composed.size()), &status);
  if (U_FAILURE(status)) return Text();
  bytes.resize(static_cast<std::size_t>(length));
  return bytes;
}

}  // namespace weibo
