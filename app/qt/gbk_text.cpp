#include "app/qt/gbk_text.h"

#include <string>
#include <string_view>

#include "support/icu_codepage.h"

namespace weibo {

QString GbkToQString(const Text& text) {
  if (text.empty()) return QString();
  const std::u16string units = CodePage936ToUtf16(text);
  return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()));
}

Text QStringToGbk(const QString& text) {
  const std::u16string_view units(reinterpret_cast<const char16_t*>(text.utf16()),
                                  static_cast<std::size_t>(text.size()));
  return EncodeCodePage936(units, CodePage936Rules::kScreen);
}

}  // namespace weibo
