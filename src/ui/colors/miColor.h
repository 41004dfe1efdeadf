#pragma once
#include <QtGlobal>

#include <array>

// Colour indices: 0 automatic, 1 to 16 the colours of one fixed palette.
namespace miColor {

// A colour as 0x00BBGGRR.
using COLORREF = quint32;

inline constexpr qint32 kAutoIndex = 0;
inline constexpr qint32 kFirstIndex = 1;
inline constexpr qint32 kLastIndex = 16;

// The palette, entry k holding index k + 1.
inline constexpr std::array<COLORREF, 16> kPalette = {
    0x000000, 0xFF0000, 0x00FF00, 0xFFFF00, 0xFF00FF, 0x0000FF, 0x00FFFF, 0xFFFFFF,
    0x800000, 0x008000, 0x808000, 0x800080, 0x004080, 0x008080, 0x808080, 0xC0C0C0,
};

inline constexpr COLORREF kBlack = 0x000000;
inline constexpr COLORREF kWhite = 0xFFFFFF;

// Text colour: 0 is black; anything outside 0 to 16 is black too.
COLORREF ColorIndexToColor(qint32 aColorIndex);
// Background colour: 0 is white; anything outside 0 to 16 is black.
COLORREF BackIndexToColor(qint32 aColorIndex);

inline constexpr int RedOf(COLORREF aColor) { return int(aColor & 0xFF); }
inline constexpr int GreenOf(COLORREF aColor) { return int((aColor >> 8) & 0xFF); }
inline constexpr int BlueOf(COLORREF aColor) { return int((aColor >> 16) & 0xFF); }

} // namespace miColor
