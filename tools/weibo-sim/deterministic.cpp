#include "tools/weibo-sim/deterministic.h"

namespace weibo::sim {

std::uint64_t Mix(std::uint64_t value) {
  value += 0x9E3779B97F4A7C15ull;
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
  return value ^ (value >> 31);
}

std::uint64_t Mix(std::uint64_t a, std::uint64_t b) { return Mix(Mix(a) ^ b); }

std::uint64_t Mix(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
  return Mix(Mix(a, b) ^ c);
}

std::uint64_t HashText(std::string_view text) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001B3ull;
  }
  return Mix(hash);
}

double UnitInterval(std::uint64_t value) {
  return static_cast<double>(value >> 11) * (1.0 / 9007199254740992.0);
}

namespace {

Text DigitsFrom(std::uint64_t value, int length, std::string_view alphabet) {
  Text out;
  std::uint64_t state = value;
  while (static_cast<int>(out.size()) < length) {
    state = Mix(state);
    std::uint64_t bits = state;
    for (int i = 0; i < 8 && static_cast<int>(out.size()) < length; ++i) {
      out += alphabet[bits % alphabet.size()];
      bits /= alphabet.size();
    }
  }
  return out;
}

}  // namespace

Text HexDigits(std::uint64_t value, int length) {
  return DigitsFrom(value, length, "0123456789abcdef");
}

Text Base62Digits(std::uint64_t value, int length) {
  return DigitsFrom(value, length,
                    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
}

}  // namespace weibo::sim
