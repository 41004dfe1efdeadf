#pragma once
#include <array>
#include <cstdint>

// What the numbers of a class of text mean, to the program and to the converter alike: the
// palette its colour indices 1 to 16 name and the sizes it may take.
namespace FontValues {

// A colour as 0x00BBGGRR.
using COLORREF = std::uint32_t;

// The palette, entry k holding colour index k + 1.
inline constexpr std::array<COLORREF, 16> kPalette = {
    0x000000, 0xFF0000, 0x00FF00, 0xFFFF00, 0xFF00FF, 0x0000FF, 0x00FFFF, 0xFFFFFF,
    0x800000, 0x008000, 0x808000, 0x800080, 0x004080, 0x008080, 0x808080, 0xC0C0C0,
};

inline constexpr int RedOf(COLORREF aColor) { return int(aColor & 0xFF); }
inline constexpr int GreenOf(COLORREF aColor) { return int((aColor >> 8) & 0xFF); }
inline constexpr int BlueOf(COLORREF aColor) { return int((aColor >> 16) & 0xFF); }

// Font sizes in points.
inline constexpr std::int32_t kSmallestSize = 1;
inline constexpr std::int32_t kLargestSize = 1638;

} // namespace FontValues
