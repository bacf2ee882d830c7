// The code page 936 form of JSON text and the form the JSON parser sees.
//
// The parser reads UTF-8 and decodes \u escapes to UTF-8, while the replies
// this tool reads are code page 936, whose two-byte characters may end in
// 0x5C ("\") or other ASCII bytes. So every byte of a multi-byte character is
// handed to the parser as its own private-use character (U+E000 + byte): the
// parser never sees such a byte as structure or as an escape, and the bytes
// come back unchanged. A \uXXXX escape at or above 0x80 is decoded here, into
// the GB18030 bytes of its character, which then travel the same way; escapes
// below 0x80 and the other JSON escapes are left to the parser. All routines
// are pure and safe to call from any thread.
#pragma once

#include <string>
#include <string_view>

#include "support/text_rules.h"

namespace weibo {

// The parser form of the JSON text `json` (code page 936).
std::string JsonToParserForm(std::string_view json);

// The parser form of a member key given as code page 936 text; it equals the
// parser's decoded form of the same key written in a JSON document.
std::string KeyToParserForm(std::string_view key);

// The code page 936 text of a string value as the parser decoded it.
Text ParserFormToText(std::string_view decoded);

}  // namespace weibo
