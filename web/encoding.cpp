#include "web/encoding.h"

#include <string>
#include <string_view>
#include <unordered_map>

#include "support/icu_codepage.h"

namespace weibo {
namespace {

bool IsControlUnit(char16_t unit) { return unit < 0x20 || unit == 0x7F; }
bool IsControlByte(char byte) { return IsControlUnit(static_cast<unsigned char>(byte)); }

template <typename Sequence, typename Predicate>
std::size_t CountIf(const Sequence& items, Predicate predicate) {
  std::size_t count = 0;
  for (auto item : items) count += predicate(item) ? 1 : 0;
  return count;
}

// The length in units (1 or 2) of the character at `index`.
std::size_t CharacterUnits(std::u16string_view units, std::size_t index) {
  const bool pair = units[index] >= 0xD800 && units[index] <= 0xDBFF && index + 1 < units.size() &&
                    units[index + 1] >= 0xDC00 && units[index + 1] <= 0xDFFF;
  return pair ? 2 : 1;
}

// `units` with "?" in place of each character other than a control character
// that the code page would write as a control byte (a best-fit match such as
// the half-width arrows becoming 1B 18 1A 19). Each distinct character is
// tried once on its own.
std::u16string WithoutControlMatches(std::u16string_view units) {
  std::unordered_map<std::u16string, bool> verdicts;
  std::u16string out;
  out.reserve(units.size());
  for (std::size_t index = 0; index < units.size();) {
    const std::size_t length = CharacterUnits(units, index);
    const std::u16string character(units.substr(index, length));
    index += length;
    if (character[0] < 0x80) {  // ASCII is written as it stands
      out += character;
      continue;
    }
    auto [verdict, fresh] = verdicts.try_emplace(character, false);
    if (fresh) {
      const ByteArray bytes = EncodeCodePage936(character, CodePage936Rules::kReply);
      verdict->second = CountIf(bytes, IsControlByte) > 0;
    }
    out += verdict->second ? std::u16string(u"?") : character;
  }
  return out;
}

// The code page 936 bytes of `units` for a reply. No character other than a
// control character becomes a control byte: such a byte would end up in file
// names and on the screen.
ByteArray EncodeReplyText(std::u16string_view units) {
  ByteArray bytes = EncodeCodePage936(units, CodePage936Rules::kReply);
  // Control characters are the same bytes in the code page, so any surplus
  // control byte came from another character.
  if (CountIf(bytes, IsControlByte) == CountIf(units, IsControlUnit)) return bytes;
  return EncodeCodePage936(WithoutControlMatches(units), CodePage936Rules::kReply);
}

}  // namespace

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
  Text text = EncodeReplyText(units);
  std::size_t zero = text.find('\0');
  if (zero != Text::npos) text.resize(zero);
  return text;
}

Text Utf8ToGbk(const ByteArray& utf8) { return Utf16ToGbk(Utf8ToUtf16(utf8)); }

}  // namespace weibo
