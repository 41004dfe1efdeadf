#pragma once
#include "protocol/FontValues.h"

#include <QtGlobal>

// Colour indices: 0 automatic, 1 to 16 the colours of one fixed palette.
namespace miColor {

using FontValues::COLORREF;
using FontValues::kPalette;
using FontValues::RedOf;
using FontValues::GreenOf;
using FontValues::BlueOf;

inline constexpr qint32 kAutoIndex = 0;
inline constexpr qint32 kFirstIndex = 1;
inline constexpr qint32 kLastIndex = qint32(kPalette.size());

inline constexpr COLORREF kBlack = 0x000000;
inline constexpr COLORREF kWhite = 0xFFFFFF;

// Text colour: 0 is black; anything outside 0 to 16 is black too.
COLORREF ColorIndexToColor(qint32 aColorIndex);
// Background colour: 0 is white; anything outside 0 to 16 is black.
COLORREF BackIndexToColor(qint32 aColorIndex);

} // namespace miColor
