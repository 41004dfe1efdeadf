// The colour selector control: its range rules, greying, the Change event, the resize layout and
// the persisted properties, driven as a host form and a user would.
#include "core/common/ScopedOverride.h"
#include "gui/colors/LuColorSelector.h"

#include "core/errors/mErrorHandling.h"
#include "support/FormControls.h"
#include "gui/colors/ColorRefColor.h"
#include "gui/colors/PopupDriver.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <optional>

namespace {

class LuColorSelectorTest : public ::testing::Test {
protected:
    // The error window's stand-in for this test; the previous presenter comes back after it.
    std::optional<ScopedOverride<mErrorHandling::Presenter>> mReportsInstalled;

    void SetUp() override
    {
        mReportsInstalled.emplace(mErrorHandling::presenter(), [this](const QString& aMessage, const QString&, qint32) { reports << aMessage; });
        host.setGeometry(100, 80, 400, 200);
        selector = new LuColorSelector(&host);
        selector->setGeometry(20, 30, 2625 / 15, 315 / 15);
        host.show();
    }
    void TearDown() override
    {
        mReportsInstalled.reset();
        EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
    }

    QLineEdit* text() const { return FindControl<QLineEdit>(selector, "theText"); }
    QPushButton* colorButton() const { return FindControl<QPushButton>(selector, "theSelectColor"); }
    QPushButton* backButton() const { return FindControl<QPushButton>(selector, "theSelectBack"); }
    QColor sampleText() const { return text()->palette().color(QPalette::Text); }
    QColor sampleBack() const { return text()->palette().color(QPalette::Base); }

    // What the control raised while the user pressed aButton and then aChoice in the pop-up.
    struct Raised {
        bool PopupShown = false;
        qsizetype Changes = 0;
        QStringList Properties;
    };
    Raised choose(QPushButton* aButton, const char* aChoice, std::function<void(LuColorSelectorFrm&)> aLook = {})
    {
        QSignalSpy change(selector, &LuColorSelector::Change);
        QSignalSpy changed(selector, &LuColorSelector::PropertyChanged);
        WhenPopupShows pick(aChoice, std::move(aLook));
        QTest::mouseClick(aButton, Qt::LeftButton);
        Raised raised{pick.shown(), change.count(), {}};
        for (const QList<QVariant>& emitted : changed)
            raised.Properties << emitted.at(0).toString();
        return raised;
    }

