#include "platform/FileNameCodec.h"

#include <cstdint>

namespace platform {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Length of the valid UTF-8 sequence at aAt, or 0 when the byte there starts none.
// Overlong forms, encoded surrogates and code points past U+10FFFF are not valid.
size_t validSequence(const unsigned char* aAt, size_t aLeft)
{
    const unsigned char c = aAt[0];
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF)
        return aLeft >= 2 && isContinuation(aAt[1]) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (aLeft < 3 || !isContinuation(aAt[1]) || !isContinuation(aAt[2]))
            return 0;
        if (c == 0xE0 && aAt[1] < 0xA0)
            return 0; // overlong
        if (c == 0xED && aAt[1] >= 0xA0)
            return 0; // a surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (aLeft < 4 || !isContinuation(aAt[1]) || !isContinuation(aAt[2]) || !isContinuation(aAt[3]))
            return 0;
        if (c == 0xF0 && aAt[1] < 0x90)
            return 0; // overlong
        if (c == 0xF4 && aAt[1] >= 0x90)
            return 0; // past U+10FFFF
        return 4;
    }
    return 0;
}

void appendUtf8(std::string& aOut, char32_t aCode)
{
    if (aCode < 0x80) {
        aOut += char(aCode);
    } else if (aCode < 0x800) {
        aOut += char(0xC0 | (aCode >> 6));
        aOut += char(0x80 | (aCode & 0x3F));
    } else if (aCode < 0x10000) {
        aOut += char(0xE0 | (aCode >> 12));
        aOut += char(0x80 | ((aCode >> 6) & 0x3F));
        aOut += char(0x80 | (aCode & 0x3F));
    } else {
        aOut += char(0xF0 | (aCode >> 18));
        aOut += char(0x80 | ((aCode >> 12) & 0x3F));
        aOut += char(0x80 | ((aCode >> 6) & 0x3F));
        aOut += char(0x80 | (aCode & 0x3F));
    }
}

} // namespace

std::u16string decodeFileName(std::string_view aBytes)
{
    std::u16string name;
    appendDecodedFileName(name, aBytes);
    return name;
}

void appendDecodedFileName(std::u16string& aName, std::string_view aBytes)
{
    aName.reserve(aName.size() + aBytes.size());
    const auto* at = reinterpret_cast<const unsigned char*>(aBytes.data());
    const auto* const end = at + aBytes.size();
    while (at != end) {
        const size_t length = validSequence(at, size_t(end - at));
        switch (length) {
        case 0:
            aName += char16_t(kEscapeBase + *at);
            ++at;
            continue;
        case 1:
            aName += char16_t(at[0]);
            break;
        case 2:
            aName += char16_t(((at[0] & 0x1F) << 6) | (at[1] & 0x3F));
            break;
        case 3:
            aName += char16_t(((at[0] & 0x0F) << 12) | ((at[1] & 0x3F) << 6) | (at[2] & 0x3F));
            break;
        default: {
            const char32_t code =
                ((at[0] & 0x07) << 18) | ((at[1] & 0x3F) << 12) | ((at[2] & 0x3F) << 6) | (at[3] & 0x3F);
            aName += char16_t(0xD800 + ((code - 0x10000) >> 10));
            aName += char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
        }
        at += length;
    }
}

std::string encodeFileName(std::u16string_view aName)
{
    std::string bytes;
    bytes.reserve(aName.size());
    for (size_t i = 0; i < aName.size(); ++i) {
        const char16_t c = aName[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < aName.size() && aName[i + 1] >= 0xDC00 && aName[i + 1] <= 0xDFFF) {
            appendUtf8(bytes, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(aName[i + 1]) - 0xDC00));
            ++i;
        } else if (c >= 0xDC80 && c <= 0xDCFF) {
            bytes += char(c - kEscapeBase);
        } else {
            appendUtf8(bytes, c);
        }
    }
    return bytes;
}

} // namespace platform
