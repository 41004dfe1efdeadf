#include "core/common/ScopedOverride.h"
#include "gui/options/KezOptionsFrm.h"
#include "core/errors/mErrorHandling.h"
#include "support/FormControls.h"
#include "gui/colors/LuColorSelector.h"
#include "gui/fonts/LuFontSelector.h"
#include "gui/options/LuAboutFrm.h"
#include "gui/options/OptionsTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <optional>

using namespace OptionsTestSupport;

namespace {

const char* const kPageButtons[8] = {"theTSCommon", "theTSSlav",      "theTSRus",      "theTSGreek",
                                     "theTSLatin",  "theTSFootnotes", "theTSSpecComm", "theTSErrors"};
const char* const kPageFrames[8] = {"theTabCommon", "theTabSlav",      "theTabRus",      "theTabGreek",
                                    "theTabLatin",  "theTabFootnotes", "theTabSpecComm", "theTabErrors"};

class KezOptionsFrmTest : public ::testing::Test {
protected:
    // The error window's stand-in for this test; the previous presenter comes back after it.
    std::optional<ScopedOverride<mErrorHandling::Presenter>> mReportsInstalled;

    void SetUp() override
    {
        options.FillWithDefaults();
        mReportsInstalled.emplace(mErrorHandling::presenter(), [this](const QString& aMessage, const QString& aSource, qint32) {
            reports << aSource + QStringLiteral(": ") + aMessage;
        });
    }
    void TearDown() override { mReportsInstalled.reset(); }

    template <class T>
    T* child(const char* aName)
    {
        return FindControl<T>(&dialog, aName);
    }
    QComboBox* list(const char* aName) { return child<QComboBox>(aName); }
    LuFontSelector* fontSelector(const char* aName) { return child<LuFontSelector>(aName); }
    LuColorSelector* colourSelector(const char* aName) { return child<LuColorSelector>(aName); }
    // Near the left edge: option buttons and check boxes take clicks on their box and text only.
    void click(const char* aName)
    {
        QWidget* control = child<QWidget>(aName);
        QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(6, control->height() / 2));
    }

    // Runs Execute; aWhileShown acts as the user would and must end the dialog.
    bool execute(std::function<void()> aWhileShown)
    {
        WhenModalShown([this] { return &dialog; }, [aWhileShown](QDialog&) { aWhileShown(); });
        return dialog.Execute(options);
    }

    // Changes every value the dialog shows, on every page, fonts and colours included.
    void editEveryPage()
    {
        click("theLoadUnconverted");
        click("theConvertToViewable"); // the other pages stay reachable for the rest
        list("theSourceEncoding")->setCurrentIndex(0);
        child<QCheckBox>("theDontShowAgain")->click();
        list("theCsDigitMode")->setCurrentIndex(0);
        list("theCsSpacedOutMode")->setCurrentIndex(3);
        list("theRuMode")->setCurrentIndex(1);
        list("theGrMode")->setCurrentIndex(1);
        list("theBotFtnMode")->setCurrentIndex(0);
        list("theFldFtnMode")->setCurrentIndex(1);
        list("theNsSpecCommMode")->setCurrentIndex(3);
        list("theNsCommandsMode")->setCurrentIndex(0);
        list("theNsFunctionsMode")->setCurrentIndex(0);
        list("theNsVariantsMode")->setCurrentIndex(3);
        list("theErrMode")->setCurrentIndex(1);
        colourSelector("theBotFtnColor")->SetBackIndex(3);
        colourSelector("theFldFtnColor")->SetBackIndex(5);
        for (const char* name : {"theCsUcs8Text", "theCsERoosText", "theCsOtherText", "theCsSpacedOutText", "theRuText",
                                 "theGrText", "theLtText", "theNsText", "theErrText"}) {
            TOptionsFont changed;
            changed.FillWith(QStringLiteral("Edited ") + QLatin1String(name), 30, true, true, 7, 8);
            fontSelector(name)->SetTheFont(changed);
        }
    }

    TLuKezOptions options;
    KezOptionsFrm dialog;
    QStringList reports;
};

