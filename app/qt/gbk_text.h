// Code page 936 texts to and from Qt's Unicode strings, where the program's
// texts meet the screen. Wraps ICU's "windows-936-2000" converter (Qt has no
// code page 936 codec of its own). Safe from any thread.
#pragma once

#include <QString>

#include "support/text_rules.h"

namespace weibo {

// A byte sequence the code page does not define becomes U+FFFD.
QString GbkToQString(const Text& text);
// Combining marks are composed first; a character the code page lacks
// becomes "?".
Text QStringToGbk(const QString& text);

}  // namespace weibo
