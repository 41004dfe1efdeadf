#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Value data as the wide registry API exchanges it.
namespace testsupport {

using Bytes = std::vector<std::uint8_t>;

inline std::u16string u16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// UTF-16LE with its terminating NUL.
inline Bytes textBytes(const std::u16string& text)
{
    Bytes bytes;
    for (char16_t c : text) {
        bytes.push_back(std::uint8_t(c & 0xFF));
        bytes.push_back(std::uint8_t(c >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

inline Bytes dwordBytes(std::uint32_t n)
{
    return {std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(n >> 16), std::uint8_t(n >> 24)};
}

} // namespace testsupport
