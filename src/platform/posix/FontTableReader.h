#pragma once
#include "platform/FontEnumeration.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace platform::posix {

// Random access to the bytes of one font file.
class FontBytes {
public:
    virtual ~FontBytes() = default;
    virtual std::uint64_t size() const = 0;
    // Fills aOut with aLength bytes from aOffset; false unless the whole range could be read.
    virtual bool read(std::uint64_t aOffset, std::size_t aLength, std::uint8_t* aOut) const = 0;
};

// Bytes already in memory.
class MemoryFontBytes final : public FontBytes {
public:
    explicit MemoryFontBytes(std::vector<std::uint8_t> aBytes) : mBytes(std::move(aBytes)) {}
    MemoryFontBytes(const std::uint8_t* aData, std::size_t aSize) : mBytes(aData, aData + aSize) {}
    std::uint64_t size() const override { return mBytes.size(); }
    bool read(std::uint64_t aOffset, std::size_t aLength, std::uint8_t* aOut) const override;

private:
    std::vector<std::uint8_t> mBytes;
};

// What enumeration takes from an sfnt face with outlines.
struct SfntFace {
    std::string face; // name ID 1 of the Windows platform; empty when the table has none
    FontSignature signature;
};

// Reads face aIndex of an sfnt file or collection from its table directory and its 'OS/2' and
// 'name' tables, deciding as FreeType does which entries count (the first entry of a tag, even
// an empty one). Nothing when the bytes leave anything in doubt (another format, TrueType
// outlines beside embedded bitmaps, which FreeType may call bitmap-only, a missing, empty or
// damaged required table, a name table of the less common layout): FreeType then decides. Never reads outside
// what aBytes holds, whatever they hold.
std::optional<SfntFace> readSfntFace(const FontBytes& aBytes, int aIndex);

// Name-table strings of the Windows platform are UTF-16, big-endian; unpaired surrogates
// become U+FFFD.
std::string utf16BigEndianToUtf8(const std::uint8_t* aBytes, std::size_t aLength);

} // namespace platform::posix
