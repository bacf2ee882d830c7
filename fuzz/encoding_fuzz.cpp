// Reply texts: whatever bytes arrive, the code page 936 text holds no zero
// byte, and no printable character turns into a control byte.
#include "fuzz/fuzz_check.h"
#include "web/encoding.h"

namespace {

// C0 and C1 controls and DEL.
bool IsControl(char16_t unit) { return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F); }

// A one-byte control character of the code page (0x80 is the euro sign).
bool HasControlByte(const weibo::Text& text) {
  for (std::string_view c : weibo::fuzz::Characters(text)) {
    const auto byte = static_cast<unsigned char>(c[0]);
    if (c.size() == 1 && (byte < 0x20 || byte == 0x7F)) return true;
  }
  return false;
}

bool HasControlUnit(const weibo::ByteArray& utf16) {
  for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(utf16[i]) |
                                            static_cast<unsigned char>(utf16[i + 1]) << 8);
    if (IsControl(unit)) return true;
  }
  return false;
}

void Check(const weibo::ByteArray& utf16, const weibo::Text& text) {
  FUZZ_CHECK(text.find('\0') == weibo::Text::npos);
  if (!HasControlUnit(utf16)) FUZZ_CHECK(!HasControlByte(text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const weibo::ByteArray bytes(reinterpret_cast<const char*>(data), size);
  // The bytes as UTF-8 ...
  const weibo::ByteArray utf16 = weibo::Utf8ToUtf16(bytes);
  FUZZ_CHECK(utf16.size() % 2 == 0);
  const weibo::Text text = weibo::Utf8ToGbk(bytes);
  FUZZ_CHECK(text == weibo::Utf16ToGbk(utf16));
  Check(utf16, text);
  // ... and as UTF-16 units.
  Check(bytes, weibo::Utf16ToGbk(bytes));
  return 0;
}
