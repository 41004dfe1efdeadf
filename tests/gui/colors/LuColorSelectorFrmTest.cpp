// The palette pop-up driven by clicks: the marks it shows and what each way out returns.
#include "gui/colors/LuColorSelectorFrm.h"

#include "support/FormControls.h"
#include "gui/colors/ColorRefColor.h"
#include "gui/colors/PopupDriver.h"
#include "core/colors/miColor.h"

#include <QFrame>
#include <QLabel>
#include <gtest/gtest.h>

namespace {

enum class Mark { None, Black, White };

QLabel* Cell(const QWidget& aPopup, int aCell)
{
    return FindControl<QLabel>(&aPopup, QStringLiteral("theColor(%1)").arg(aCell).toLatin1().constData());
}

Mark MarkIn(const QWidget& aPopup, int aCell)
{
    const QPixmap shown = Cell(aPopup, aCell)->pixmap();
    if (shown.isNull())
        return Mark::None;
    if (shown.cacheKey() == FindControl<QLabel>(&aPopup, "theImage(0)")->pixmap().cacheKey())
        return Mark::Black;
    if (shown.cacheKey() == FindControl<QLabel>(&aPopup, "theImage(1)")->pixmap().cacheKey())
        return Mark::White;
    ADD_FAILURE() << "cell " << aCell << " shows a picture that is no mark";
    return Mark::None;
}

bool AutoIsBold(const QWidget& aPopup) { return FindControl<QLabel>(&aPopup, "theAuto")->font().bold(); }

// What the pop-up shows for an index: (Auto) bold or not, and the one marked cell.
struct MarkCase {
    qint32 index;
    bool autoBold;
    int markedCell;
    Mark mark;
};

const MarkCase kMarks[] = {
    {0, true, -1, Mark::None},      {1, false, 0, Mark::White},   {2, false, 1, Mark::White},
    {3, false, 2, Mark::Black},     {6, false, 5, Mark::Black},   {7, false, 6, Mark::Black},
    {8, false, 7, Mark::Black},     {9, false, 8, Mark::White},   {15, false, 14, Mark::White},
    {16, false, 15, Mark::White},   {17, false, -1, Mark::None},  {20, false, -1, Mark::None},
    {-1, false, -1, Mark::None},
};

void ExpectMarks(const LuColorSelectorFrm& aPopup, const MarkCase& aCase)
{
    EXPECT_EQ(AutoIsBold(aPopup), aCase.autoBold) << "index " << aCase.index;
    for (int cell = 0; cell < 16; ++cell)
        EXPECT_EQ(MarkIn(aPopup, cell), cell == aCase.markedCell ? aCase.mark : Mark::None)
            << "index " << aCase.index << ", cell " << cell;
}

TEST(LuColorSelectorFrm, OpenedPopupMarksTheIndexWithTheMarkForItsLightness)
{
    for (const MarkCase& c : kMarks) {
        LuColorSelectorFrm popup;
        qint32 index = c.index;
        WhenPopupShows close("theClose", [&](LuColorSelectorFrm& aShown) { ExpectMarks(aShown, c); });
        EXPECT_FALSE(popup.Execute(index));
        EXPECT_TRUE(close.shown());
    }
}

TEST(LuColorSelectorFrm, CellsReadThePaletteRowByRow)
{
    LuColorSelectorFrm popup;
    const int columns[] = {4, 32, 60, 88};
    const int rows[] = {32, 60, 88, 116};
    for (int k = 0; k < 16; ++k) {
        QLabel* cell = Cell(popup, k);
        EXPECT_EQ(cell->palette().color(QPalette::Window), ToQColor(miColor::kPalette[std::size_t(k)])) << k;
        EXPECT_EQ(cell->geometry(), QRect(columns[k % 4], rows[k / 4], 29, 29)) << k;
    }
    // Row by row: black, blue, green, cyan / … / brown, dark yellow, dark grey, light grey.
    EXPECT_EQ(Cell(popup, 3)->palette().color(QPalette::Window), QColor(0, 255, 255));
    EXPECT_EQ(Cell(popup, 12)->palette().color(QPalette::Window), QColor(128, 64, 0));
    EXPECT_EQ(Cell(popup, 15)->palette().color(QPalette::Window), QColor(192, 192, 192));
}

TEST(LuColorSelectorFrm, BorderlessWindowOutsideTheTaskBarWithTheDesignedSize)
{
    LuColorSelectorFrm popup;
    EXPECT_EQ(popup.size(), QSize(121, 149));
    EXPECT_TRUE(popup.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(popup.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_EQ(popup.palette().color(QPalette::Window), popup.palette().color(QPalette::ToolTipBase));
    EXPECT_EQ(FindControl<QFrame>(&popup, "Shape1")->geometry(), popup.rect());
    EXPECT_EQ(FindControl<QLabel>(&popup, "theAuto")->text(), QStringLiteral("(Auto)"));
    EXPECT_EQ(FindControl<QLabel>(&popup, "theAuto")->geometry(), QRect(4, 4, 85, 25));
    EXPECT_EQ(FindControl<QLabel>(&popup, "theClose")->geometry(), QRect(92, 4, 25, 25));
}

struct ChoiceCase {
    const char* control;
    qint32 openedWith;
    bool chosen;
    qint32 result;
};

const ChoiceCase kChoices[] = {
    {"theColor(15)", 3, true, 16},  {"theColor(0)", 0, true, 1},   {"theColor(6)", 20, true, 7},
    {"theAuto", 9, true, 0},        {"theAuto", -5, true, 0},      {"theClose", 9, false, 9},
    {"theClose", 20, false, 20},    {"theClose", -1, false, -1},   {"theClose", 0, false, 0},
};

TEST(LuColorSelectorFrm, ACellOrAutoIsAChoiceAndTheCrossLeavesTheIndexAlone)
{
    for (const ChoiceCase& c : kChoices) {
        LuColorSelectorFrm popup;
        qint32 index = c.openedWith;
        WhenPopupShows click(c.control);
        EXPECT_EQ(popup.Execute(index), c.chosen) << c.control << " from " << c.openedWith;
        EXPECT_EQ(index, c.result) << c.control << " from " << c.openedWith;
        EXPECT_EQ(popup.ModalResult(), c.chosen);
        EXPECT_FALSE(popup.isVisible());
    }
}

TEST(LuColorSelectorFrm, EscapeAndCloseRequestsDoNotEndThePopup)
{
    LuColorSelectorFrm popup;
    qint32 index = 5;
    bool stayed = false;
    WhenPopupShows tryOthers([&](LuColorSelectorFrm& aShown) {
        QTest::keyClick(&aShown, Qt::Key_Escape);
        aShown.close();
        stayed = aShown.isVisible();
        QTest::mouseClick(FindControl<QLabel>(&aShown, "theColor(1)"), Qt::LeftButton);
    });
    EXPECT_TRUE(popup.Execute(index));
    EXPECT_TRUE(stayed);
    EXPECT_EQ(index, 2);
}

TEST(LuColorSelectorFrm, ExecuteMovesThePopupBelowTheOpeningControl)
{
    LuColorSelectorFrm popup;
    popup.SetParentControlBounds(3000, 4000, 2625, 315);
    qint32 index = 0;
    QPoint shownAt;
    WhenPopupShows close("theClose", [&](LuColorSelectorFrm& aShown) { shownAt = aShown.pos(); });
    popup.Execute(index);
    // 4345 twips = 289.7 pixels.
    EXPECT_EQ(shownAt, QPoint(200, 290));
}

} // namespace
