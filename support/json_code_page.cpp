#include "support/json_code_page.h"

#include "support/icu_codepage.h"

namespace weibo {
namespace {

constexpr unsigned char kPrivateLead = 0xEE;  // UTF-8 lead of U+E000..U+E0FF

unsigned char ByteAt(std::string_view text, std::size_t index) {
  return static_cast<unsigned char>(text[index]);
}

// The length of the character that starts with the byte (0x80 or more) at
// `index`: 2 for a lead and trail byte, 4 for a GB18030 four-byte sequence,
// 1 for a byte that begins neither (it then travels alone).
std::size_t HighCharLength(std::string_view text, std::size_t index) {
  if (IsFourByteSequence(text, index)) return 4;
  return CharLength(text, index);
}

// Appends byte `b` as the private-use character U+E000 + b in UTF-8.
void AppendPrivate(std::string* out, unsigned char b) {
  out->push_back(static_cast<char>(kPrivateLead));
  out->push_back(static_cast<char>(0x80 | (b >> 6)));
  out->push_back(static_cast<char>(0x80 | (b & 0x3F)));
}

void AppendPrivateBytes(std::string* out, std::string_view bytes) {
  for (char c : bytes) AppendPrivate(out, static_cast<unsigned char>(c));
}

// Appends the character at `index` (a byte of 0x80 or more starts it) and
// returns its length.
std::size_t AppendHighChar(std::string* out, std::string_view text, std::size_t index) {
  std::size_t length = HighCharLength(text, index);
  AppendPrivateBytes(out, text.substr(index, length));
  return length;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The code unit of a \uXXXX escape at `index`, or -1 when none stands there.
int EscapedUnitAt(std::string_view text, std::size_t index) {
  if (index + 6 > text.size() || text[index] != '\\' || text[index + 1] != 'u') return -1;
  int unit = 0;
  for (std::size_t k = index + 2; k < index + 6; ++k) {
    int digit = HexValue(text[k]);
    if (digit < 0) return -1;
    unit = unit * 16 + digit;
  }
  return unit;
}

// Decodes the run of \uXXXX escapes at or above 0x80 that starts at `index`
// into GB18030 bytes (surrogate pairs inside the run combine), appends them
// and returns the length of the run.
std::size_t AppendEscapeRun(std::string* out, std::string_view text, std::size_t index) {
  std::u16string units;
  std::size_t at = index;
  for (int unit = EscapedUnitAt(text, at); unit >= 0x80; unit = EscapedUnitAt(text, at)) {
    units.push_back(static_cast<char16_t>(unit));
    at += 6;
  }
  AppendPrivateBytes(out, EncodeGb18030(units));
  return at - index;
}

// Appends the escape sequence at `index` (a backslash inside a string) and
// returns its length.
std::size_t AppendEscape(std::string* out, std::string_view text, std::size_t index) {
  int unit = EscapedUnitAt(text, index);
  if (unit >= 0x80) return AppendEscapeRun(out, text, index);
  if (unit >= 0) {
    out->append(text.substr(index, 6));
    return 6;
  }
  // Any other escape goes to the parser as written; one that is not JSON
  // (or a backslash before a multi-byte character) makes the parse fail.
  out->push_back('\\');
  if (index + 1 < text.size() && ByteAt(text, index + 1) < 0x80) {
    out->push_back(text[index + 1]);
    return 2;
  }
  return 1;
}

// The length of the UTF-8 sequence whose lead byte is `b`.
std::size_t Utf8Length(unsigned char b) {
  if (b >= 0xF0 && b <= 0xF7) return 4;
  if (b >= 0xE0) return 3;
  if (b >= 0xC0) return 2;
  return 1;
}

}  // namespace

std::string JsonToParserForm(std::string_view json) {
  std::string out;
  out.reserve(json.size() + json.size() / 2);
  char quote = 0;  // the quote that opened the current string, or 0 outside strings
  std::size_t index = 0;
  while (index < json.size()) {
    char c = json[index];
    if (ByteAt(json, index) >= 0x80) {
      index += AppendHighChar(&out, json, index);
    } else if (quote != 0 && c == '\\') {
      index += AppendEscape(&out, json, index);
    } else {
      // Single quotes count too: the parser accepts single-quoted strings.
      if (quote == 0 && (c == '"' || c == '\'')) {
        quote = c;
      } else if (c == quote) {
        quote = 0;
      }
      out.push_back(c);
      ++index;
    }
  }
  return out;
}

std::string KeyToParserForm(std::string_view key) {
  std::string out;
  std::size_t index = 0;
  while (index < key.size()) {
    if (ByteAt(key, index) >= 0x80) {
      index += AppendHighChar(&out, key, index);
    } else {
      out.push_back(key[index++]);
    }
  }
  return out;
}

Text ParserFormToText(std::string_view decoded) {
  Text out;
  out.reserve(decoded.size());
  std::size_t index = 0;
  while (index < decoded.size()) {
    unsigned char b = ByteAt(decoded, index);
    if (b < 0x80) {
      out.push_back(static_cast<char>(b));
      ++index;
    } else if (b == kPrivateLead && index + 2 < decoded.size() && ByteAt(decoded, index + 1) <= 0x83 &&
               ByteAt(decoded, index + 1) >= 0x80 && (ByteAt(decoded, index + 2) & 0xC0) == 0x80) {
      out.push_back(static_cast<char>(((ByteAt(decoded, index + 1) & 0x3F) << 6) |
                                      (ByteAt(decoded, index + 2) & 0x3F)));
      index += 3;
    } else {
      // The parser only hands back what it was given, so nothing else occurs;
      // a stray character would still read as one "?".
      out.push_back('?');
      index += Utf8Length(b);
    }
  }
  return out;
}

}  // namespace weibo
