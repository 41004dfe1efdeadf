#pragma once
#include "protocol/OptionValues.h"

#include <array>
#include <cstddef>
#include <cstdint>

// Which encoding a source is in, decided from its bytes fed in pieces of any size.
namespace kezcc {

// The option's values: detect, Windows-1251, DOS-866.
using SourceEncoding = OptionValues::SourceEncoding::Value;

enum class TextEncoding { Utf8, Utf16LE, Utf16BE, Windows1251, Dos866 };

struct Detection {
    TextEncoding encoding = TextEncoding::Utf8;
    int bomLength = 0; // bytes of byte-order mark to skip
    bool readAsUtf8 = false; // UTF-8 throughout, read so against the option's code page
};

// Valid multi-byte sequences, with no invalid byte, that make a source UTF-8 whatever code page
// the option names: a few, so that a stray capital letter and quote mark of 1251 that happen to
// pair as UTF-8 do not.
inline constexpr std::int64_t kUnmistakableUtf8 = 4;

// The byte-order mark the bytes start with, if any (UTF-8, UTF-16 LE or BE).
bool byteOrderMark(const char* aBytes, std::size_t aSize, Detection& aDetection);

// Feeds the whole source through one pass; keeps only counters, whatever the source's size.
// A byte-order mark wins. Otherwise UTF-8 when the multi-byte sequences are overwhelmingly valid
// (at least 50 valid ones per invalid byte; text with no invalid byte at all is UTF-8 too), and
// failing that whichever of 1251 and 866 reads as more plausible Russian (1251 on a tie).
class EncodingDetector {
public:
    // aExpectedSize: the source's size when known. Once the bytes still to come could no longer
    // make it UTF-8, the rest is only counted for the letter statistics, not checked.
    explicit EncodingDetector(std::int64_t aExpectedSize = -1) : mExpected(aExpectedSize) {}

    void feed(const char* aBytes, std::size_t aSize);
    Detection result() const;

    std::int64_t validSequences() const { return mValid; }
    std::int64_t invalidBytes() const { return mInvalid; }

private:
    void count(const std::uint8_t* aBytes, std::size_t aSize);
    bool utf8Impossible() const;

    std::int64_t mExpected;
    std::int64_t mFed = 0;
    bool mCountOnly = false;
    std::array<std::uint8_t, 4> mHead{};
    std::size_t mHeadSize = 0;
    // Strict UTF-8 as a state machine: 0 between characters, otherwise which bytes may follow.
    std::uint8_t mState = 0;
    std::int64_t mValid = 0;
    std::int64_t mInvalid = 0;
    // How often each byte occurs: the letter statistics are weighed once, at the end.
    std::array<std::int64_t, 256> mCounts{};
};

// The whole decision for bytes already in memory.
Detection detectEncoding(const char* aBytes, std::size_t aSize);

} // namespace kezcc
