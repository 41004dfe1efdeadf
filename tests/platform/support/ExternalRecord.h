#pragma once
// The converter hand-over record as raw bytes, for the platform tests and their fake converter,
// on the record's own layout (plain C++, so the platform build, Windows included, has it too).

#include "protocol/ConverterCodes.h"
#include "protocol/ExternalDataLayout.h"

#include <array>
#include <cstdint>
#include <string>

namespace testsupport::record {

inline constexpr std::size_t kSize = std::size_t(ExternalData::kRecordSize);
inline constexpr std::uint32_t kSignature = ExternalData::kSignature;
inline constexpr std::int32_t kVersion = ExternalData::kVersion;
inline constexpr std::int32_t kNotConfirmed = ExternalData::kNotConfirmed;
inline constexpr const char* kClipboardFormat = ConverterCodes::kFormatName;
inline constexpr std::int32_t kPathCapacity = ExternalData::kPathCapacity;
inline constexpr std::int32_t kMessageCapacity = ExternalData::kMessageCapacity;
namespace offset = ExternalData::Offset;

using Bytes = std::array<std::uint8_t, kSize>;

inline std::int32_t readInt32(const Bytes& bytes, std::int32_t at) { return ExternalData::ReadInt32(bytes.data(), at); }

inline void writeInt32(Bytes& bytes, std::int32_t at, std::int32_t value)
{
    ExternalData::WriteInt32(bytes.data(), at, value);
}

// Cut to what the field holds, as the program does.
inline void writeCounted(Bytes& bytes, std::int32_t at, std::int32_t capacity, const std::u16string& text)
{
    ExternalData::WriteCountedString(bytes.data() + at, text, capacity);
}

// Empty for a count outside the field.
inline std::u16string readCounted(const Bytes& bytes, std::int32_t at, std::int32_t capacity)
{
    if (!ExternalData::IsWellFormedCountedString(bytes.data() + at, capacity))
        return {};
    return ExternalData::ReadCountedString(bytes.data() + at, capacity);
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
