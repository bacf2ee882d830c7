#include "app/win32/wide_text.h"

#include "support/icu_codepage.h"

namespace weibo {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Windows wide character is UTF-16");

std::wstring Wide(std::string_view text) {
  const std::u16string units = CodePage936ToUtf16(text);
  return std::wstring(units.begin(), units.end());
}

Text Narrow(std::wstring_view text) {
  const std::u16string units(text.begin(), text.end());
  return EncodeCodePage936(units, CodePage936Rules::kScreen);
}

}  // namespace weibo
