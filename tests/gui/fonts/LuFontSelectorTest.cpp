#include "gui/fonts/FontDialogFixture.h"

#include "support/FormControls.h"
#include "gui/colors/ColorRefColor.h"
#include "gui/fonts/LuFontSelector.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

namespace {

class FontSelectorTest : public FontDialogFixture {
protected:
    FontSelectorTest() { selector.resize(300, 21); }

    QLineEdit* text() { return FindControl<QLineEdit>(&selector, "theText"); }
    QPushButton* select() { return FindControl<QPushButton>(&selector, "theSelect"); }
    // A click on ". . ." with aUser acting in the dialog it opens.
    void choose(const std::function<void(LuFontSelectorFrm&)>& aUser)
    {
        const ScopedOverride<LuFontSelectorFrm::ModalHook> user(LuFontSelectorFrm::modalHook(), [&](LuFontSelectorFrm& aDialog) {
            QApplication::setActiveWindow(&aDialog);
            aUser(aDialog);
        });
        QTest::mouseClick(select(), Qt::LeftButton);
    }

    LuFontSelector selector;
};

TOptionsFont Font(const QString& aFace, qint32 aSize, bool aBold, bool aItalic, qint32 aFore = 0, qint32 aBack = 0)
{
    TOptionsFont font;
    font.FillWith(aFace, aSize, aBold, aItalic, aFore, aBack);
    return font;
}

} // namespace

TEST_F(FontSelectorTest, DescriptionNamesFaceSizeAndStyleInTheFontsColours)
{
    struct Case {
        TOptionsFont font;
        const char* description;
    };
    const Case cases[] = {
        {Font("Arial", 10, false, false), "Arial, 10"},
        {Font("Times New Roman", 12, true, true, 2, 5), "Times New Roman, 12, Bold, Italic"},
        {Font("Arial", 8, false, true, 16, 1), "Arial, 8, Italic"},
        {Font("", 0, true, false), ", 0, Bold"},
    };
    for (const Case& c : cases) {
        selector.SetTheFont(c.font);
        EXPECT_EQ(text()->text(), c.description);
        EXPECT_EQ(text()->palette().color(QPalette::Text), ToQColor(miColor::ColorIndexToColor(c.font.ForeColorIndex)));
        EXPECT_EQ(text()->palette().color(QPalette::Base), ToQColor(miColor::BackIndexToColor(c.font.BackColorIndex)));
    }
}

TEST_F(FontSelectorTest, TheFontIsCopiedBothWays)
{
    TOptionsFont given = Font("Arial", 10, false, false);
    selector.SetTheFont(given);
    given.Face = "Changed";
    TOptionsFont first = selector.TheFont();
    const TOptionsFont second = selector.TheFont();
    EXPECT_EQ(first, second);
    EXPECT_NE(&first, &second);
    first.Size = 99;
    EXPECT_EQ(selector.TheFont().Size, 10);
    EXPECT_EQ(selector.TheFont().Face, "Arial");
    EXPECT_EQ(second.Size, 10);
}

TEST_F(FontSelectorTest, DialogGetsTheHeldFontDecodedSampleAndPartStates)
{
    selector.SetTheFont(Font("Arial", 11, true, false, 3, 4));
    selector.SetExampleText(QStringLiteral("&#3bd;x"));
    selector.SetAppropriateClass(5);
    selector.SetOnlyAppropriate(false);
    selector.SetStateFace(1);
    selector.SetStateBack(2);
    choose([&](LuFontSelectorFrm& aDialog) {
        EXPECT_EQ(*aDialog.TheFont, selector.TheFont());
        EXPECT_EQ(aDialog.ExampleText, QString(QChar(0x3BD)) + "x");
        EXPECT_EQ(aDialog.AppropriateClass, 5);
        EXPECT_FALSE(aDialog.OnlyAppropriate);
        EXPECT_EQ(aDialog.StateFace, 1);
        EXPECT_EQ(aDialog.StateSize, 0);
        EXPECT_EQ(aDialog.StateBack, 2);
        FindControl<QPushButton>(&aDialog, "theCancel")->click();
    });
}

TEST_F(FontSelectorTest, CancelChangesNothingAndRaisesNoChange)
{
    selector.SetTheFont(Font("Arial", 10, false, false));
    QSignalSpy changes(&selector, &LuFontSelector::Change);
    choose([&](LuFontSelectorFrm& aDialog) {
        FindControl<QLineEdit>(&aDialog, "theFaceText")->setText("Tinos");
        FindControl<QPushButton>(&aDialog, "theCancel")->click();
    });
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(selector.TheFont(), Font("Arial", 10, false, false));
    EXPECT_EQ(text()->text(), "Arial, 10");
}

TEST_F(FontSelectorTest, ConfirmedChoiceIsTakenAnnouncedAndDescribed)
{
    selector.SetTheFont(Font("Arial", 10, false, false));
    selector.SetOnlyAppropriate(true);
    QSignalSpy changes(&selector, &LuFontSelector::Change);
    QString describedAtChange;
    QObject::connect(&selector, &LuFontSelector::Change, &selector, [&] { describedAtChange = text()->text(); });
    choose([&](LuFontSelectorFrm& aDialog) {
        FindControl<QLineEdit>(&aDialog, "theFaceText")->setText("Tinos");
        FindControl<QLineEdit>(&aDialog, "theSizeText")->setText("16");
        FindControl<QCheckBox>(&aDialog, "theOnlyAppropriate")->click();
        FindControl<QPushButton>(&aDialog, "theOK")->click();
    });
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(describedAtChange, "Arial, 10"); // Change comes before the description is refreshed
    EXPECT_EQ(selector.TheFont(), Font("Tinos", 16, false, false));
    EXPECT_EQ(text()->text(), "Tinos, 16");
    EXPECT_TRUE(selector.OnlyAppropriate()); // the dialog's filter state is not taken back
}

