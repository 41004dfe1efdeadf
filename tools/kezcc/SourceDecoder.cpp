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
    }
}

// Line ends become '\n' (a CR LF pair one '\n'); dropped characters vanish here.
inline void SourceDecoder::put(char32_t aCharacter, std::u32string& aText)
{
    if (mAtStart) {
        mAtStart = false;
        if (aCharacter == 0xFEFF)
            return;
    }
    if (aCharacter == u'\n' && mAfterCarriageReturn) {
        mAfterCarriageReturn = false;
        return;
    }
    mAfterCarriageReturn = aCharacter == u'\r';
    if (mAfterCarriageReturn) {
        aText.push_back(u'\n');
        return;
    }
    if (!isDropped(aCharacter))
        aText.push_back(aCharacter);
}

void SourceDecoder::decode(const char* aBytes, std::size_t aSize, std::u32string& aText)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(aBytes);
    switch (mEncoding) {
    case TextEncoding::Utf8:
        decodeUtf8(bytes, aSize, aText);
        return;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        decodeUtf16(bytes, aSize, aText);
        return;
    case TextEncoding::Windows1251:
    case TextEncoding::Dos866:
        break;
    }
    aText.reserve(aText.size() + aSize);
    for (std::size_t i = 0; i < aSize; ++i)
        put(mSingleByte[bytes[i]], aText);
}

void SourceDecoder::decodeUtf8(const std::uint8_t* aBytes, std::size_t aSize, std::u32string& aText)
{
    aText.reserve(aText.size() + aSize);
    for (std::size_t i = 0; i < aSize; ++i) {
        const std::uint8_t byte = aBytes[i];
        if (mPending > 0) {
            if (byte >= mLow && byte <= mHigh) {
                mCodePoint = (mCodePoint << 6) | (byte & 0x3F);
                mLow = 0x80;
                mHigh = 0xBF;
                if (--mPending == 0)
                    put(mCodePoint, aText);
                continue;
            }
            // The sequence broke off: what came of it is one replacement; this byte starts anew.
            ++mUndecodable;
            put(kReplacement, aText);
            mPending = 0;
            mLow = 0x80;
            mHigh = 0xBF;
        }
        if (byte < 0x80) {
            put(byte, aText);
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
            put(kReplacement, aText);
        }
    }
}

void SourceDecoder::decodeUtf16(const std::uint8_t* aBytes, std::size_t aSize, std::u32string& aText)
{
    aText.reserve(aText.size() + aSize / 2 + 1);
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
                put(0x10000 + ((char32_t(mHighSurrogate) - 0xD800) << 10) + (unit - 0xDC00), aText);
                mHighSurrogate = 0;
                continue;
            }
            ++mUndecodable;
            put(kReplacement, aText);
            mHighSurrogate = 0;
        }
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            mHighSurrogate = unit;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            ++mUndecodable;
            put(kReplacement, aText);
        } else {
            put(unit, aText);
        }
    }
}

void SourceDecoder::finish(std::u32string& aText)
{
    if (mPending > 0 || mOddByte >= 0 || mHighSurrogate != 0) {
        ++mUndecodable;
        put(kReplacement, aText);
    }
    mPending = 0;
    mOddByte = -1;
    mHighSurrogate = 0;
}

} // namespace kezcc