    QWidget host;
    LuColorSelector* selector = nullptr;
    QStringList reports;
};

TEST_F(LuColorSelectorTest, NewControlShowsBlackOnWhiteWithBothButtonsUsable)
{
    EXPECT_EQ(selector->ColorIndex(), 0);
    EXPECT_EQ(selector->BackIndex(), 0);
    EXPECT_EQ(sampleText(), QColor(Qt::black));
    EXPECT_EQ(sampleBack(), QColor(Qt::white));
    EXPECT_TRUE(colorButton()->isEnabled());
    EXPECT_TRUE(backButton()->isEnabled());
    EXPECT_EQ(colorButton()->text(), QStringLiteral("Цвет"));
    EXPECT_EQ(backButton()->text(), QStringLiteral("Фон"));
    EXPECT_TRUE(text()->isReadOnly());
    EXPECT_TRUE(text()->font().bold());
    EXPECT_DOUBLE_EQ(text()->font().pointSizeF(), 8.25);
}

TEST_F(LuColorSelectorTest, IndicesOutsideZeroToSixteenAreIgnoredSilently)
{
    selector->SetColorIndex(5);
    selector->SetBackIndex(9);
    QSignalSpy changed(selector, &LuColorSelector::PropertyChanged);
    for (qint32 bad : {-1, 17, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()}) {
        selector->SetColorIndex(bad);
        selector->SetBackIndex(bad);
    }
    EXPECT_EQ(selector->ColorIndex(), 5);
    EXPECT_EQ(selector->BackIndex(), 9);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(LuColorSelectorTest, EveryIndexInRangeRepaintsTheSample)
{
    for (qint32 index = 0; index <= 16; ++index) {
        selector->SetColorIndex(index);
        selector->SetBackIndex(16 - index);
        EXPECT_EQ(sampleText(), ToQColor(miColor::ColorIndexToColor(index))) << index;
        EXPECT_EQ(sampleBack(), ToQColor(miColor::BackIndexToColor(16 - index))) << index;
        EXPECT_EQ(selector->Color(), miColor::ColorIndexToColor(index));
        EXPECT_EQ(selector->Back(), miColor::BackIndexToColor(16 - index));
    }
    selector->SetColorIndex(16);
    EXPECT_EQ(sampleText(), QColor(192, 192, 192));
}

TEST_F(LuColorSelectorTest, WithColorDisabledOnlyTheBackgroundButtonCanBePressed)
{
    selector->SetColorEnabled(false);
    EXPECT_FALSE(colorButton()->isEnabled());
    EXPECT_TRUE(backButton()->isEnabled());

    QSignalSpy change(selector, &LuColorSelector::Change);
    QTest::mouseClick(colorButton(), Qt::LeftButton);
    EXPECT_EQ(change.count(), 0);

    WhenPopupShows pick("theColor(4)");
    QTest::mouseClick(backButton(), Qt::LeftButton);
    EXPECT_EQ(selector->BackIndex(), 5);
    EXPECT_EQ(change.count(), 1);
}

TEST_F(LuColorSelectorTest, DisabledControlIsGreyedWhateverTheIndices)
{
    const QPalette system = QApplication::palette();
    for (auto [color, back] : {std::pair{0, 0}, {16, 1}, {6, 7}}) {
        selector->SetColorIndex(color);
        selector->SetBackIndex(back);
        selector->SetEnabled(false);
        EXPECT_FALSE(colorButton()->isEnabled());
        EXPECT_FALSE(backButton()->isEnabled());
        EXPECT_FALSE(text()->isEnabled());
        EXPECT_EQ(sampleText(), system.color(QPalette::Dark));
        EXPECT_EQ(sampleBack(), system.color(QPalette::Button));
        EXPECT_TRUE(selector->isEnabled()) << "the control's own window stays enabled";

        selector->SetEnabled(true);
        EXPECT_EQ(sampleText(), ToQColor(miColor::ColorIndexToColor(color)));
        EXPECT_EQ(sampleBack(), ToQColor(miColor::BackIndexToColor(back)));
    }
}

TEST_F(LuColorSelectorTest, AConfirmedChoiceRaisesChangeOnceAndRepaints)
{
    const Raised raised = choose(colorButton(), "theColor(15)");
    EXPECT_TRUE(raised.PopupShown);
    EXPECT_EQ(selector->ColorIndex(), 16);
    EXPECT_EQ(sampleText(), QColor(192, 192, 192));
    EXPECT_EQ(raised.Changes, 1);
    EXPECT_EQ(raised.Properties, QStringList{QStringLiteral("ColorIndex")});
}

TEST_F(LuColorSelectorTest, AutoIsAChoiceToo)
{
    selector->SetBackIndex(12);
    const Raised raised = choose(backButton(), "theAuto", [](LuColorSelectorFrm& aPopup) {
        EXPECT_EQ(aPopup.ColorIndex(), 12) << "the pop-up opens on the background index";
    });
    EXPECT_EQ(selector->BackIndex(), 0);
    EXPECT_EQ(sampleBack(), QColor(Qt::white));
    EXPECT_EQ(raised.Changes, 1);
    EXPECT_EQ(raised.Properties, QStringList{QStringLiteral("BackIndex")});
}

TEST_F(LuColorSelectorTest, TheCrossChangesNothingAndRaisesNothing)
{
    selector->SetColorIndex(4);
    const Raised raised = choose(colorButton(), "theClose");
    EXPECT_TRUE(raised.PopupShown);
    EXPECT_EQ(selector->ColorIndex(), 4);
    EXPECT_EQ(raised.Changes, 0);
    EXPECT_TRUE(raised.Properties.isEmpty());
}

TEST_F(LuColorSelectorTest, SettingPropertiesFromCodeNeverRaisesChange)
{
    QSignalSpy change(selector, &LuColorSelector::Change);
    QSignalSpy changed(selector, &LuColorSelector::PropertyChanged);
    selector->SetColorIndex(3);
    selector->SetBackIndex(4);
    selector->SetColorEnabled(false);
    selector->SetBackEnabled(false);
    selector->SetEnabled(false);
    selector->SetCaption(QStringLiteral("Образец"));
    selector->UserControl_ReadProperties(PropertyBag(QVariantMap{{QStringLiteral("ColorIndex"), 8}}));
    selector->UserControl_InitProperties();
    EXPECT_EQ(change.count(), 0);
    // Each let of a persisted property but the caption tells the host.
    QStringList names;
    for (const QList<QVariant>& emitted : changed)
        names << emitted.at(0).toString();
    EXPECT_EQ(names.mid(0, 5), (QStringList{"ColorIndex", "BackIndex", "ColorEnabled", "BackEnabled", "Enabled"}));
}

TEST_F(LuColorSelectorTest, ThePopupOpensJustBelowTheControl)
{
    const QPoint corner = selector->mapToGlobal(QPoint(0, selector->height()));
    QPoint shownAt;
    WhenPopupShows close("theClose", [&](LuColorSelectorFrm& aPopup) { shownAt = aPopup.pos(); });
    QTest::mouseClick(backButton(), Qt::LeftButton);
    EXPECT_EQ(shownAt, corner + QPoint(0, 2));
}

TEST_F(LuColorSelectorTest, ResizeKeepsBothButtonsAtTheRightEdgeAndTheSampleFillsTheRest)
{
    for (int width : {400, 175, 76, 40, 10, 0}) {
        selector->resize(width, 30);
        const QRect back = backButton()->geometry();
        const QRect color = colorButton()->geometry();
        EXPECT_EQ(back, QRect(width - 37, 0, 37, 30)) << width;
        EXPECT_EQ(color, QRect(back.left() - 2 - 37, 0, 37, 30)) << width;
        if (color.left() >= 0) {
            EXPECT_EQ(text()->geometry(), QRect(0, 0, color.left(), 30)) << width;
        }
    }
    // Too narrow for the sample: that step is skipped, the sample keeps its last place, and
    // nothing is reported (TearDown).
    selector->resize(400, 30);
    selector->resize(50, 21);
    EXPECT_EQ(backButton()->geometry(), QRect(13, 0, 37, 21));
    EXPECT_EQ(text()->geometry(), QRect(0, 0, 324, 30));
}

struct PersistCase {
    const char* name;
    QVariantMap stored;
    qint32 colorIndex;
    qint32 backIndex;
    bool colorEnabled;
    bool backEnabled;
    QString caption;
    bool enabled;
};

const PersistCase kPersisted[] = {
    {"nothing stored: the defaults", {}, 0, 0, true, true, {}, true},
    {"every property away from its default",
     {{"ColorIndex", 16}, {"BackIndex", 1}, {"ColorEnabled", false}, {"BackEnabled", false},
      {"Caption", QStringLiteral("Сноска")}, {"Enabled", false}},
     16, 1, false, false, QStringLiteral("Сноска"), false},
    {"names in any case", {{"colorindex", 7}, {"COLORENABLED", false}}, 7, 0, false, true, {}, true},
    {"an index out of range stays 0", {{"ColorIndex", 17}, {"BackIndex", -1}}, 0, 0, true, true, {}, true},
    {"a value that is no number takes the default", {{"BackIndex", QStringLiteral("синий")}}, 0, 0, true, true, {}, true},
};

TEST_F(LuColorSelectorTest, PersistedPropertiesAreReadThroughTheLets)
{
    for (const PersistCase& c : kPersisted) {
        LuColorSelector restored;
        restored.UserControl_ReadProperties(PropertyBag(c.stored));
        EXPECT_EQ(restored.ColorIndex(), c.colorIndex) << c.name;
        EXPECT_EQ(restored.BackIndex(), c.backIndex) << c.name;
        EXPECT_EQ(restored.ColorEnabled(), c.colorEnabled) << c.name;
        EXPECT_EQ(restored.BackEnabled(), c.backEnabled) << c.name;
        EXPECT_EQ(restored.Caption(), c.caption) << c.name;
        EXPECT_EQ(restored.Enabled(), c.enabled) << c.name;
    }
}

TEST_F(LuColorSelectorTest, PersistedPropertiesRoundTripAndSkipDefaults)
{
    EXPECT_TRUE(selector->WrittenProperties().isEmpty());

    selector->SetBackIndex(11);
    selector->SetColorEnabled(false);
    selector->SetCaption(QStringLiteral("Текст сноски"));
    const QVariantMap written = selector->WrittenProperties();
    EXPECT_EQ(written, (QVariantMap{{"BackIndex", 11}, {"ColorEnabled", false}, {"Caption", QStringLiteral("Текст сноски")}}));

    LuColorSelector restored;
    restored.ReadPropertiesFrom(written);
    EXPECT_EQ(restored.WrittenProperties(), written);
    EXPECT_EQ(restored.BackIndex(), 11);
    EXPECT_FALSE(FindControl<QPushButton>(&restored, "theSelectColor")->isEnabled());

    // Back to the defaults: nothing is written, even over a bag that held values.
    selector->UserControl_InitProperties();
    PropertyBag bag(written);
    selector->UserControl_WriteProperties(bag);
    EXPECT_TRUE(bag.Values().isEmpty());
}

} // namespace
