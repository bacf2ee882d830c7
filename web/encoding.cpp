#include "web/encoding.h"

#include <string>

#include "support/icu_codepage.h"

namespace weibo {

ByteArray Utf8ToUtf16(const ByteArray& utf8) {
  std::u16string units = DecodeUtf8(utf8);
  ByteArray bytes;
  bytes.reserve(units.size() * 2);
  for (char16_t unit : units) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

Text Utf16ToGbk(const ByteArray& utf16) {
  std::u16string units;
  units.reserve(utf16.size() / 2);
  for (std::size_t at = 0; at + 1 < utf16.size(); at += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(utf16[at]) |
                                          (static_cast<unsigned char>(utf16[at + 1]) << 8)));
  }
  Text text = EncodeCodePage936(units, CodePage936Rules::kReply);
  std::size_t zero = text.find('\0');
  if (zero != Text::npos) text.resize(zero);
  return text;
}

Text Utf8ToGbk(const ByteArray& utf8) { return Utf16ToGbk(Utf8ToUtf16(utf8)); }

}  // namespace weibo