TEST_F(KezOptionsFrmTest, OpensOnTheFirstPageWhateverPageWasShownBefore)
{
    dialog.SelectPage(5);
    std::vector<bool> framesShown;
    bool firstButtonDown = false;
    execute([&] {
        for (const char* frame : kPageFrames)
            framesShown.push_back(child<QFrame>(frame)->isVisible());
        firstButtonDown = child<QPushButton>("theTSCommon")->isChecked();
        click("theCancel");
    });
    EXPECT_EQ(framesShown, std::vector<bool>({true, false, false, false, false, false, false, false}));
    EXPECT_TRUE(firstButtonDown);
}

TEST_F(KezOptionsFrmTest, OpeningRefreshesOnceAfterAllValuesAreIn)
{
    FillDistinct(options);
    options.IsDirectPipe = false;
    int refreshes = 0;
    qint32 greekModeAtFirstRefresh = -2;
    QObject::connect(&dialog, &KezOptionsFrm::ControlsRefreshed, [&] {
        if (++refreshes == 1)
            greekModeAtFirstRefresh = dialog.IntGreekMode();
    });
    int refreshesWhenShown = -1;
    execute([&] {
        refreshesWhenShown = refreshes;
        click("theCancel");
    });
    EXPECT_EQ(refreshesWhenShown, 1);
    EXPECT_EQ(greekModeAtFirstRefresh, options.GreekMode);
    // Its results are in place: digit mode 1 leaves only the ordinary digit font usable.
    EXPECT_FALSE(fontSelector("theCsERoosText")->Enabled());
    EXPECT_TRUE(fontSelector("theCsOtherText")->Enabled());
}

TEST_F(KezOptionsFrmTest, DirectPipeChoiceDisablesTheOtherPagesAndStaysOnTheFirst)
{
    std::vector<bool> enabledAfterLoad, enabledAfterConvert;
    bool firstPageShown = false;
    execute([&] {
        click("theLoadUnconverted");
        for (const char* button : kPageButtons)
            enabledAfterLoad.push_back(child<QPushButton>(button)->isEnabled());
        firstPageShown = child<QFrame>("theTabCommon")->isVisible();
        click("theConvertToViewable");
        for (const char* button : kPageButtons)
            enabledAfterConvert.push_back(child<QPushButton>(button)->isEnabled());
        click("theCancel");
    });
    EXPECT_EQ(enabledAfterLoad, std::vector<bool>({true, false, false, false, false, false, false, false}));
    EXPECT_EQ(enabledAfterConvert, std::vector<bool>(8, true));
    EXPECT_TRUE(firstPageShown);
}

TEST_F(KezOptionsFrmTest, ModeListsEnableTheirControlsAsTheUserChooses)
{
    struct Row {
        const char* List;
        int Item;
        const char* Control;
        bool Enabled;
    };
    const Row rows[] = {
        {"theCsDigitMode", 0, "theCsERoosText", false},     {"theCsDigitMode", 0, "theCsOtherText", false},
        {"theCsDigitMode", 1, "theCsERoosText", false},     {"theCsDigitMode", 1, "theCsOtherText", true},
        {"theCsDigitMode", 2, "theCsERoosText", true},      {"theCsDigitMode", 2, "theCsOtherText", true},
        {"theCsDigitMode", 3, "theCsERoosText", true},      {"theCsDigitMode", 3, "theCsOtherText", true},
        {"theCsSpacedOutMode", 2, "theCsSpacedOutText", false}, {"theCsSpacedOutMode", 3, "theCsSpacedOutText", true},
        {"theCsSpacedOutMode", 0, "theCsSpacedOutText", false}, {"theBotFtnMode", 1, "theBotFtnColor", true},
        {"theBotFtnMode", 0, "theBotFtnColor", false},      {"theFldFtnMode", 1, "theFldFtnColor", true},
        {"theFldFtnMode", 0, "theFldFtnColor", false},      {"theErrMode", 0, "theErrText", false},
        {"theErrMode", 1, "theErrText", true},
    };
    dialog.DistributeValues(options);
    for (const Row& row : rows) {
        list(row.List)->setCurrentIndex(row.Item);
        QWidget* control = child<QWidget>(row.Control);
        const bool enabled = qobject_cast<LuColorSelector*>(control)
                                 ? static_cast<LuColorSelector*>(control)->Enabled()
                                 : static_cast<LuFontSelector*>(control)->Enabled();
        EXPECT_EQ(enabled, row.Enabled) << row.List << " " << row.Item << " " << row.Control;
    }
}

