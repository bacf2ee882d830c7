// Conversions between Unicode and the code pages the tool deals in, wrapping
// ICU: code page 936 as Windows has it (ICU's "windows-936-2000", where 0x80
// is the euro sign), GB18030, UTF-8 and UTF-16. This is the only place that
// talks to ICU.
//
// Every routine opens its own converter for the call and keeps no state, so
// all of them are safe to call from any number of threads at once. Each
// returns an empty result for empty input and when ICU cannot convert (a
// converter that does not open, or an input longer than ICU can count).
#pragma once

#include <string>
#include <string_view>

#include "support/text_rules.h"

namespace weibo {

// The UTF-16 units of the UTF-8 bytes `utf8`. Each malformed sequence (its
// maximal part that could begin a character) becomes one U+FFFD; zero bytes
// are kept.
std::u16string DecodeUtf8(std::string_view utf8);

// The UTF-16 units of the code page 936 text `text`. A byte sequence the code
// page does not define becomes U+FFFD; zero bytes are kept.
std::u16string CodePage936ToUtf16(std::string_view text);

// The UTF-8 form of the code page 936 text `text`, decoded as
// CodePage936ToUtf16 does.
std::string CodePage936ToUtf8(std::string_view text);

// How EncodeCodePage936 treats what the code page cannot spell as it stands.
enum class CodePage936Rules {
  // Texts of replies: a base character followed by combining marks is
  // composed with them where a precomposed character exists (nothing else is
  // normalized; compatibility ideographs stay as they are). A character the
  // code page lacks takes its best-fit match ("²" becomes "2", "¥" the
  // full-width yen), or "?" when there is none.
  kReply,
  // Texts typed on the screen: the whole text is put in normalization form C
  // first, and a character the code page lacks becomes "?" (no best-fit
  // match, so a round trip shows whether a text survives the code page).
  kScreen,
};

// The code page 936 bytes of the UTF-16 units `units` under `rules`. A lone
// surrogate becomes "?"; zero units are kept. Characters that are invisible
// by definition (default ignorables such as U+200B or U+FEFF) that the code
// page lacks are left out, so a text of only those gives an empty result.
ByteArray EncodeCodePage936(std::u16string_view units, CodePage936Rules rules);

// The GB18030 (code page 54936) bytes of the UTF-16 units `units`; a
// surrogate pair gives the four bytes of its character. A lone surrogate
// becomes "?".
ByteArray EncodeGb18030(std::u16string_view units);

}  // namespace weibo
