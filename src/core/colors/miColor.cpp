#include "core/colors/miColor.h"

namespace miColor {
namespace {

bool InPalette(qint32 aColorIndex) { return aColorIndex >= kFirstIndex && aColorIndex <= kLastIndex; }

} // namespace

COLORREF ColorIndexToColor(qint32 aColorIndex)
{
    return InPalette(aColorIndex) ? kPalette[std::size_t(aColorIndex - 1)] : kBlack;
}

COLORREF BackIndexToColor(qint32 aColorIndex)
{
    if (aColorIndex == kAutoIndex)
        return kWhite;
    return InPalette(aColorIndex) ? kPalette[std::size_t(aColorIndex - 1)] : kBlack;
}

} // namespace miColor
