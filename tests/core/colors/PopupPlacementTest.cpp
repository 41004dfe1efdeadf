// Where the palette pop-up goes: below, above or centred vertically; as placed, right-aligned,
// centred on the control or centred on the screen.
#include "core/colors/PopupPlacement.h"

#include <gtest/gtest.h>

using PopupPlacement::BuildFormBounds;
using PopupPlacement::HalfRoundedToEven;
using PopupPlacement::TwipBounds;

namespace {

// A 1024 × 768-pixel screen at 15 twips per pixel, and the pop-up's designed size.
constexpr qint32 kPix = 15;
constexpr qint32 kScreenW = 15360;
constexpr qint32 kScreenH = 11520;
constexpr qint32 kPopupW = 1815;
constexpr qint32 kPopupH = 2235;

TwipBounds Place(TwipBounds aParent, qint32 aScreenW = kScreenW, qint32 aScreenH = kScreenH)
{
    return BuildFormBounds(aParent, kPopupW, kPopupH, kPix, aScreenW, aScreenH);
}

TEST(PopupPlacement, WorkedExampleBelowTheControl)
{
    EXPECT_EQ(Place({3000, 4000, 2625, 315}), (TwipBounds{3000, 4345, kPopupW, kPopupH}));
}

TEST(PopupPlacement, WorkedExampleAboveTheControlNearTheBottom)
{
    EXPECT_EQ(Place({3000, 10000, 2625, 315}), (TwipBounds{3000, 7735, kPopupW, kPopupH}));
}

struct VerticalCase {
    const char* name;
    qint32 top;
    qint32 height;
    qint32 expectedY;
};

// Below fits while top + height + 30 + 2235 <= 11520; above needs top − 2235 − 30 > 0.
const VerticalCase kVertical[] = {
    {"bottom edge exactly on the screen edge", 8940, 315, 9285},
    {"one twip past the screen edge goes above", 8941, 315, 8941 - 2265},
    {"above needs more than 0 left: 1 goes above", 2266, 9000, 1},
    // (11520 − 2235) / 2 = 4642.5, ties to even.
    {"above with exactly 0 left is centred", 2265, 9000, 4642},
    {"fits neither below nor above", 1000, 10000, 4642},
};

TEST(PopupPlacement, VerticalRuleBelowAboveOrCentred)
{
    for (const VerticalCase& c : kVertical) {
        const TwipBounds placed = Place({100, c.top, 2625, c.height});
        EXPECT_EQ(placed.Y, c.expectedY) << c.name;
        EXPECT_EQ(placed.X, 100) << c.name;
    }
}

TEST(PopupPlacement, RightAlignedWhenThePopupRunsPastTheRightEdge)
{
    EXPECT_EQ(Place({14000, 500, 1200, 315}).X, 14000 + 1200 - kPopupW);
    EXPECT_EQ(Place({kScreenW - kPopupW, 500, 300, 315}).X, kScreenW - kPopupW);
    EXPECT_EQ(Place({kScreenW - kPopupW + 1, 500, 300, 315}).X, kScreenW - kPopupW + 1 + 300 - kPopupW);
}

TEST(PopupPlacement, RightAlignmentNeedsDOfOneOrMore)
{
    // Screen 1500 wide: the pop-up never fits as placed. D = 1000 + width − 1815.
    EXPECT_EQ(BuildFormBounds({1000, 0, 816, 300}, kPopupW, kPopupH, kPix, 1500, kScreenH).X, 1);
    // D = 0: centred on the control would be 1000 + (815 − 1815) / 2 = 500, and 500 + 1815 is not
    // less than 1500, so centred on the screen: (1500 − 1815) / 2 = −157.5, ties to even: −158.
    EXPECT_EQ(BuildFormBounds({1000, 0, 815, 300}, kPopupW, kPopupH, kPix, 1500, kScreenH).X, -158);
}

TEST(PopupPlacement, CentredOnTheControlWhenItFitsThere)
{
    // G = (200 − 1815) / 2 + 1600 = −807.5 → −808 + 1600 = 792; D = 1800 − 1815 = −15.
    EXPECT_EQ(BuildFormBounds({1600, 0, 200, 300}, kPopupW, kPopupH, kPix, 3000, kScreenH).X, 792);
}

TEST(PopupPlacement, CentredOnTheControlNeedsGPlusWidthBelowTheScreenWidth)
{
    // G = 792 as above; G + W = 2607. Screen 2608: centred on the control; screen 2607: on the screen.
    EXPECT_EQ(BuildFormBounds({1600, 0, 200, 300}, kPopupW, kPopupH, kPix, 2608, kScreenH).X, 792);
    EXPECT_EQ(BuildFormBounds({1600, 0, 200, 300}, kPopupW, kPopupH, kPix, 2607, kScreenH).X,
              HalfRoundedToEven(2607 - 1815));
}

TEST(PopupPlacement, CentredOnTheControlNeedsGAboveZero)
{
    // G = (200 − 1815) / 2 + 808 = −807.5 → −808, + 808 = 0: not > 0, so centred on the screen.
    EXPECT_EQ(BuildFormBounds({808, 0, 200, 300}, kPopupW, kPopupH, kPix, 1900, kScreenH).X,
              HalfRoundedToEven(1900 - 1815));
    // One twip further right: G = 1.
    EXPECT_EQ(BuildFormBounds({809, 0, 200, 300}, kPopupW, kPopupH, kPix, 1900, kScreenH).X, 1);
}

TEST(PopupPlacement, BothRulesApplyTogetherInTheBottomRightCorner)
{
    const TwipBounds placed = Place({14000, 11000, 1200, 315});
    EXPECT_EQ(placed, (TwipBounds{14000 + 1200 - kPopupW, 11000 - kPopupH - 30, kPopupW, kPopupH}));
}

TEST(PopupPlacement, TheGapFollowsThePixelHeight)
{
    EXPECT_EQ(BuildFormBounds({0, 1000, 100, 300}, kPopupW, kPopupH, 12, kScreenW, kScreenH).Y, 1324);
}

TEST(PopupPlacement, HalvesRoundToTheNearestEvenInteger)
{
    const std::pair<qint64, qint64> cases[] = {{0, 0}, {1, 0}, {2, 1}, {3, 2}, {5, 2}, {7, 4},
                                               {-1, 0}, {-3, -2}, {-5, -2}, {-4, -2}, {9285, 4642}};
    for (auto [value, half] : cases)
        EXPECT_EQ(HalfRoundedToEven(value), half) << value;
}

} // namespace
