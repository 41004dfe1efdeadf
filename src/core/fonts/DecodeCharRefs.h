#pragma once
#include <QString>

// The text with every "&#" hexadecimal ";" reference replaced by that UTF-16 code unit
// ("&#473;" is U+0473). A reference without ";" runs to the end of the text; one with more than
// four significant digits gives nothing; reading the digits stops at the first other character.
QString DecodeCharRefs(const QString& aText);
