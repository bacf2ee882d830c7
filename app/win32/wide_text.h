// Code page 936 texts to and from the UTF-16 of the Windows wide (W)
// functions. Every text of the tool is code page 936; it becomes UTF-16 only
// where it meets the screen or the shell, so the windows show Chinese
// correctly whatever the system's ANSI code page is. Pure functions,
// thread-safe.
#pragma once

#include <string>
#include <string_view>

#include "support/text_rules.h"

namespace weibo {

// The UTF-16 form of `text`; bytes the code page does not define become
// U+FFFD.
std::wstring Wide(std::string_view text);

// The code page 936 form of what the operator typed or the system named;
// characters the code page lacks become "?".
Text Narrow(std::wstring_view text);

}  // namespace weibo
