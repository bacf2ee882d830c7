// File and folder names built from the service's texts, and the separator
// of the tool's own paths.
//
// Inside the tool a path is a code page 936 text whose parts are joined by
// "\" (kPathSeparator); only the file-system layer and the shell see native
// paths. Because the second byte of a two-byte character may be 0x5C, every
// routine here walks characters, never single bytes. All routines are pure
// and safe to call from any thread.
#pragma once

#include <string_view>

#include "support/text_rules.h"

namespace weibo {

inline constexpr char kPathSeparator[] = "\\";

// The longest component SafePathComponent returns, counted in the bytes of
// its UTF-8 form: a one-byte ASCII character counts 1 and every other
// character 3, the most a code page 936 character takes in UTF-8 (in UTF-16
// it takes one unit). So a component, and the temporary name made from it
// ("." + name + "." + a number + ".part"), stay within the 255-byte (or
// 255-unit) name limit of common file systems once converted.
inline constexpr std::size_t kMaxComponentBytes = 225;

// `name` as exactly one file or folder name that every common file system
// accepts and that cannot leave its folder:
//  - a character not allowed in Windows file names (< > : " / \ | ? *) and
//    every control character (below 0x20, and 0x7F) becomes "_";
//  - a GB18030 four-byte sequence (a character code page 936 lacks, as a
//    decoded escape gives it) becomes one "_", as the same character does
//    when it arrives unescaped; so does a byte that begins no character
//    (0xFF, or a lead byte without a trail byte), except that such a byte at
//    the very end is dropped (half a character);
//  - trailing dots and spaces become "_", so "." and ".." cannot result;
//  - a reserved device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, in any
//    letter case, also with an extension) gets "_" after its base name;
//  - an empty name becomes "_"; a name longer than kMaxComponentBytes is cut
//    on a character boundary.
// Every other character, Chinese and the euro sign (0x80) included, stays
// unchanged.
Text SafePathComponent(std::string_view name);

// `path` with every "\" character (a one-byte character, not the second byte
// of a two-byte one) replaced by `separator`.
Text ReplacePathSeparators(std::string_view path, std::string_view separator);

// `folder` + "\" + `name`. A lead byte that ends `folder` without its trail
// byte is dropped first: the separator would otherwise become its trail byte
// and vanish into a two-byte character.
Text JoinPath(std::string_view folder, std::string_view name);

}  // namespace weibo
