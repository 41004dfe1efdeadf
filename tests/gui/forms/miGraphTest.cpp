// Twips per pixel, a window's bounds in screen twips, and the check-box query.
#include "gui/forms/miGraph.h"

#include <QCheckBox>
#include <QWidget>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(miGraph, TwipsPerPixelIsRoundedFromTheResolution)
{
    const std::pair<double, qint32> cases[] = {{96, 15}, {120, 12}, {144, 10}, {72, 20}, {100, 14}, {1440, 1}};
    for (auto [dpi, twips] : cases)
        EXPECT_EQ(miGraph::TwipsPerPixel(dpi), twips) << dpi;
}

TEST(miGraph, AResolutionThatIsNoneGivesZeroForNotRead)
{
    for (double dpi : {0.0, -96.0, std::nan(""), std::numeric_limits<double>::infinity(), 5000.0})
        EXPECT_EQ(miGraph::TwipsPerPixel(dpi), 0) << dpi;
}

TEST(miGraph, PixelSizesAreReadOnceFromTheScreenAndKept)
{
    miGraph::ForgetPixelSizes();
    EXPECT_EQ(miGraph::PixX(), 15);
    EXPECT_EQ(miGraph::PixY(), 15);
    EXPECT_EQ(miGraph::TwipsToPixelsX(1815), 121);
    EXPECT_EQ(miGraph::PixelsToTwipsY(149), 2235);
}

TEST(miGraph, WindowBoundsOfATopLevelAndOfAChildInScreenTwips)
{
    QWidget window;
    window.setGeometry(200, 100, 300, 200);
    auto* child = new QWidget(&window);
    child->setGeometry(10, 20, 40, 21);
    window.show();

    qint32 x = 0, y = 0, w = 0, h = 0;
    miGraph::GetWindowBounds(&window, x, y, w, h);
    const QRect frame = window.frameGeometry();
    EXPECT_EQ(x, frame.left() * 15);
    EXPECT_EQ(y, frame.top() * 15);
    EXPECT_EQ(w, frame.width() * 15);
    EXPECT_EQ(h, frame.height() * 15);

    miGraph::GetWindowBounds(child, x, y, w, h);
    const QPoint origin = window.mapToGlobal(QPoint(10, 20));
    EXPECT_EQ(x, origin.x() * 15);
    EXPECT_EQ(y, origin.y() * 15);
    EXPECT_EQ(w, 600);
    EXPECT_EQ(h, 315);
}

TEST(miGraph, OnlyATickedBoxCountsAsChecked)
{
    QCheckBox box;
    box.setTristate(true);
    const std::pair<Qt::CheckState, bool> cases[] = {
        {Qt::Unchecked, false}, {Qt::PartiallyChecked, false}, {Qt::Checked, true}};
    for (auto [state, checked] : cases) {
        box.setCheckState(state);
        EXPECT_EQ(miGraph::IsChecked(&box), checked) << state;
    }
}

} // namespace
