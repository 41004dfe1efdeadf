#include "EncodingDetection.h"
#include "CodePages.h"

#include <algorithm>
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

namespace {

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF) as a table: byte
// classes, and per state and class the next state with what the step counted.
enum ByteClass : std::uint8_t {
    Ascii,
    Cont80, // 80-8F
    Cont90, // 90-9F
    ContA0, // A0-BF
    Never,  // C0, C1, F5-FF
    Lead2,  // C2-DF
    LeadE0,
    Lead3,  // E1-EC, EE, EF
    LeadED,
    LeadF0,
    Lead4,  // F1-F3
    LeadF4,
    kClassCount
};

enum State : std::uint8_t { Ready, Need1, Need2, Need2E0, Need2ED, Need3, Need3F0, Need3F4, kStateCount };

// An entry: the next state in the low four bits, a valid sequence completed in bit 4, invalid
// pieces (0 to 2: a sequence broken off, and the byte itself) from bit 5.
constexpr std::uint8_t entry(int aState, int aValid, int aInvalid)
{
    return std::uint8_t(aState | (aValid << 4) | (aInvalid << 5));
}

struct Utf8Machine {
    std::array<std::uint8_t, 256> classOf{};
    std::array<std::uint8_t, std::size_t(kStateCount) * kClassCount> step{};
    Utf8Machine()
    {
        for (int byte = 0; byte < 256; ++byte) {
            classOf[byte] = byte < 0x80    ? Ascii
                            : byte < 0x90  ? Cont80
                            : byte < 0xA0  ? Cont90
                            : byte < 0xC0  ? ContA0
                            : byte < 0xC2  ? Never
                            : byte < 0xE0  ? Lead2
                            : byte == 0xE0 ? LeadE0
                            : byte == 0xED ? LeadED
                            : byte < 0xF0  ? Lead3
                            : byte == 0xF0 ? LeadF0
                            : byte < 0xF4  ? Lead4
                            : byte == 0xF4 ? LeadF4
                                           : Never;
        }
        // From Ready: where each class leads.
        std::array<std::uint8_t, kClassCount> fromReady{};
        fromReady[Ascii] = entry(Ready, 0, 0);
        fromReady[Cont80] = fromReady[Cont90] = fromReady[ContA0] = fromReady[Never] = entry(Ready, 0, 1);
        fromReady[Lead2] = entry(Need1, 0, 0);
        fromReady[LeadE0] = entry(Need2E0, 0, 0);
        fromReady[Lead3] = entry(Need2, 0, 0);
        fromReady[LeadED] = entry(Need2ED, 0, 0);
        fromReady[LeadF0] = entry(Need3F0, 0, 0);
        fromReady[Lead4] = entry(Need3, 0, 0);
        fromReady[LeadF4] = entry(Need3F4, 0, 0);
        // Which continuations each waiting state accepts, and where they lead.
        const auto accepts = [](int aState, int aClass) {
            switch (aState) {
            case Need2E0:
            case Need3F0:
                return aClass == (aState == Need2E0 ? ContA0 : Cont90) || aClass == ContA0;
            case Need2ED: return aClass == Cont80 || aClass == Cont90;
            case Need3F4: return aClass == Cont80;
            default: return aClass == Cont80 || aClass == Cont90 || aClass == ContA0;
            }
        };
        const auto after = [](int aState) {
            return aState == Need1 ? Ready : aState <= Need2ED ? Need1 : Need2;
        };
        for (int state = 0; state < kStateCount; ++state) {
            for (int cls = 0; cls < kClassCount; ++cls) {
                std::uint8_t& e = step[std::size_t(state * kClassCount + cls)];
                if (state == Ready)
                    e = fromReady[std::size_t(cls)];
                else if (accepts(state, cls))
                    e = entry(after(state), after(state) == Ready ? 1 : 0, 0);
                else // the sequence broke off: one invalid piece, and this byte starts anew
                    e = std::uint8_t(fromReady[std::size_t(cls)] + (1 << 5));
            }
        }
    }
};

const Utf8Machine kUtf8;

} // namespace

