#pragma once
#include <array>
#include <cstdint>

// The single-byte code pages the converter reads (1251, 866) and writes (1251, 1253).
namespace kezcc {

enum class CodePage { Windows1251, Dos866, Windows1253 };

// The characters of bytes 0x80..0xFF; 0 where the code page leaves a byte unassigned.
const std::array<char16_t, 128>& upperHalf(CodePage aCodePage);

// Where the ROOS fonts draw the pre-reform letters and the stress mark: on the places of 1251
// letters Russian does not use. Other characters stay where they are.
char32_t roosPlace(char32_t aCharacter);

// The byte a BMP character has in a code page, 0 when it has none (ASCII maps to itself).
class CodePageEncoder {
public:
    explicit CodePageEncoder(CodePage aCodePage);
    std::uint8_t byteOf(char32_t aCharacter) const
    {
        return aCharacter < mBytes->size() ? (*mBytes)[aCharacter] : 0;
    }
    // The whole table, indexed by BMP character.
    const std::uint8_t* bytes() const { return mBytes->data(); }

private:
    // Made by the compiler: a converter started for each file would otherwise fill 64 KiB of
    // fresh pages for each code page before its first character.
    const std::array<std::uint8_t, 0x10000>* mBytes;
};

} // namespace kezcc
