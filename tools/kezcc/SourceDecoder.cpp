#include "SourceDecoder.h"
#include "CodePages.h"

namespace kezcc {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isDropped(char32_t aCharacter)
{
    return (aCharacter < 0x20 && aCharacter != u'\t' && aCharacter != u'\n' && aCharacter != u'\r') ||
           (aCharacter >= 0x7F && aCharacter <= 0x9F);
}

} // namespace

SourceDecoder::SourceDecoder(TextEncoding aEncoding) : mEncoding(aEncoding)
{
    if (aEncoding == TextEncoding::Windows1251 || aEncoding == TextEncoding::Dos866) {
        const auto& upper = upperHalf(aEncoding == TextEncoding::Dos866 ? CodePage::Dos866 : CodePage::Windows1251);
        for (int byte = 0; byte < 0x80; ++byte)
            mSingleByte[byte] = char32_t(byte);
        for (int i = 0; i < 128; ++i)
            mSingleByte[0x80 + i] = upper[i];
        // Dropped characters read as NUL, which is dropped too: one test in the loop.
        for (char32_t& character : mSingleByte) {
            if (character != u'\t' && character != u'\n' && character != u'\r' && isDropped(character))
                character = 0;
        }
    }
}

// Line ends become '\n' (a CR LF pair one '\n'); dropped characters vanish here. Returns the
// new end of the text.
inline char32_t* SourceDecoder::put(char32_t aCharacter, char32_t* aOut)
{
    if (aCharacter > u'\r' && !isDropped(aCharacter) && !mAtStart) {
        mAfterCarriageReturn = false;
        *aOut++ = aCharacter;
        return aOut;
    }
    if (mAtStart) {
        mAtStart = false;
        if (aCharacter == 0xFEFF)
            return aOut;
    }
    if (aCharacter == u'\n' && mAfterCarriageReturn) {
        mAfterCarriageReturn = false;
        return aOut;
    }
    mAfterCarriageReturn = aCharacter == u'\r';
    if (mAfterCarriageReturn)
        *aOut++ = u'\n';
    else if (!isDropped(aCharacter))
        *aOut++ = aCharacter;
    return aOut;
}

std::size_t SourceDecoder::decode(const char* aBytes, std::size_t aSize, char32_t* aText)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(aBytes);
    switch (mEncoding) {
    case TextEncoding::Utf8:
        return std::size_t(decodeUtf8(bytes, aSize, aText) - aText);
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return std::size_t(decodeUtf16(bytes, aSize, aText) - aText);
    case TextEncoding::Windows1251:
    case TextEncoding::Dos866:
        break;
    }
    char32_t* out = aText;
    std::size_t i = 0;
    if (mAtStart && aSize > 0)
        out = put(mSingleByte[bytes[i++]], out);
    for (; i < aSize; ++i) {
        const char32_t character = mSingleByte[bytes[i]];
        if (character > u'\r') {
            mAfterCarriageReturn = false;
            *out++ = character;
        } else {
            out = put(character, out);
        }
    }
    return std::size_t(out - aText);
}

