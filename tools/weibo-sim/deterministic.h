// Deterministic numbers for the simulated service: every "random" choice
// (identifiers, tokens, picture variants, fault decisions) comes from these
// pure functions of a seed and a name, so two runs with the same options
// produce the same bytes. Safe to call from any thread.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/text_rules.h"

namespace weibo::sim {

// A well-mixed 64-bit value of `value` (SplitMix64 finaliser).
std::uint64_t Mix(std::uint64_t value);
// Mix of several values in order.
std::uint64_t Mix(std::uint64_t a, std::uint64_t b);
std::uint64_t Mix(std::uint64_t a, std::uint64_t b, std::uint64_t c);
// A 64-bit hash of the bytes of `text` (FNV-1a, then mixed).
std::uint64_t HashText(std::string_view text);
// A value in [0, 1) taken from the top 53 bits of `value`.
double UnitInterval(std::uint64_t value);
// `length` lower-case hexadecimal digits drawn from `value` and its successors.
Text HexDigits(std::uint64_t value, int length);
// `length` characters from [0-9a-zA-Z] drawn from `value` and its successors.
Text Base62Digits(std::uint64_t value, int length);

}  // namespace weibo::sim
