#pragma once
#include "EncodingDetection.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Turns the source's bytes, fed in pieces of any size, into the text the converter works on:
// Unicode code points with every line end as '\n', and without control characters (C0 other than
// tab and line ends, DEL, C1) or a leading byte-order mark. Bytes that are not text in the chosen
// encoding become U+FFFD and are counted.
namespace kezcc {

class SourceDecoder {
public:
    explicit SourceDecoder(TextEncoding aEncoding);

    // Writes the text of these bytes to aText, which has room for aSize + 2 characters, and
    // returns how many it wrote; a sequence cut by the end of the piece waits for the next one.
    std::size_t decode(const char* aBytes, std::size_t aSize, char32_t* aText);
    // The end of the source: a sequence still cut is one undecodable piece (room for 1).
    std::size_t finish(char32_t* aText);

    // The same, appending to a string, for callers without a buffer of their own.
    void decode(const char* aBytes, std::size_t aSize, std::u32string& aText)
    {
        const std::size_t start = aText.size();
        aText.resize(start + aSize + 2);
        aText.resize(start + decode(aBytes, aSize, aText.data() + start));
    }
    void finish(std::u32string& aText)
    {
        const std::size_t start = aText.size();
        aText.resize(start + 1);
        aText.resize(start + finish(aText.data() + start));
    }

    std::int64_t undecodable() const { return mUndecodable; }

private:
    char32_t* put(char32_t aCharacter, char32_t* aOut);
    char32_t* decodeUtf8(const std::uint8_t* aBytes, std::size_t aSize, char32_t* aText);
    char32_t* decodeUtf16(const std::uint8_t* aBytes, std::size_t aSize, char32_t* aText);

    TextEncoding mEncoding;
    std::array<char32_t, 256> mSingleByte{};
    bool mAfterCarriageReturn = false;
    bool mAtStart = true;
    std::int64_t mUndecodable = 0;
    // UTF-8: the sequence in progress.
    char32_t mCodePoint = 0;
    int mPending = 0;
    std::uint8_t mLow = 0x80, mHigh = 0xBF;
    // UTF-16: an odd byte, and a high surrogate waiting for its partner.
    int mOddByte = -1;
    char16_t mHighSurrogate = 0;
};

} // namespace kezcc
