#pragma once
#include <string>
#include <string_view>

// The strict UTF-8 <-> UTF-16 conversions of the POSIX backends (file names use the lossless
// codec of FileNameCodec.h instead).
namespace platform::posix {

// Strict: false for anything that is not well-formed UTF-8 (overlong forms, encoded surrogates,
// code points beyond U+10FFFF, cut sequences).
bool fromUtf8(std::string_view utf8, std::u16string& out);

// Lone surrogates become U+FFFD.
std::string toUtf8(std::u16string_view utf16);

} // namespace platform::posix