TEST_F(FontSelectorTest, DisabledLooksGreyAndEnabledAgainShowsWindowColours)
{
    selector.SetTheFont(Font("Arial", 10, false, false, 2, 4));
    QSignalSpy notified(&selector, &LuFontSelector::PropertyChanged);
    const QPalette system = QApplication::palette();

    selector.SetEnabled(false);
    EXPECT_FALSE(text()->isEnabled());
    EXPECT_FALSE(select()->isEnabled());
    EXPECT_TRUE(selector.isEnabled());
    EXPECT_EQ(text()->palette().color(QPalette::Disabled, QPalette::Text), system.color(QPalette::Dark));
    EXPECT_EQ(text()->palette().color(QPalette::Disabled, QPalette::Base), system.color(QPalette::Button));

    selector.SetEnabled(true);
    EXPECT_TRUE(text()->isEnabled());
    EXPECT_TRUE(select()->isEnabled());
    EXPECT_EQ(text()->palette().color(QPalette::Text), system.color(QPalette::Text));
    EXPECT_EQ(text()->palette().color(QPalette::Base), system.color(QPalette::Base));
    ASSERT_EQ(notified.count(), 2);
    EXPECT_EQ(notified[0][0].toString(), "Enabled");

    selector.SetTheFont(selector.TheFont());
    EXPECT_EQ(text()->palette().color(QPalette::Text), ToQColor(miColor::ColorIndexToColor(2)));
    // The plain properties notify nobody.
    selector.SetExampleText("x");
    selector.SetStateFace(2);
    EXPECT_EQ(notified.count(), 2);
}

TEST_F(FontSelectorTest, ButtonKeepsItsWidthAtTheRightEdgeWhateverTheWidth)
{
    const int button = 555 / 15;
    selector.show();
    for (int width : {300, 60, button, 20, 0}) {
        selector.resize(width, 25);
        EXPECT_EQ(select()->geometry(), QRect(width - button, 0, button, 25)) << width;
        if (width >= button) {
            EXPECT_EQ(text()->geometry(), QRect(0, 0, width - button, 25)) << width;
        }
    }
    EXPECT_EQ(select()->text(), ". . .");
}

TEST_F(FontSelectorTest, PersistedPropertiesStoreOnlyWhatDiffersFromTheDefaults)
{
    EXPECT_TRUE(selector.WrittenProperties().isEmpty());
    EXPECT_EQ(selector.ExampleText(), QStringLiteral("Образец"));
    EXPECT_TRUE(selector.OnlyAppropriate());

    selector.SetExampleText("Sample");
    selector.SetAppropriateClass(7);
    selector.SetOnlyAppropriate(false);
    selector.SetStateItalic(2);
    const QVariantMap written = selector.WrittenProperties();
    EXPECT_EQ(written.keys(), (QStringList{"AppropriateClass", "ExampleText", "OnlyAppropriate", "StateItalic"}));

    LuFontSelector other;
    QSignalSpy notified(&other, &LuFontSelector::PropertyChanged);
    other.ReadPropertiesFrom({{"exampletext", "Lower"}, {"STATEBACK", 1}, {"enabled", false}});
    EXPECT_EQ(other.ExampleText(), "Lower");
    EXPECT_EQ(other.StateBack(), 1);
    EXPECT_FALSE(other.Enabled());
    EXPECT_FALSE(FindControl<QPushButton>(&other, "theSelect")->isEnabled());
    EXPECT_EQ(other.AppropriateClass(), 0);
    EXPECT_EQ(notified.count(), 1);

    other.UserControl_InitProperties();
    EXPECT_TRUE(other.WrittenProperties().isEmpty());
}

TEST_F(FontSelectorTest, EveryPersistedPropertyIsReadThroughItsLetAndWrittenBack)
{
    const QVariantMap stored = {{"ExampleText", "Sample"}, {"AppropriateClass", 7}, {"OnlyAppropriate", false},
                                {"Enabled", false},        {"StateFace", 1},        {"StateSize", 2},
                                {"StateBold", 1},          {"StateItalic", 2},      {"StateFore", 1},
                                {"StateBack", 2}};
    selector.ReadPropertiesFrom(stored);
    const std::pair<const char*, QVariant> read[] = {
        {"ExampleText", selector.ExampleText()}, {"AppropriateClass", selector.AppropriateClass()},
        {"OnlyAppropriate", selector.OnlyAppropriate()}, {"Enabled", selector.Enabled()},
        {"StateFace", selector.StateFace()},     {"StateSize", selector.StateSize()},
        {"StateBold", selector.StateBold()},     {"StateItalic", selector.StateItalic()},
        {"StateFore", selector.StateFore()},     {"StateBack", selector.StateBack()},
    };
    for (const auto& [name, value] : read)
        EXPECT_EQ(value, stored.value(QLatin1String(name))) << name;
    EXPECT_EQ(selector.WrittenProperties(), stored);
}

TEST_F(FontSelectorTest, DecodeCharRefsIsTheControlsOwn)
{
    EXPECT_EQ(LuFontSelector::DecodeCharRefs(QStringLiteral("&#473;")), QString(QChar(0x473)));
}