TEST_F(KezOptionsFrmTest, RussianAndGreekModesSwitchClassAndSample)
{
    options.RusMode = 0;
    options.GreekMode = 0;
    dialog.DistributeValues(options);
    LuFontSelector* russian = fontSelector("theRuText");
    LuFontSelector* greek = fontSelector("theGrText");
    EXPECT_EQ(russian->AppropriateClass(), 4);
    EXPECT_EQ(russian->ExampleText(), QStringLiteral("Образец"));
    EXPECT_EQ(greek->AppropriateClass(), 6);

    list("theRuMode")->setCurrentIndex(1);
    EXPECT_EQ(russian->AppropriateClass(), 3);
    EXPECT_EQ(russian->ExampleText(), QString::fromUtf16(u"\u0412\u044A \u045C\u045F\u043C\u0456\u0430\u045A\u043C\u045B"));
    list("theRuMode")->setCurrentIndex(2);
    EXPECT_EQ(russian->AppropriateClass(), 5);
    EXPECT_EQ(russian->ExampleText(), QStringLiteral("Въ &#473;&#475;міа&#301;м&#463;"));

    list("theGrMode")->setCurrentIndex(1);
    EXPECT_EQ(greek->AppropriateClass(), 7);
    EXPECT_EQ(greek->ExampleText(), QStringLiteral("&#1f18;&#3BD; &#1F00;&#3C1;&#3C7;&#1FC7;"));
    list("theGrMode")->setCurrentIndex(0);
    EXPECT_EQ(greek->ExampleText(), QStringLiteral("&#395;&#3bd; &#3b1;&#3c1;&#3c7;&#3ae;"));
}

TEST_F(KezOptionsFrmTest, FontSelectorsAreBuiltWithTheirDesignSettings)
{
    const QString slavonic = QString::fromUtf16(u"\u040A\u0431\u0440\u0430\u0437e\u0446\u044A");
    struct Row {
        const char* Name;
        qint32 Class;
        QString Sample;
    };
    const Row rows[] = {
        {"theCsUcs8Text", 1, slavonic},
        {"theCsERoosText", 2, QStringLiteral("12345 #@$%^M")},
        {"theCsOtherText", 0, QStringLiteral("Образец 12345")},
        {"theCsSpacedOutText", 1, slavonic},
        {"theLtText", 8, QStringLiteral("Example")},
        {"theNsText", 4, QStringLiteral("Образец")},
        {"theErrText", 4, QStringLiteral("Образец")},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(fontSelector(row.Name)->AppropriateClass(), row.Class) << row.Name;
        EXPECT_EQ(fontSelector(row.Name)->ExampleText(), row.Sample) << row.Name;
        EXPECT_TRUE(fontSelector(row.Name)->OnlyAppropriate()) << row.Name;
    }
    LuFontSelector* main = fontSelector("theCsUcs8Text");
    EXPECT_EQ(main->StateItalic(), 1);
    EXPECT_EQ(main->StateFore(), 2);
    EXPECT_EQ(main->StateBack(), 2);
    EXPECT_EQ(fontSelector("theCsSpacedOutText")->StateFore(), 0);
    for (const char* name : {"theBotFtnColor", "theFldFtnColor"}) {
        EXPECT_EQ(colourSelector(name)->Caption(), QStringLiteral("Текст сноски"));
        EXPECT_FALSE(colourSelector(name)->ColorEnabled());
        EXPECT_TRUE(colourSelector(name)->BackEnabled());
    }
}

TEST_F(KezOptionsFrmTest, LabelsShowOneAmpersand)
{
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Функции ( <...>&{...} ):")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Варианты ( ?&{...}&{...} ):")));
}

TEST_F(KezOptionsFrmTest, OkWritesBackAnUnchangedObjectEqualAndKeepsItsFontObjects)
{
    FillDistinct(options);
    TLuKezOptions original;
    FillDistinct(original);
    const TOptionsFont* ucs8 = &options.Ucs8Text();
    EXPECT_TRUE(execute([&] { click("theOK"); }));
    ExpectSameOptions(options, original);
    EXPECT_EQ(&options.Ucs8Text(), ucs8);
    EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
}

