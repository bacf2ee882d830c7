// What every fuzz target shares: the rule check that stops the run with a
// message, a reader that carves an input into pieces, and the code page 936
// character walk the targets use as their reference.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace weibo::fuzz {

// Stops the run when a rule is broken; libFuzzer keeps the input.
[[noreturn]] inline void Broken(const char* rule, const char* file, int line) {
  std::fprintf(stderr, "\nRULE BROKEN at %s:%d: %s\n", file, line, rule);
  std::abort();
}

#define FUZZ_CHECK(condition)                                             \
  do {                                                                    \
    if (!(condition)) ::weibo::fuzz::Broken(#condition, __FILE__, __LINE__); \
  } while (false)

// Splits a fuzz input into pieces at the byte 0x01, so that one input can
// feed several arguments; missing pieces are empty.
class Pieces {
 public:
  Pieces(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  std::string Next() {
    const std::size_t cut = rest_.find('\x01');
    std::string piece(rest_.substr(0, cut));
    rest_ = cut == std::string_view::npos ? std::string_view() : rest_.substr(cut + 1);
    return piece;
  }
  std::string Rest() {
    std::string rest(rest_);
    rest_ = std::string_view();
    return rest;
  }

 private:
  std::string_view rest_;
};

inline bool IsLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
inline bool IsTrailByte(unsigned char byte) {
  return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFE);
}

// The characters of a code page 936 text as the tool's text rules step
// them: a lead byte (81-FE) followed by a trail byte (40-7E, 80-FE) forms
// one character; every other byte stands alone, 0x80 (the euro sign)
// included.
inline std::vector<std::string_view> Characters(std::string_view text) {
  std::vector<std::string_view> characters;
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool pair = IsLeadByte(byte) && i + 1 < text.size() &&
                      IsTrailByte(static_cast<unsigned char>(text[i + 1]));
    const std::size_t length = pair ? 2 : 1;
    characters.push_back(text.substr(i, length));
    i += length;
  }
  return characters;
}

// True when `needle` occurs in `text` starting on a character boundary.
inline bool ContainsCharacters(std::string_view text, std::string_view needle) {
  if (needle.empty()) return false;
  std::size_t at = 0;
  for (std::string_view character : Characters(text)) {
    if (text.substr(at, needle.size()) == needle) return true;
    at += character.size();
  }
  return false;
}

// True when the text ends in a lead byte standing alone (it would take the
// next byte appended as its second byte).
inline bool EndsInLeadByte(std::string_view text) {
  const std::vector<std::string_view> characters = Characters(text);
  if (characters.empty() || characters.back().size() != 1) return false;
  return IsLeadByte(static_cast<unsigned char>(characters.back()[0]));
}

// `text` without the bytes of 0x81 or more that begin no two-byte
// character: what a conversion from Unicode can produce.
inline std::string ValidCharacters(std::string_view text) {
  std::string valid;
  for (std::string_view character : Characters(text)) {
    if (character.size() == 2 || static_cast<unsigned char>(character[0]) <= 0x80) {
      valid += character;
    }
  }
  return valid;
}

inline std::string AsciiFold(std::string_view text) {
  std::string folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

}  // namespace weibo::fuzz
