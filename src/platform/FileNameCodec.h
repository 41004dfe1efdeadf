#pragma once
#include <string>
#include <string_view>

// File names as the POSIX layer hands them up: bytes that are UTF-8 read as UTF-16, and every
// byte that is not part of a valid UTF-8 sequence kept as the lone surrogate U+DC80..U+DCFF
// (0xDC00 + the byte), so a name that is no valid UTF-8 still names the same file when it is
// encoded back. Names never meet the Win32 layer this way: its file names are UTF-16 already.
namespace platform {

std::u16string decodeFileName(std::string_view aBytes);
// The same, appended to aName.
void appendDecodedFileName(std::u16string& aName, std::string_view aBytes);

// The inverse of decodeFileName. A lone surrogate outside U+DC80..U+DCFF (which no decoded name
// holds) is written as the three bytes its code point would take, so nothing is dropped.
std::string encodeFileName(std::u16string_view aName);

} // namespace platform
