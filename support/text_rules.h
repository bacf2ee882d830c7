// The text rules every part of the tool shares.
//
// A Text is a byte string in code page 936 (GBK): a lead byte (0x81 to 0xFE)
// followed by a trail byte (0x40 to 0x7E or 0x80 to 0xFE) forms one two-byte
// character; every other byte, 0x80 (the euro sign) included, is a character
// of its own. Positions and lengths count
// bytes and positions are 1-based; a search that finds nothing yields -1.
// Searches step over two-byte characters, so a match always begins on a
// character boundary. Where case is ignored only ASCII letters are folded.
// Trimming removes ASCII spaces (0x20) and full-width spaces (A1 A1), nothing
// else. All routines are pure and safe to call from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace weibo {

// A text in code page 936. An empty text and an absent text are the same.
using Text = std::string;
// A counted sequence of bytes that may hold zero bytes (bodies, pictures).
using ByteArray = std::string;

// True for a byte that starts a two-byte character when a trail byte follows.
constexpr bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
// True for a byte that can end a two-byte character. It never is a space,
// ";", "=" or a control byte, so those always stand as characters of their own.
constexpr bool IsTrailByte(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE);
}

// The byte length (1 or 2) of the character that starts at 0-based `index`:
// 2 for a lead byte followed by a trail byte, else 1. A lead byte at the very
// end of the text or before a byte that cannot trail it is a one-byte
// character (a stray byte the code page leaves undefined).
std::size_t CharLength(std::string_view text, std::size_t index);

// True when a GB18030 four-byte sequence (lead byte, digit, lead byte, digit)
// starts at 0-based `index`. Such a sequence spells a character that code
// page 936 lacks; to the text rules it is four one-byte characters.
bool IsFourByteSequence(std::string_view text, std::size_t index);

Text AsciiLower(std::string_view text);
Text AsciiUpper(std::string_view text);

// 1-based position of the first occurrence of `needle` that begins on a
// character boundary at or after 1-based `start`, or -1. The scan steps
// characters from `start`, which callers keep on a boundary. An empty needle
// or a start outside the text finds nothing.
int TextFind(std::string_view text, std::string_view needle, int start = 1,
             bool ignore_case = false);

// True when TextFind would find `needle`.
bool TextContains(std::string_view text, std::string_view needle,
                  bool ignore_case = false);

// `text` without leading and trailing ASCII and full-width spaces.
Text TrimSpaces(std::string_view text);

// `text` with every ASCII and full-width space removed, wherever it stands.
Text RemoveSpaces(std::string_view text);

// The first / last `count` bytes; the whole text when it is shorter; empty
// for a count of 0 or less.
Text TextLeft(std::string_view text, int count);
Text TextRight(std::string_view text, int count);
// `count` bytes from 1-based `start` (to the end when count < 0), stopping at
// the end of the text; empty when start lies past the end.
Text TextMid(std::string_view text, int start, int count = -1);

// An optional sign followed by the leading decimal digits, where full-width
// digits (A3 B0 to A3 B9) count as digits; 0 when there are none. Values past
// the 64-bit range saturate.
std::int64_t TextToInteger(std::string_view text);

}  // namespace weibo
