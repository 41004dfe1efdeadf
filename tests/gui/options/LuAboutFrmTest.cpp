#include "gui/options/LuAboutFrm.h"
#include "support/FormControls.h"
#include "gui/options/OptionsTestSupport.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTest>

using OptionsTestSupport::WhenModalShown;

namespace {

class LuAboutFrmTest : public ::testing::Test {
protected:
    QLabel* tile(int aIndex) { return FindControl<QLabel>(&about, QStringLiteral("theBack(%1)").arg(aIndex).toLatin1()); }
    QImage tileImage(int aIndex) { return tile(aIndex)->pixmap().toImage(); }

    // Opens the box and closes it with aClose once it shows.
    void executeClosingWith(std::function<void(LuAboutFrm&)> aClose)
    {
        WhenModalShown([this] { return &about; }, [&, aClose](QDialog&) { aClose(about); });
        about.Execute();
    }

    LuAboutFrm about;
};

TEST_F(LuAboutFrmTest, VersionLineIsComposedFromItsParts)
{
    EXPECT_EQ(LuAboutFrm::VersionLine(), QStringLiteral("Версия 4.03 от 05.07.2006"));
}

TEST_F(LuAboutFrmTest, OpeningShowsTheVersionAndTheSameFoliageInThreeTiles)
{
    QString shownVersion;
    executeClosingWith([&](LuAboutFrm& box) {
        shownVersion = FindControl<QLabel>(&box, "theVersion")->text();
        box.theClose_Click();
    });
    EXPECT_EQ(shownVersion, QStringLiteral("Версия 4.03 от 05.07.2006"));
    EXPECT_EQ(tileImage(0).size(), QSize(192, 192));
    EXPECT_EQ(tileImage(1).size(), QSize(192, 192));
    EXPECT_EQ(tileImage(2), tileImage(1));
    EXPECT_EQ(tileImage(3), tileImage(1));
    EXPECT_NE(tileImage(0), tileImage(1));
}

TEST_F(LuAboutFrmTest, LayoutMatchesTheDesign)
{
    EXPECT_EQ(about.size(), QSize(384, 214)); // 5760 x 3210 twips
    EXPECT_EQ(about.windowTitle(), QStringLiteral("О программе"));
    EXPECT_EQ(tile(3)->geometry(), QRect(192, 192, 192, 192));
    auto* close = FindControl<QLabel>(&about, "theClose");
    EXPECT_EQ(close->text(), QStringLiteral("  Закрыть  "));
    EXPECT_EQ(close->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(FindControl<QLabel>(&about, "theProductName")->text(), QStringLiteral("Текстовый конвертер из формата KEZ"));
}

TEST_F(LuAboutFrmTest, ClickOnCloseLabelEndsExecute)
{
    executeClosingWith([](LuAboutFrm& box) { QTest::mouseClick(FindControl<QLabel>(&box, "theClose"), Qt::LeftButton); });
    EXPECT_FALSE(about.isVisible());
}

TEST_F(LuAboutFrmTest, CloseBoxEndsExecute)
{
    executeClosingWith([](LuAboutFrm& box) { box.close(); });
    EXPECT_FALSE(about.isVisible());
}

} // namespace
