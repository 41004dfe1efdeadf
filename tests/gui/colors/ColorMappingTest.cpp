// Colour indices to screen colours: the palette table, automatic index 0, and out-of-range indices.
#include "gui/colors/ColorRefColor.h"
#include "core/colors/miColor.h"

#include <gtest/gtest.h>

#include <limits>

using miColor::BackIndexToColor;
using miColor::ColorIndexToColor;
using miColor::COLORREF;

namespace {

struct MappingCase {
    qint32 index;
    COLORREF text;
    COLORREF back;
};

// Every index from −1 to 17 and the extremes, with the palette written out as red, green, blue.
constexpr COLORREF Rgb(int aRed, int aGreen, int aBlue) { return COLORREF(aRed | aGreen << 8 | aBlue << 16); }

const MappingCase kMapping[] = {
    {-1, Rgb(0, 0, 0), Rgb(0, 0, 0)},
    {0, Rgb(0, 0, 0), Rgb(255, 255, 255)},
    {1, Rgb(0, 0, 0), Rgb(0, 0, 0)},
    {2, Rgb(0, 0, 255), Rgb(0, 0, 255)},
    {3, Rgb(0, 255, 0), Rgb(0, 255, 0)},
    {4, Rgb(0, 255, 255), Rgb(0, 255, 255)},
    {5, Rgb(255, 0, 255), Rgb(255, 0, 255)},
    {6, Rgb(255, 0, 0), Rgb(255, 0, 0)},
    {7, Rgb(255, 255, 0), Rgb(255, 255, 0)},
    {8, Rgb(255, 255, 255), Rgb(255, 255, 255)},
    {9, Rgb(0, 0, 128), Rgb(0, 0, 128)},
    {10, Rgb(0, 128, 0), Rgb(0, 128, 0)},
    {11, Rgb(0, 128, 128), Rgb(0, 128, 128)},
    {12, Rgb(128, 0, 128), Rgb(128, 0, 128)},
    {13, Rgb(128, 64, 0), Rgb(128, 64, 0)},
    {14, Rgb(128, 128, 0), Rgb(128, 128, 0)},
    {15, Rgb(128, 128, 128), Rgb(128, 128, 128)},
    {16, Rgb(192, 192, 192), Rgb(192, 192, 192)},
    {17, Rgb(0, 0, 0), Rgb(0, 0, 0)},
    {std::numeric_limits<qint32>::min(), 0, 0},
    {std::numeric_limits<qint32>::max(), 0, 0},
};

TEST(ColorMapping, EachIndexGivesItsTextAndBackgroundColourAndOutOfRangeIsBlack)
{
    for (const MappingCase& c : kMapping) {
        EXPECT_EQ(ColorIndexToColor(c.index), c.text) << "index " << c.index;
        EXPECT_EQ(BackIndexToColor(c.index), c.back) << "index " << c.index;
    }
}

TEST(ColorMapping, ColorRefBecomesTheSameScreenColour)
{
    // 0x00BBGGRR: the low byte is red.
    EXPECT_EQ(ToQColor(0x004080), QColor(128, 64, 0));
    EXPECT_EQ(ToQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(ToQColor(ColorIndexToColor(16)), QColor(192, 192, 192));
    EXPECT_EQ(ToQColor(BackIndexToColor(0)), QColor(Qt::white));
}

} // namespace
