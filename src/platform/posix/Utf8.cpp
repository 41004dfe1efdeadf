#include "platform/posix/Utf8.h"

namespace platform::posix {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The length of the well-formed sequence at text[i] and its code point; 0 when there is none.
std::size_t decodeOne(std::string_view text, std::size_t i, char32_t& c)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    std::size_t length;
    if (lead < 0x80) {
        c = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        c = lead & 0x1F;
        length = 2;
    } else if ((lead & 0xF0) == 0xE0) {
        c = lead & 0x0F;
        length = 3;
    } else if ((lead & 0xF8) == 0xF0) {
        c = lead & 0x07;
        length = 4;
    } else {
        return 0;
    }
    if (text.size() - i < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kMinimum[length] || c > 0x10FFFF || isSurrogate(c))
        return 0;
    return length;
}

void appendUtf16(std::u16string& out, char32_t c)
{
    if (c >= 0x10000) {
        c -= 0x10000;
        out.push_back(char16_t(0xD800 + (c >> 10)));
        out.push_back(char16_t(0xDC00 + (c & 0x3FF)));
    } else {
        out.push_back(char16_t(c));
    }
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out.push_back(char(c));
    } else if (c < 0x800) {
        out.push_back(char(0xC0 | (c >> 6)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(char(0xE0 | (c >> 12)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (c >> 18)));
        out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(char(0x80 | (c & 0x3F)));
    }
}

// Visits each code point; a lone surrogate comes out as itself.
template <class Visit>
void forEachCodePoint(std::u16string_view text, Visit&& visit)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (isHighSurrogate(c) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        }
        visit(c);
    }
}

} // namespace

bool fromUtf8(std::string_view utf8, std::u16string& out)
{
    out.clear();
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c = 0;
        const std::size_t length = decodeOne(utf8, i, c);
        if (length == 0)
            return false;
        appendUtf16(out, c);
        i += length;
    }
    return true;
}

std::u16string fromUtf8Lossless(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t c = 0;
        if (const std::size_t length = decodeOne(utf8, i, c)) {
            appendUtf16(out, c);
            i += length;
        } else {
            out.push_back(char16_t(kEscapeBase + static_cast<unsigned char>(utf8[i])));
            ++i;
        }
    }
    return out;
}

std::string toUtf8Lossless(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    forEachCodePoint(utf16, [&](char32_t c) {
        if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF)
            out.push_back(char(c - kEscapeBase));
        else
            appendUtf8(out, isSurrogate(c) ? 0xFFFD : c);
    });
    return out;
}

std::string toUtf8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    forEachCodePoint(utf16, [&](char32_t c) { appendUtf8(out, isSurrogate(c) ? 0xFFFD : c); });
    return out;
}

} // namespace platform::posix
