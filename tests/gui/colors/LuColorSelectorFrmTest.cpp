// The palette pop-up driven by clicks: the marks it shows and what each way out returns.
#include "gui/colors/LuColorSelectorFrm.h"

#include "support/FormControls.h"
#include "gui/colors/ColorRefColor.h"
#include "gui/colors/PopupDriver.h"
#include "core/colors/miColor.h"

#include <QFrame>
#include <QLabel>
#include <gtest/gtest.h>

#include <vector>

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

TEST(LuColorSelectorFrm, ACloseRequestDoesNotEndThePopupButEscapeActsAsTheCross)
{
    LuColorSelectorFrm popup;
    qint32 index = 5;
    bool stayed = false;
    WhenPopupShows tryOthers([&](LuColorSelectorFrm& aShown) {
        aShown.close();
        stayed = aShown.isVisible();
        QTest::keyClick(&aShown, Qt::Key_Escape);
    });
    EXPECT_FALSE(popup.Execute(index));
    EXPECT_TRUE(stayed);
    EXPECT_EQ(index, 5);
}

// The arrows move a frame over "(Auto)" and the sixteen cells, row by row as they are drawn; Enter
// or Space picks the framed one. The frame starts on the chosen colour.
TEST(LuColorSelectorFrm, ArrowKeysFrameACellAndEnterOrSpacePicksIt)
{
    struct Case {
        qint32 openedWith;
        std::vector<Qt::Key> keys;
        std::vector<qint32> framed; // after each key but the last
        qint32 chosen;
    };
    const std::vector<Case> cases = {
        {5, {Qt::Key_Right, Qt::Key_Down, Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Return},
         {6, 10, 6, 2, miColor::kAutoIndex, 2}, 2},
        {16, {Qt::Key_Right, Qt::Key_Down, Qt::Key_Left, Qt::Key_Space}, {16, 16, 15}, 15},
        {miColor::kAutoIndex, {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Left, Qt::Key_Enter},
         {miColor::kAutoIndex, miColor::kAutoIndex, 1, miColor::kAutoIndex}, miColor::kAutoIndex},
        {-3, {Qt::Key_Down, Qt::Key_Space}, {1}, 1},
    };
    for (const Case& c : cases) {
        LuColorSelectorFrm popup;
        qint32 index = c.openedWith;
        std::vector<qint32> framed;
        WhenPopupShows press([&](LuColorSelectorFrm& aShown) {
            for (Qt::Key key : c.keys) {
                QTest::keyClick(&aShown, key);
                if (aShown.isVisible())
                    framed.push_back(aShown.FramedIndex());
            }
        });
        EXPECT_TRUE(popup.Execute(index)) << c.openedWith;
        EXPECT_EQ(framed, c.framed) << c.openedWith;
        EXPECT_EQ(index, c.chosen) << c.openedWith;
    }
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
