#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// The one UTF-8 sequence reader and writer of the platform layer; the strict conversions of the
// POSIX stores and the lossless file-name codec are both built on it.
namespace platform::utf8 {

inline bool isSurrogate(char32_t aCode) { return aCode >= 0xD800 && aCode <= 0xDFFF; }

// The length of the well-formed sequence at aText[aAt] and its code point in aCode; 0 when none
// starts there (overlong forms, encoded surrogates, code points past U+10FFFF, cut sequences).
inline std::size_t decodeSequence(std::string_view aText, std::size_t aAt, char32_t& aCode)
{
    const unsigned char lead = static_cast<unsigned char>(aText[aAt]);
    std::size_t length;
    if (lead < 0x80) {
        aCode = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        aCode = lead & 0x1F;
        length = 2;
    } else if ((lead & 0xF0) == 0xE0) {
        aCode = lead & 0x0F;
        length = 3;
    } else if ((lead & 0xF8) == 0xF0) {
        aCode = lead & 0x07;
        length = 4;
    } else {
        return 0;
    }
    if (aText.size() - aAt < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(aText[aAt + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        aCode = (aCode << 6) | (next & 0x3F);
    }
    static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (aCode < kMinimum[length] || aCode > 0x10FFFF || isSurrogate(aCode))
        return 0;
    return length;
}

inline void appendUtf16(std::u16string& aOut, char32_t aCode)
{
    if (aCode >= 0x10000) {
        aCode -= 0x10000;
        aOut.push_back(char16_t(0xD800 + (aCode >> 10)));
        aOut.push_back(char16_t(0xDC00 + (aCode & 0x3FF)));
    } else {
        aOut.push_back(char16_t(aCode));
    }
}

// Any code point below U+110000, a lone surrogate included, as its UTF-8 form.
inline void appendUtf8(std::string& aOut, char32_t aCode)
{
    if (aCode < 0x80) {
        aOut.push_back(char(aCode));
    } else if (aCode < 0x800) {
        aOut.push_back(char(0xC0 | (aCode >> 6)));
        aOut.push_back(char(0x80 | (aCode & 0x3F)));
    } else if (aCode < 0x10000) {
        aOut.push_back(char(0xE0 | (aCode >> 12)));
        aOut.push_back(char(0x80 | ((aCode >> 6) & 0x3F)));
        aOut.push_back(char(0x80 | (aCode & 0x3F)));
    } else {
        aOut.push_back(char(0xF0 | (aCode >> 18)));
        aOut.push_back(char(0x80 | ((aCode >> 12) & 0x3F)));
        aOut.push_back(char(0x80 | ((aCode >> 6) & 0x3F)));
        aOut.push_back(char(0x80 | (aCode & 0x3F)));
    }
}

// Visits each code point of UTF-16 text; a lone surrogate comes out as itself.
template <class Visit>
void forEachCodePoint(std::u16string_view aText, Visit&& aVisit)
{
    for (std::size_t i = 0; i < aText.size(); ++i) {
        char32_t code = aText[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < aText.size() && aText[i + 1] >= 0xDC00
            && aText[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (char32_t(aText[i + 1]) - 0xDC00);
            ++i;
        }
        aVisit(code);
    }
}

} // namespace platform::utf8
