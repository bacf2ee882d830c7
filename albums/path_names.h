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

// The longest component SafePathComponent returns, in bytes. Each two-byte
// character takes at most three bytes in UTF-8, so a component and the
// temporary name made from it stay under the 255-byte limit of common file
// systems.
inline constexpr std::size_t kMaxComponentBytes = 150;

// `name` as exactly one file or folder name that every common file system
// accepts and that cannot leave its folder:
//  - a character not allowed in Windows file names (< > : " / \ | ? *) and
//    every control character (below 0x20, and 0x7F) becomes "_";
//  - trailing dots and spaces become "_", so "." and ".." cannot result;
//  - a reserved device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, in any
//    letter case, also with an extension) gets "_" after its base name;
//  - an empty name becomes "_"; a name longer than kMaxComponentBytes is cut
//    on a character boundary (a lead byte without its second byte at the
//    very end is dropped first).
// Every other character, Chinese included, stays unchanged.
Text SafePathComponent(std::string_view name);

// `path` with every "\" character (a one-byte character, not the second byte
// of a two-byte one) replaced by `separator`.
Text ReplacePathSeparators(std::string_view path, std::string_view separator);

// `folder` + "\" + `name`.
Text JoinPath(std::string_view folder, std::string_view name);

}  // namespace weibo