void EncodingDetector::feed(const char* aBytes, std::size_t aSize)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(aBytes);
    for (std::size_t i = 0; i < aSize && mHeadSize < mHead.size(); ++i)
        mHead[mHeadSize++] = bytes[i];
    if (mCountOnly) {
        count(bytes, aSize);
        return;
    }
    mFed += std::int64_t(aSize);
    std::uint8_t state = mState;
    std::int64_t valid = mValid, invalid = mInvalid;
    std::size_t i = 0;
    while (i < aSize) {
        // Runs of ASCII between characters change nothing: skip them eight bytes at a time.
        if (state == Ready) {
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
        // Then byte by byte until the machine is between characters at an ASCII byte again.
        for (; i < aSize; ++i) {
            const std::uint8_t byte = bytes[i];
            // A whole two-byte sequence at once: Cyrillic or Greek in UTF-8.
            if (state == Ready && byte >= 0xC2 && byte <= 0xDF && i + 1 < aSize && (bytes[i + 1] & 0xC0) == 0x80) {
                ++mCounts[byte];
                ++mCounts[bytes[i + 1]];
                ++valid;
                ++i;
                continue;
            }
            // And a three-byte one with a lead that allows any continuation: Church Slavonic
            // marks and letters, punctuation.
            if (state == Ready && byte >= 0xE1 && byte <= 0xEF && byte != 0xED && i + 2 < aSize &&
                (bytes[i + 1] & 0xC0) == 0x80 && (bytes[i + 2] & 0xC0) == 0x80) {
                ++mCounts[byte];
                ++mCounts[bytes[i + 1]];
                ++mCounts[bytes[i + 2]];
                ++valid;
                i += 2;
                continue;
            }
            ++mCounts[byte];
            const std::uint8_t e = kUtf8.step[std::size_t(state * kClassCount + kUtf8.classOf[byte])];
            state = e & 0x0F;
            valid += (e >> 4) & 1;
            invalid += e >> 5;
            if (state == Ready && byte < 0x80) {
                ++i;
                break;
            }
        }
    }
    mState = state;
    mValid = valid;
    mInvalid = invalid;
    mCountOnly = utf8Impossible();
}

// Even if every byte still to come made a valid two-byte sequence, the valid ones would fall
// short of the share UTF-8 needs.
bool EncodingDetector::utf8Impossible() const
{
    if (mExpected < 0 || mFed > mExpected || mInvalid == 0)
        return false;
    return mValid + (mExpected - mFed) / 2 + 1 < kValidPerInvalid * mInvalid;
}

void EncodingDetector::count(const std::uint8_t* aBytes, std::size_t aSize)
{
    // Four tables, so that equal bytes close together do not wait on each other.
    std::array<std::array<std::uint32_t, 256>, 4> counts{};
    std::size_t i = 0;
    while (i < aSize) {
        // Each table counts at most 2^32 - 1 in one go.
        const std::size_t end = i + std::min<std::size_t>(aSize - i, std::size_t(1) << 30);
        for (; i + 4 <= end; i += 4) {
            ++counts[0][aBytes[i]];
            ++counts[1][aBytes[i + 1]];
            ++counts[2][aBytes[i + 2]];
            ++counts[3][aBytes[i + 3]];
        }
        for (; i < end; ++i)
            ++counts[0][aBytes[i]];
        for (int byte = 0x80; byte < 0x100; ++byte)
            mCounts[std::size_t(byte)] += std::int64_t(counts[0][std::size_t(byte)]) + counts[1][std::size_t(byte)] +
                                          counts[2][std::size_t(byte)] + counts[3][std::size_t(byte)];
        counts = {};
    }
}

Detection EncodingDetector::result() const
{
    Detection detection;
    if (byteOrderMark(reinterpret_cast<const char*>(mHead.data()), mHeadSize, detection))
        return detection;
    // A sequence cut off by the end of the text counts as one invalid piece.
    const std::int64_t invalid = mInvalid + (mState != 0 ? 1 : 0);
    if (invalid == 0 || mValid >= kValidPerInvalid * invalid)
        return {TextEncoding::Utf8, 0};
    const Weights& table = weights();
    std::int64_t score1251 = 0, score866 = 0;
    for (int byte = 0x80; byte < 0x100; ++byte) {
        score1251 += mCounts[std::size_t(byte)] * table.of1251[std::size_t(byte)];
        score866 += mCounts[std::size_t(byte)] * table.of866[std::size_t(byte)];
    }
    return {score866 > score1251 ? TextEncoding::Dos866 : TextEncoding::Windows1251, 0};
}

Detection detectEncoding(const char* aBytes, std::size_t aSize)
{
    EncodingDetector detector{std::int64_t(aSize)};
    detector.feed(aBytes, aSize);
    return detector.result();
}

} // namespace kezcc