TEST_F(KezOptionsFrmTest, OkTakesEveryEditedValue)
{
    FillDistinct(options);
    EXPECT_TRUE(execute([&] {
        editEveryPage();
        QTest::keyClick(&dialog, Qt::Key_Return); // OK is the default button
    }));
    EXPECT_FALSE(options.IsDirectPipe);
    EXPECT_FALSE(options.DontShowOptions);
    const struct {
        const char* Name;
        qint32 TLuKezOptions::*Value;
        qint32 Expected;
    } numbers[] = {
        {"SourceEncoding", &TLuKezOptions::SourceEncoding, 0}, {"CSDigitMode", &TLuKezOptions::CSDigitMode, 0},
        {"CSSpaceOutMode", &TLuKezOptions::CSSpaceOutMode, 3}, {"RusMode", &TLuKezOptions::RusMode, 1},
        {"GreekMode", &TLuKezOptions::GreekMode, 1},           {"FtnBottomImpl", &TLuKezOptions::FtnBottomImpl, 0},
        {"FtnBottomBack", &TLuKezOptions::FtnBottomBack, 3},   {"FtnMarginImpl", &TLuKezOptions::FtnMarginImpl, 1},
        {"FtnMarginBack", &TLuKezOptions::FtnMarginBack, 5},   {"NSModeSpecComm", &TLuKezOptions::NSModeSpecComm, 3},
        {"NSModeCommands", &TLuKezOptions::NSModeCommands, 0}, {"NSModeFunction", &TLuKezOptions::NSModeFunction, 0},
        {"NSModeVariants", &TLuKezOptions::NSModeVariants, 3}, {"ErrorMode", &TLuKezOptions::ErrorMode, 1},
    };
    for (const auto& number : numbers)
        EXPECT_EQ(options.*number.Value, number.Expected) << number.Name;
    EXPECT_EQ(options.Ucs8Text().Face, QStringLiteral("Edited theCsUcs8Text"));
    EXPECT_EQ(options.CSSpaceOutText().Face, QStringLiteral("Edited theCsSpacedOutText"));
    EXPECT_EQ(options.RussText().Face, QStringLiteral("Edited theRuText"));
    EXPECT_EQ(options.NonSupportText().Face, QStringLiteral("Edited theNsText"));
    EXPECT_EQ(options.ErrorText().Face, QStringLiteral("Edited theErrText"));
    EXPECT_EQ(options.ErrorText().BackColorIndex, 8);
}

