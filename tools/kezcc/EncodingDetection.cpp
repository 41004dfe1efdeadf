#include "EncodingDetection.h"
#include "CodePages.h"

#include <cstring>

namespace kezcc {
namespace {

// How often each letter а..я occurs in Russian text, per mille (ё follows separately).
constexpr std::array<int, 32> kRussianLetterWeight = {80, 16, 45, 17, 30, 85, 9,  16, 74, 12, 35, 44, 32, 67, 110, 28,
                                                      47, 55, 63, 26, 3,  10, 5,  14, 7,  4,  1,  19, 17, 3,  6,   20};
constexpr int kYoWeight = 1;
constexpr std::int64_t kValidPerInvalid = 50;

int letterWeight(char16_t aCharacter)
{
    if (aCharacter >= 0x0410 && aCharacter <= 0x042F)
        return kRussianLetterWeight[aCharacter - 0x0410];
    if (aCharacter >= 0x0430 && aCharacter <= 0x044F)
        return kRussianLetterWeight[aCharacter - 0x0430];
    if (aCharacter == 0x0401 || aCharacter == 0x0451)
        return kYoWeight;
    return 0;
}

// Per byte, the weight of the letter it reads as: the right reading pairs frequent bytes with
// frequent letters; a wrong one scatters them over rare letters, punctuation and box drawing.
struct Weights {
    std::array<std::uint8_t, 256> of1251{};
    std::array<std::uint8_t, 256> of866{};
    Weights()
    {
        for (int i = 0; i < 128; ++i) {
            of1251[0x80 + i] = std::uint8_t(letterWeight(upperHalf(CodePage::Windows1251)[i]));
            of866[0x80 + i] = std::uint8_t(letterWeight(upperHalf(CodePage::Dos866)[i]));
        }
    }
};

const Weights& weights()
{
    static const Weights table;
    return table;
}

} // namespace

bool byteOrderMark(const char* aBytes, std::size_t aSize, Detection& aDetection)
{
    const auto* b = reinterpret_cast<const unsigned char*>(aBytes);
    if (aSize >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        aDetection = {TextEncoding::Utf8, 3};
        return true;
    }
    if (aSize >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        aDetection = {TextEncoding::Utf16LE, 2};
        return true;
    }
    if (aSize >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        aDetection = {TextEncoding::Utf16BE, 2};
        return true;
    }
    return false;
}

void EncodingDetector::feed(const char* aBytes, std::size_t aSize)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(aBytes);
    const Weights& table = weights();
    for (std::size_t i = 0; i < aSize && mHeadSize < mHead.size(); ++i)
        mHead[mHeadSize++] = bytes[i];
    std::size_t i = 0;
    while (i < aSize) {
        // Runs of ASCII outside a sequence change nothing: skip them eight bytes at a time.
        if (mPending == 0) {
            while (i + 8 <= aSize) {
                std::uint64_t word;
                std::memcpy(&word, bytes + i, 8);
                if (word & 0x8080808080808080ull)
                    break;
                i += 8;
            }
            while (i < aSize && bytes[i] < 0x80)
                ++i;
            if (i == aSize)
                break;
        }
        const std::uint8_t byte = bytes[i++];
        // A whole two-byte sequence at once: the common case of Cyrillic or Greek in UTF-8.
        if (mPending == 0 && byte >= 0xC2 && byte <= 0xDF && i < aSize && (bytes[i] & 0xC0) == 0x80) {
            mScore1251 += table.of1251[byte] + table.of1251[bytes[i]];
            mScore866 += table.of866[byte] + table.of866[bytes[i]];
            ++mValid;
            ++i;
            continue;
        }
        mScore1251 += table.of1251[byte];
        mScore866 += table.of866[byte];
        feedByte(byte);
    }
}

void EncodingDetector::feedByte(std::uint8_t aByte)
{
    if (mPending > 0) {
        if (aByte >= mLow && aByte <= mHigh) {
            mLow = 0x80;
            mHigh = 0xBF;
            if (--mPending == 0)
                ++mValid;
            return;
        }
        // The sequence broke off: its bytes so far are one invalid piece, this byte starts anew.
        ++mInvalid;
        mPending = 0;
        mLow = 0x80;
        mHigh = 0xBF;
    }
    if (aByte < 0x80)
        return;
    if (aByte >= 0xC2 && aByte <= 0xDF) {
        mPending = 1;
    } else if (aByte >= 0xE0 && aByte <= 0xEF) {
        mPending = 2;
        // No overlong forms, no surrogates.
        if (aByte == 0xE0)
            mLow = 0xA0;
        else if (aByte == 0xED)
            mHigh = 0x9F;
    } else if (aByte >= 0xF0 && aByte <= 0xF4) {
        mPending = 3;
        if (aByte == 0xF0)
            mLow = 0x90;
        else if (aByte == 0xF4)
            mHigh = 0x8F;
    } else {
        ++mInvalid;
    }
}

Detection EncodingDetector::result() const
{
    Detection detection;
    if (byteOrderMark(reinterpret_cast<const char*>(mHead.data()), mHeadSize, detection))
        return detection;
    // A sequence cut off by the end of the text counts as one invalid piece.
    const std::int64_t invalid = mInvalid + (mPending > 0 ? 1 : 0);
    if (invalid == 0 || mValid >= kValidPerInvalid * invalid)
        return {TextEncoding::Utf8, 0};
    return {mScore866 > mScore1251 ? TextEncoding::Dos866 : TextEncoding::Windows1251, 0};
}

Detection detectEncoding(const char* aBytes, std::size_t aSize)
{
    EncodingDetector detector;
    detector.feed(aBytes, aSize);
    return detector.result();
}

} // namespace kezcc
