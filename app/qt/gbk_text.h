// Code page 936 texts to and from Qt's Unicode strings, where the program's
// texts meet the screen (Qt has no code page 936 codec of its own). Converts
// through support/icu_codepage.h; keeps no state and is safe from any thread.
#pragma once

#include <QString>

#include "support/text_rules.h"

namespace weibo {

// A byte sequence the code page does not define becomes U+FFFD.
QString GbkToQString(const Text& text);
// The text is put in normalization form C first (combining marks are
// composed); a character the code page lacks becomes "?".
Text QStringToGbk(const QString& text);

}  // namespace weibo
