#pragma once
#include <string>
#include <string_view>

// The one UTF-8 <-> UTF-16 conversion of the POSIX backends.
namespace platform::posix {

// Strict: false for anything that is not well-formed UTF-8 (overlong forms, encoded surrogates,
// code points beyond U+10FFFF, cut sequences).
bool fromUtf8(std::string_view utf8, std::u16string& out);

// Without loss: every byte that is not part of well-formed UTF-8 becomes the lone surrogate
// U+DC80..U+DCFF, which toUtf8Lossless turns back into that byte. Well-formed text never
// yields a lone surrogate, so the two forms cannot be confused.
std::u16string fromUtf8Lossless(std::string_view utf8);
std::string toUtf8Lossless(std::u16string_view utf16);

// Lone surrogates become U+FFFD.
std::string toUtf8(std::u16string_view utf16);

} // namespace platform::posix