TEST_F(KezOptionsFrmTest, LeavingWithoutOkChangesNothing)
{
    const std::pair<const char*, std::function<void(KezOptionsFrm&)>> ways[] = {
        {"Отмена", [this](KezOptionsFrm&) { click("theCancel"); }},
        {"Esc", [](KezOptionsFrm& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"close box", [](KezOptionsFrm& d) { d.close(); }},
    };
    for (const auto& [way, leave] : ways) {
        TLuKezOptions original;
        FillDistinct(options);
        FillDistinct(original);
        KezOptionsFrm* shown = &dialog;
        const bool result = execute([&, leave = leave] {
            editEveryPage();
            leave(*shown);
        });
        EXPECT_FALSE(result) << way;
        ExpectSameOptions(options, original);
    }
}

TEST_F(KezOptionsFrmTest, EnterPressesTheFocusedButtonAndOkOnlyFromElsewhere)
{
    // What the key sent to the focused control does: Return and the keypad's Enter alike.
    const auto enter = [this](Qt::Key aKey) {
        QApplication::setActiveWindow(&dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(QApplication::focusWidget(), aKey);
    };
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        TLuKezOptions original;
        FillDistinct(options);
        FillDistinct(original);
        bool aboutShown = false;
        bool pageShown = false;
        const bool result = execute([&] {
            editEveryPage();
            child<QPushButton>("theTSSpecComm")->setFocus(Qt::TabFocusReason);
            enter(key);
            pageShown = child<QFrame>("theTabSpecComm")->isVisible() && !child<QFrame>("theTabCommon")->isVisible();
            WhenModalShown([] { return VisibleDialog<LuAboutFrm>(); },
                           [&](QDialog& about) {
                               aboutShown = true;
                               about.close();
                           });
            child<QPushButton>("theAbout")->setFocus(Qt::TabFocusReason);
            enter(key);
            child<QPushButton>("theCancel")->setFocus(Qt::TabFocusReason);
            enter(key);
        });
        EXPECT_FALSE(result) << key;
        EXPECT_TRUE(pageShown) << key;
        EXPECT_TRUE(aboutShown) << key;
        ExpectSameOptions(options, original);

        for (const char* focus : {"theOK", "theSourceEncoding"}) {
            FillDistinct(options);
            EXPECT_TRUE(execute([&] {
                list("theSourceEncoding")->setCurrentIndex(0);
                child<QWidget>(focus)->setFocus(Qt::TabFocusReason);
                enter(key);
            })) << focus << " " << key;
            EXPECT_EQ(options.SourceEncoding, 0) << focus << " " << key;
        }
    }
    EXPECT_TRUE(reports.isEmpty()) << reports.join(QLatin1Char('\n')).toStdString();
}

// Tab stops on the ticked one of "Конвертировать" and "Загрузить как простой текст", either way;
// coming by Tab to a read-only field (a font's or a colour's) leaves what it shows unselected.
TEST_F(KezOptionsFrmTest, TabStopsOnTheTickedChoiceAndLeavesReadOnlyFieldsUnselected)
{
    QString afterTab, afterBacktab;
    bool colourSelected = true;
    execute([&] {
        QApplication::setActiveWindow(&dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        child<QRadioButton>("theLoadUnconverted")->setChecked(true);
        // The stops just outside the group, either way.
        const auto outside = [](QWidget* aFrom, bool aForward) {
            QWidget* w = aFrom;
            do
                w = aForward ? w->nextInFocusChain() : w->previousInFocusChain();
            while (w != aFrom && (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || !w->isEnabled() ||
                                  qobject_cast<QRadioButton*>(w)));
            return w;
        };
        outside(child<QRadioButton>("theConvertToViewable"), false)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        afterTab = QApplication::focusWidget()->objectName();
        outside(child<QRadioButton>("theLoadUnconverted"), true)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        afterBacktab = QApplication::focusWidget()->objectName();

        child<QRadioButton>("theConvertToViewable")->setChecked(true);
        QTest::mouseClick(child<QPushButton>("theTSSlav"), Qt::LeftButton);
        QLineEdit* field = nullptr;
        for (QLineEdit* candidate : child<QFrame>("theTabSlav")->findChildren<QLineEdit*>("theText"))
            if (!field && candidate->isEnabled() && candidate->isReadOnly())
                field = candidate;
        EXPECT_TRUE(field);
        if (field) {
            field->setFocus(Qt::TabFocusReason);
            colourSelected = QApplication::focusWidget() != field || field->hasSelectedText();
        }
        child<QPushButton>("theCancel")->click();
    });
    EXPECT_EQ(afterTab, QStringLiteral("theLoadUnconverted"));
    EXPECT_EQ(afterBacktab, QStringLiteral("theLoadUnconverted"));
    EXPECT_FALSE(colourSelected);
}

// The lowest row of the text's ink in aWidget, in aPage's coordinates: the widget drawn with
// aText and without it, the difference being the text. -1 when nothing differs.
int InkBottom(QWidget* aPage, QWidget* aWidget, const std::function<void(const QString&)>& aSetText)
{
    aSetText(QStringLiteral("HHH"));
    const QImage with = aWidget->grab().toImage();
    aSetText(QString());
    const QImage without = aWidget->grab().toImage();
    int bottom = -1;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x)
            if (with.pixel(x, y) != without.pixel(x, y))
                bottom = y;
    return bottom < 0 ? -1 : aWidget->mapTo(aPage, QPoint(0, bottom)).y();
}

TEST_F(KezOptionsFrmTest, LabelsStandOnTheBaselineOfTheirRowsControlText)
{
    dialog.DistributeValues(options);
    dialog.show();
    int rows = 0;
    for (int k = 0; k < 8; ++k) {
        dialog.SelectPage(k);
        auto* page = child<QFrame>(kPageFrames[k]);
        for (QLabel* label : page->findChildren<QLabel*>()) {
            // The row's control: on the label's right, in the label's row.
            QWidget* control = nullptr;
            for (QWidget* other : label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if ((qobject_cast<QComboBox*>(other) || qobject_cast<LuFontSelector*>(other)) &&
                    other->geometry().contains(other->x(), label->geometry().center().y()) && other->x() > label->x())
                    control = other;
            ASSERT_TRUE(control) << label->text().toStdString();
            SCOPED_TRACE(control->objectName().toStdString());
            const QString caption = label->text();
            const int labelBottom = InkBottom(page, label, [&](const QString& aText) { label->setText(aText); });
            label->setText(caption);
            int controlBottom = -1;
            if (auto* list = qobject_cast<QComboBox*>(control)) {
                const QString item = list->currentText();
                controlBottom = InkBottom(page, list, [&](const QString& aText) {
                    list->setItemText(list->currentIndex(), aText);
                });
                list->setItemText(list->currentIndex(), item);
            } else {
                auto* text = control->findChild<QLineEdit*>(QStringLiteral("theText"));
                ASSERT_TRUE(text);
                controlBottom = InkBottom(page, text, [&](const QString& aText) { text->setText(aText); });
            }
            ASSERT_GE(labelBottom, 0);
            EXPECT_EQ(labelBottom, controlBottom) << label->text().toStdString();
            ++rows;
        }
    }
    EXPECT_GE(rows, 14);
    dialog.hide();
}

TEST_F(KezOptionsFrmTest, UserClickOnAPageButtonShowsThatPageOnly)
{
    dialog.DistributeValues(options);
    dialog.SelectPage(0);
    dialog.show();
    click("theTSFootnotes");
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(child<QFrame>(kPageFrames[k])->isVisible(), k == 5) << k;
        EXPECT_EQ(child<QPushButton>(kPageButtons[k])->isChecked(), k == 5) << k;
    }
    dialog.SelectPage(2);
    EXPECT_TRUE(child<QFrame>("theTabRus")->isVisible());
    EXPECT_FALSE(child<QFrame>("theTabFootnotes")->isVisible());
    dialog.hide();
}

TEST_F(KezOptionsFrmTest, ListValuesNameTheChosenItemOrMinusOne)
{
    dialog.SetIntNsCommandsMode(2);
    EXPECT_EQ(dialog.IntNsCommandsMode(), 2);
    dialog.SetIntNsCommandsMode(-1);
    EXPECT_EQ(dialog.IntNsCommandsMode(), -1);
    EXPECT_EQ(list("theNsCommandsMode")->currentIndex(), -1);
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(KezOptionsFrmTest, ListValueOutsideTheListIsReportedAndChangesNothing)
{
    dialog.SetIntRusMode(1);
    for (qint32 bad : {3, -2, 70000}) {
        reports.clear();
        dialog.SetIntRusMode(bad);
        ASSERT_EQ(reports.size(), 1) << bad;
        EXPECT_TRUE(reports[0].contains(QStringLiteral("KezOptionsFrm.Let-IntRusMode"))) << reports[0].toStdString();
        EXPECT_EQ(dialog.IntRusMode(), 1) << bad;
    }
    EXPECT_FALSE(dialog.IsUpdateLocked());
}

TEST_F(KezOptionsFrmTest, DontShowAgainCountsOnlyAFullTick)
{
    auto* box = child<QCheckBox>("theDontShowAgain");
    box->setTristate(true);
    box->setCheckState(Qt::PartiallyChecked);
    EXPECT_FALSE(dialog.IntDontShowAgain());
    dialog.SetIntDontShowAgain(true);
    EXPECT_EQ(box->checkState(), Qt::Checked);
    EXPECT_TRUE(dialog.IntDontShowAgain());
}

TEST_F(KezOptionsFrmTest, AboutBoxOpensOverTheDialogAndLeavesItAsItWas)
{
    bool aboutShown = false;
    bool stillOpenAfterAbout = false;
    execute([&] {
        click("theTSCommon");
        WhenModalShown([] { return VisibleDialog<LuAboutFrm>(); },
                       [&](QDialog& about) {
                           aboutShown = true;
                           about.close();
                       });
        click("theAbout");
        stillOpenAfterAbout = dialog.isVisible() && child<QFrame>("theTabCommon")->isVisible();
        click("theCancel");
    });
    EXPECT_TRUE(aboutShown);
    EXPECT_TRUE(stillOpenAfterAbout);
}

} // namespace
