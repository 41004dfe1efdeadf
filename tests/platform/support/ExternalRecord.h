#pragma once
// The converter hand-over record as raw bytes, for the platform tests and their fake converter:
// plain C++ (the program's own record code is Qt-based and not part of the platform build).
// 32-bit little-endian integers; counted strings are a 32-bit count and UTF-16LE code units.

#include "runner/ConverterCodes.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace testsupport::record {

inline constexpr std::size_t kSize = 7656;
inline constexpr std::uint32_t kSignature = 0x85D6A123u;
inline constexpr std::int32_t kVersion = 1;
inline constexpr std::int32_t kNotConfirmed = ConverterCodes::kNotConfirmed;
inline constexpr const char* kClipboardFormat = ConverterCodes::kFormatName;

namespace offset {
inline constexpr std::size_t Signature = 0;
inline constexpr std::size_t Version = 4;
inline constexpr std::size_t Size = 8;
inline constexpr std::size_t SourcePath = 1508;
inline constexpr std::size_t OutputPath = 3556;
inline constexpr std::size_t ResultCode = 5604;
inline constexpr std::size_t ResultMessage = 5608;
} // namespace offset

inline constexpr std::size_t kPathCapacity = 2048;
inline constexpr std::size_t kMessageCapacity = 2048;

using Bytes = std::array<std::uint8_t, kSize>;

inline std::int32_t readInt32(const Bytes& bytes, std::size_t at)
{
    const std::uint32_t value = std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
                                std::uint32_t(bytes[at + 2]) << 16 | std::uint32_t(bytes[at + 3]) << 24;
    return std::int32_t(value);
}

inline void writeInt32(Bytes& bytes, std::size_t at, std::int32_t value)
{
    const auto bits = std::uint32_t(value);
    for (std::size_t i = 0; i < 4; ++i)
        bytes[at + i] = std::uint8_t(bits >> (8 * i));
}

// Cut to what the field holds, as the program does.
inline void writeCounted(Bytes& bytes, std::size_t at, std::size_t capacity, const std::u16string& text)
{
    const std::size_t count = std::min(text.size(), (capacity - 4) / 2);
    writeInt32(bytes, at, std::int32_t(count));
    for (std::size_t i = 0; i < count; ++i) {
        bytes[at + 4 + 2 * i] = std::uint8_t(text[i]);
        bytes[at + 5 + 2 * i] = std::uint8_t(text[i] >> 8);
    }
}

// Empty for a count outside the field.
inline std::u16string readCounted(const Bytes& bytes, std::size_t at, std::size_t capacity)
{
    const std::int32_t count = readInt32(bytes, at);
    if (count < 0 || std::size_t(count) > (capacity - 4) / 2)
        return {};
    std::u16string text(std::size_t(count), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = char16_t(bytes[at + 4 + 2 * i] | bytes[at + 5 + 2 * i] << 8);
    return text;
}

// A block as the program hands it over: header, both paths, result code -1, the rest zero.
inline Bytes programBlock(const std::u16string& sourcePath, const std::u16string& outputPath)
{
    Bytes bytes{};
    writeInt32(bytes, offset::Signature, std::int32_t(kSignature));
    writeInt32(bytes, offset::Version, kVersion);
    writeInt32(bytes, offset::Size, std::int32_t(kSize));
    writeCounted(bytes, offset::SourcePath, kPathCapacity, sourcePath);
    writeCounted(bytes, offset::OutputPath, kPathCapacity, outputPath);
    writeInt32(bytes, offset::ResultCode, kNotConfirmed);
    return bytes;
}

} // namespace testsupport::record