char32_t* SourceDecoder::decodeUtf8(const std::uint8_t* aBytes, std::size_t aSize, char32_t* aText)
{
    char32_t* out = aText;
    for (std::size_t i = 0; i < aSize; ++i) {
        const std::uint8_t byte = aBytes[i];
        // The common cases first: ASCII, and a whole two-byte sequence (Cyrillic, Greek).
        if (mPending == 0 && !mAtStart) {
            if (byte < 0x7F && byte >= 0x20) {
                mAfterCarriageReturn = false;
                *out++ = byte;
                continue;
            }
            if (byte >= 0xC2 && byte <= 0xDF && i + 1 < aSize && (aBytes[i + 1] & 0xC0) == 0x80) {
                const char32_t character = (char32_t(byte & 0x1F) << 6) | (aBytes[i + 1] & 0x3F);
                ++i;
                if (character >= 0xA0) {
                    mAfterCarriageReturn = false;
                    *out++ = character;
                } else {
                    out = put(character, out);
                }
                continue;
            }
            // A whole three-byte sequence: Church Slavonic marks and letters, punctuation.
            if (byte >= 0xE0 && byte <= 0xEF && i + 2 < aSize && (aBytes[i + 1] & 0xC0) == 0x80 &&
                (aBytes[i + 2] & 0xC0) == 0x80) {
                const char32_t character =
                    (char32_t(byte & 0x0F) << 12) | (char32_t(aBytes[i + 1] & 0x3F) << 6) | (aBytes[i + 2] & 0x3F);
                // Not overlong, not a surrogate half: otherwise the careful path below.
                if (character >= 0x800 && (character < 0xD800 || character > 0xDFFF)) {
                    i += 2;
                    mAfterCarriageReturn = false;
                    *out++ = character;
                    continue;
                }
            }
        }
        if (mPending > 0) {
            if (byte >= mLow && byte <= mHigh) {
                mCodePoint = (mCodePoint << 6) | (byte & 0x3F);
                mLow = 0x80;
                mHigh = 0xBF;
                if (--mPending == 0)
                    out = put(mCodePoint, out);
                continue;
            }
            // The sequence broke off: what came of it is one replacement; this byte starts anew.
            ++mUndecodable;
            out = put(kReplacement, out);
            mPending = 0;
            mLow = 0x80;
            mHigh = 0xBF;
        }
        if (byte < 0x80) {
            out = put(byte, out);
        } else if (byte >= 0xC2 && byte <= 0xDF) {
            mCodePoint = byte & 0x1F;
            mPending = 1;
        } else if (byte >= 0xE0 && byte <= 0xEF) {
            mCodePoint = byte & 0x0F;
            mPending = 2;
            if (byte == 0xE0)
                mLow = 0xA0;
            else if (byte == 0xED)
                mHigh = 0x9F;
        } else if (byte >= 0xF0 && byte <= 0xF4) {
            mCodePoint = byte & 0x07;
            mPending = 3;
            if (byte == 0xF0)
                mLow = 0x90;
            else if (byte == 0xF4)
                mHigh = 0x8F;
        } else {
            ++mUndecodable;
            out = put(kReplacement, out);
        }
    }
    return out;
}

char32_t* SourceDecoder::decodeUtf16(const std::uint8_t* aBytes, std::size_t aSize, char32_t* aText)
{
    char32_t* out = aText;
    const bool littleEndian = mEncoding == TextEncoding::Utf16LE;
    for (std::size_t i = 0; i < aSize; ++i) {
        if (mOddByte < 0) {
            mOddByte = aBytes[i];
            continue;
        }
        const char16_t unit = littleEndian ? char16_t(mOddByte | (aBytes[i] << 8)) : char16_t((mOddByte << 8) | aBytes[i]);
        mOddByte = -1;
        if (mHighSurrogate != 0) {
            if (unit >= 0xDC00 && unit <= 0xDFFF) {
                out = put(0x10000 + ((char32_t(mHighSurrogate) - 0xD800) << 10) + (unit - 0xDC00), out);
                mHighSurrogate = 0;
                continue;
            }
            ++mUndecodable;
            out = put(kReplacement, out);
            mHighSurrogate = 0;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            mHighSurrogate = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            ++mUndecodable;
            out = put(kReplacement, out);
        } else {
            out = put(unit, out);
        }
    }
    return out;
}

std::size_t SourceDecoder::finish(char32_t* aText)
{
    char32_t* out = aText;
    if (mPending > 0 || mOddByte >= 0 || mHighSurrogate != 0) {
        ++mUndecodable;
        out = put(kReplacement, out);
    }
    mPending = 0;
    mOddByte = -1;
    mHighSurrogate = 0;
    return std::size_t(out - aText);
}

} // namespace kezcc
