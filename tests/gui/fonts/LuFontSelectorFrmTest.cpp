#include "gui/fonts/FontDialogFixture.h"

#include "support/FormControls.h"
#include "gui/colors/ColorRefColor.h"
#include "gui/colors/LuColorSelector.h"
#include "gui/colors/PopupDriver.h"
#include "gui/fonts/FontExampleField.h"

#include <QCheckBox>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {

QStringList Items(const QListWidget* aList)
{
    QStringList items;
    for (int i = 0; i < aList->count(); ++i)
        items << aList->item(i)->text();
    return items;
}

int SelectedRow(const QListWidget* aList)
{
    const QList<QListWidgetItem*> selected = aList->selectedItems();
    return selected.isEmpty() ? -1 : aList->row(selected.first());
}

int TopRow(const QListWidget* aList) { return aList->indexAt(QPoint(2, 2)).row(); }

const FontSample& SampleOf(const LuFontSelectorFrm& aDialog)
{
    return static_cast<const FontExampleField*>(FindControl<QWidget>(&aDialog, "theExampleField"))->Sample();
}

class FontDialogTest : public FontDialogFixture {
protected:
    FontDialogTest()
    {
        dialog.TheFont->FillWith("Arial", 12, false, false, 0, 0);
        dialog.ExampleText = "Abc";
    }
    template <class T>
    T* control(const char* aName) { return FindControl<T>(&dialog, aName); }
    QLineEdit* faceText() { return control<QLineEdit>("theFaceText"); }
    QListWidget* faceList() { return control<QListWidget>("theFaceList"); }
    QLineEdit* sizeText() { return control<QLineEdit>("theSizeText"); }
    QListWidget* sizeList() { return control<QListWidget>("theSizeList"); }
    void retype(QLineEdit* aField, const QString& aText)
    {
        aField->selectAll();
        QTest::keyClick(aField, Qt::Key_Backspace);
        QTest::keyClicks(aField, aText);
    }
    void ok() { QTest::mouseClick(control<QPushButton>("theOK"), Qt::LeftButton); }
    void cancel() { QTest::mouseClick(control<QPushButton>("theCancel"), Qt::LeftButton); }

    LuFontSelectorFrm dialog;
};

} // namespace

TEST_F(FontDialogTest, ControlsSitAtTheirTwipPositionsInTabOrder)
{
    struct Placed {
        const char* name;
        int left, top, width, height;
    };
    const Placed table[] = {
        {"theFaceText", 120, 360, 3015, 315},   {"theFaceList", 240, 720, 2895, 2400},
        {"theBold", 3480, 420, 1995, 315},      {"theItalic", 3480, 840, 1995, 315},
        {"theColor", 3540, 1800, 2055, 315},    {"theOnlyAppropriate", 3480, 2820, 2175, 315},
        {"theSizeText", 5760, 360, 975, 315},   {"theSizeList", 5880, 720, 855, 2400},
        {"theOK", 3780, 4500, 1335, 435},       {"theCancel", 5280, 4500, 1455, 435},
        {"theFaceLabel", 120, 120, 915, 195},   {"theTypefaceLabel", 3300, 120, 1275, 195},
        {"theSizeLabel", 5760, 120, 915, 195},  {"theColorLabel", 3300, 1500, 1275, 195},
        {"theExampleField", 240, 3300, 6480, 1035},
    };
    for (const Placed& p : table)
        EXPECT_EQ(control<QWidget>(p.name)->geometry(), QRect(p.left / 15, p.top / 15, p.width / 15, p.height / 15))
            << p.name;
    EXPECT_EQ(dialog.size(), QSize(6990 / 15, 5085 / 15));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Шрифт"));

    QStringList order;
    run(dialog, [&](LuFontSelectorFrm&) {
        EXPECT_EQ(QApplication::focusWidget(), faceText());
        // The colour selector's own buttons and sample take the focus in its place.
        auto* color = control<LuColorSelector>("theColor");
        for (int i = 0; i < 14; ++i) {
            QWidget* focused = QApplication::focusWidget();
            const QString name = color->isAncestorOf(focused) ? QStringLiteral("theColor") : focused->objectName();
            if (order.isEmpty() || order.last() != name)
                order << name;
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        cancel();
    });
    EXPECT_EQ(order.mid(0, 10), (QStringList{"theFaceText", "theFaceList", "theBold", "theItalic", "theColor",
                                             "theOnlyAppropriate", "theSizeText", "theSizeList", "theOK", "theCancel"}));
}

TEST_F(FontDialogTest, CaptionsAreTheDialogsOwn)
{
    EXPECT_EQ(control<QCheckBox>("theBold")->text(), QStringLiteral("&Полужирное"));
    EXPECT_TRUE(control<QCheckBox>("theBold")->font().bold());
    EXPECT_EQ(control<QCheckBox>("theItalic")->text(), QStringLiteral("&Курсивное"));
    EXPECT_TRUE(control<QCheckBox>("theItalic")->font().italic());
    EXPECT_EQ(control<QCheckBox>("theOnlyAppropriate")->text(), QStringLiteral("То&лько подходящие"));
    EXPECT_EQ(control<QPushButton>("theOK")->text(), QStringLiteral("&OK"));
    EXPECT_TRUE(control<QPushButton>("theOK")->isDefault());
    EXPECT_EQ(control<QPushButton>("theCancel")->text(), QStringLiteral("О&тмена"));
    EXPECT_EQ(control<QLabel>("theFaceLabel")->text(), QStringLiteral("&Шрифт:"));
    EXPECT_EQ(control<QLabel>("theTypefaceLabel")->text(), QStringLiteral("&Начертание:"));
    EXPECT_EQ(control<QLabel>("theSizeLabel")->text(), QStringLiteral("&Размер:"));
    EXPECT_EQ(control<QLabel>("theColorLabel")->text(), QStringLiteral("&Цвет:"));
    EXPECT_EQ(Items(sizeList()), (QStringList{"8", "9", "10", "11", "12", "14", "16", "18", "20", "24", "26", "28",
                                              "36", "48", "72"}));
    EXPECT_EQ(faceText()->maxLength(), 32);
    EXPECT_EQ(sizeText()->maxLength(), 5);
}

TEST_F(FontDialogTest, OpensWithTheListsOnTheFontsFaceAndSizeInCatalogueOrder)
{
    dialog.TheFont->FillWith("times new roman", 14, true, false, 2, 3);
    run(dialog, [&](LuFontSelectorFrm&) {
        EXPECT_EQ(faceList()->count(), 40);
        EXPECT_EQ(faceList()->item(0)->text(), "Arial");
        EXPECT_EQ(faceList()->item(8)->text(), "Times New Roman");
        EXPECT_EQ(SelectedRow(faceList()), 8);
        EXPECT_EQ(faceText()->text(), "times new roman"); // as given, not as listed
        EXPECT_EQ(sizeList()->currentItem()->text(), "14");
        EXPECT_TRUE(control<QCheckBox>("theBold")->isChecked());
        EXPECT_EQ(control<LuColorSelector>("theColor")->ColorIndex(), 2);
        EXPECT_EQ(control<LuColorSelector>("theColor")->BackIndex(), 3);
        cancel();
    });
    EXPECT_EQ(fake.fonts.calls, 1);
}

TEST_F(FontDialogTest, TypedFaceSelectsTheExactItemOrScrollsToTheLongestCommonPrefix)
{
    struct Case {
        const char* typed;
        int selected;
        const char* top;
    };
    const Case cases[] = {
        {"arial", 0, "Arial"},
        {"Tim", -1, "Times New Roman"},       // prefix: scrolled, not selected
        {"Tix", -1, "Times New Roman"},       // partial prefix: first item beginning with "ti"
        {"tinos", 9, "Tinos"},
        {"Qwerty", -1, nullptr},              // no first letter in common: stays where it is
    };
    run(dialog, [&](LuFontSelectorFrm&) {
        for (const Case& c : cases) {
            faceList()->scrollToBottom();
            const int before = TopRow(faceList());
            retype(faceText(), c.typed);
            EXPECT_EQ(SelectedRow(faceList()), c.selected) << c.typed;
            if (c.top)
                EXPECT_EQ(faceList()->item(TopRow(faceList()))->text(), c.top) << c.typed;
            else
                EXPECT_EQ(TopRow(faceList()), before) << c.typed;
            EXPECT_EQ(faceText()->text(), c.typed);
            EXPECT_EQ(SampleOf(dialog).Font.family(), c.typed);
        }
        cancel();
    });
}

TEST_F(FontDialogTest, ClickedFaceGoesIntoTheFieldAndTheSample)
{
    run(dialog, [&](LuFontSelectorFrm&) {
        QListWidgetItem* item = faceList()->item(4);
        QTest::mouseClick(faceList()->viewport(), Qt::LeftButton, {}, faceList()->visualItemRect(item).center());
        EXPECT_EQ(faceText()->text(), "DejaVu Sans");
        EXPECT_EQ(SelectedRow(faceList()), 4);
        EXPECT_EQ(SampleOf(dialog).Font.family(), "DejaVu Sans");
        // A later click still counts: no suppression flag is left behind.
        item = faceList()->item(6);
        QTest::mouseClick(faceList()->viewport(), Qt::LeftButton, {}, faceList()->visualItemRect(item).center());
        EXPECT_EQ(faceText()->text(), "Liberation Serif");
        cancel();
    });
}

TEST_F(FontDialogTest, SizeFieldTakesDigitsAndBackspaceOnlyAndFollowsTheList)
{
    run(dialog, [&](LuFontSelectorFrm&) {
        retype(sizeText(), "1a4-.,e ");
        EXPECT_EQ(sizeText()->text(), "14");
        EXPECT_EQ(sizeList()->selectedItems().value(0)->text(), "14");
        QTest::keyClick(sizeText(), Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(sizeText()->text(), "14");
        QTest::keyClick(sizeText(), Qt::Key_Backspace);
        QTest::keyClick(sizeText(), Qt::Key_3);
        EXPECT_EQ(sizeText()->text(), "13");
        EXPECT_TRUE(sizeList()->selectedItems().isEmpty());
        QTest::mouseClick(sizeList()->viewport(), Qt::LeftButton, {},
                          sizeList()->visualItemRect(sizeList()->item(0)).center());
        EXPECT_EQ(sizeText()->text(), "8");
        EXPECT_EQ(SampleOf(dialog).Font.pixelSize(), 11); // 15 x 8 / 10.5 = 11.4
        cancel();
    });
}

TEST_F(FontDialogTest, SizeFieldRefusesLettersThatComeInPastTheKeys)
{
    run(dialog, [&](LuFontSelectorFrm&) {
        retype(sizeText(), "14");
        // What the middle button does with the window system's selection.
        sizeText()->insert(QStringLiteral("2x"));
        EXPECT_EQ(sizeText()->text(), "14");
        sizeText()->insert(QStringLiteral("2"));
        EXPECT_EQ(sizeText()->text(), "142");
        // Text an input method hands over.
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("pt"));
        QApplication::sendEvent(sizeText(), &composed);
        EXPECT_EQ(sizeText()->text(), "142");
        // And the middle button itself, where the platform has a selection.
        if (QGuiApplication::clipboard()->supportsSelection()) {
            QGuiApplication::clipboard()->setText(QStringLiteral("a1"), QClipboard::Selection);
            QTest::mouseClick(sizeText(), Qt::MiddleButton);
            EXPECT_EQ(sizeText()->text(), "142");
        }
        cancel();
    });
}

// A label's mnemonic moves the focus to its control and does nothing else: "Начертание" to the
// bold check box, which it must not tick.
TEST_F(FontDialogTest, TypefaceLabelsMnemonicFocusesTheBoldBoxWithoutTickingIt)
{
    EXPECT_TRUE(run(dialog, [&](LuFontSelectorFrm& aDialog) {
        auto* bold = FindControl<QCheckBox>(&aDialog, "theBold");
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key(0x041D), QStringLiteral("Н"),
                            Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), bold);
        QTest::qWait(300); // a pressed button is released a tenth of a second later
        EXPECT_FALSE(bold->isChecked());
        ok();
    }));
    EXPECT_FALSE(dialog.TheFont->Bold);
}

TEST_F(FontDialogTest, ColourLabelsMnemonicTakesTheFocusToTheColourChoice)
{
    for (const qint32 foreState : {0, 1}) {
        LuFontSelectorFrm one;
        one.StateFore = foreState;
        run(one, [&](LuFontSelectorFrm& aDialog) {
            EXPECT_EQ(QApplication::focusWidget(), FindControl<QWidget>(&aDialog, "theFaceText"));
            const WhenPopupShows popup([](LuColorSelectorFrm& aPopup) { aPopup.close(); });
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key(0x0426), QStringLiteral("Ц"),
                                Qt::AltModifier);
            // The colour's button when it can be used, else the background's; no palette opens.
            EXPECT_EQ(QApplication::focusWidget(),
                      FindControl<QWidget>(&aDialog, foreState == 0 ? "theSelectColor" : "theSelectBack"))
                << foreState;
            EXPECT_FALSE(popup.shown());
            QTest::mouseClick(FindControl<QPushButton>(&aDialog, "theCancel"), Qt::LeftButton);
        });
    }
}

TEST_F(FontDialogTest, EmptySizeDrawsAtTenButIsRefusedAsZeroIs)
{
    EXPECT_FALSE(run(dialog, [&](LuFontSelectorFrm&) {
        retype(sizeText(), "");
        EXPECT_EQ(SampleOf(dialog).Font.pixelSize(), 14); // 15 x 10 / 10.5 = 14.3
        ok();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(QApplication::focusWidget(), sizeText());
        QTest::mouseClick(control<QPushButton>("theCancel"), Qt::LeftButton);
    }));
    EXPECT_EQ(dialog.TheFont->Size, 12);
    EXPECT_EQ(warnings, QStringList{QStringLiteral("Информация|Размер шрифта должен быть от 1 до 1638.")});
}

TEST_F(FontDialogTest, CtrlASelectsTheWholeSizeSoTheNextDigitReplacesIt)
{
    EXPECT_TRUE(run(dialog, [&](LuFontSelectorFrm&) {
        sizeText()->setFocus();
        sizeText()->setCursorPosition(1);
        QTest::keyClick(sizeText(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(sizeText(), "9");
        ok();
    }));
    EXPECT_EQ(dialog.TheFont->Size, 9);
}

TEST_F(FontDialogTest, ValidationTestsTheFaceFirstThenTheSizeRange)
{
    const QString faceMessage = QStringLiteral("Информация|Необходимо выбрать название шрифта.");
    const QString sizeMessage = QStringLiteral("Информация|Размер шрифта должен быть от 1 до 1638.");
    struct Case {
        const char* face;
        const char* size;
        QString message; // empty: accepted
        const char* focus;
    };
    const Case cases[] = {
        {"", "0", faceMessage, "theFaceText"},   {"Arial", "0", sizeMessage, "theSizeText"},
        {"Arial", "1639", sizeMessage, "theSizeText"}, {"Arial", "1", QString(), nullptr},
        {"Arial", "1638", QString(), nullptr},   {"No Such Face", "12", QString(), nullptr},
    };
    for (const Case& c : cases) {
        LuFontSelectorFrm one;
        warnings.clear();
        const bool accepted = run(one, [&](LuFontSelectorFrm& aDialog) {
            retype(FindControl<QLineEdit>(&aDialog, "theFaceText"), c.face);
            retype(FindControl<QLineEdit>(&aDialog, "theSizeText"), c.size);
            QTest::mouseClick(FindControl<QPushButton>(&aDialog, "theOK"), Qt::LeftButton);
            if (!c.message.isEmpty()) {
                EXPECT_TRUE(aDialog.isVisible()) << c.face << c.size;
                EXPECT_EQ(QApplication::focusWidget()->objectName(), c.focus) << c.face << c.size;
                QTest::mouseClick(FindControl<QPushButton>(&aDialog, "theCancel"), Qt::LeftButton);
            }
        });
        EXPECT_EQ(accepted, c.message.isEmpty()) << c.face << " " << c.size;
        EXPECT_EQ(warnings, c.message.isEmpty() ? QStringList() : QStringList{c.message}) << c.face << c.size;
        if (accepted) {
            EXPECT_EQ(one.TheFont->Face, c.face);
            EXPECT_EQ(one.TheFont->Size, QString(c.size).toInt());
        }
    }
}

TEST_F(FontDialogTest, OkWritesEveryPartIntoTheSameFontObject)
{
    const std::shared_ptr<TOptionsFont> given = dialog.TheFont;
    dialog.StateBold = 1; // a locked part keeps the value it was given
    dialog.TheFont->Bold = true;
    EXPECT_TRUE(run(dialog, [&](LuFontSelectorFrm&) {
        retype(faceText(), "Courier New");
        retype(sizeText(), "20");
        QTest::mouseClick(control<QCheckBox>("theItalic"), Qt::LeftButton);
        control<QCheckBox>("theOnlyAppropriate")->click();
        ok();
    }));
    EXPECT_EQ(dialog.TheFont, given);
    TOptionsFont expected;
    expected.FillWith("Courier New", 20, true, true, 0, 0);
    EXPECT_EQ(*given, expected);
    EXPECT_TRUE(dialog.OnlyAppropriate);
}

TEST_F(FontDialogTest, CancelLeavesTheFontAndTheFilterAsTheyWere)
{
    dialog.OnlyAppropriate = true;
    const TOptionsFont before = *dialog.TheFont;
    EXPECT_FALSE(run(dialog, [&](LuFontSelectorFrm&) {
        retype(faceText(), "Tinos");
        retype(sizeText(), "30");
        control<QCheckBox>("theBold")->click();
        control<QCheckBox>("theOnlyAppropriate")->click();
        cancel();
    }));
    EXPECT_EQ(*dialog.TheFont, before);
    EXPECT_TRUE(dialog.OnlyAppropriate);
    EXPECT_FALSE(dialog.ModalResult);
}

TEST_F(FontDialogTest, EnterPressesTheFocusedButtonAndOkOnlyFromElsewhere)
{
    // Return and the keypad's Enter alike; the button with the focus takes the key.
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        LuFontSelectorFrm cancelled;
        cancelled.TheFont->FillWith("Arial", 12, false, true, 0, 0);
        EXPECT_FALSE(run(cancelled, [&](LuFontSelectorFrm& aDialog) {
            FindControl<QCheckBox>(&aDialog, "theItalic")->click();
            auto* button = FindControl<QPushButton>(&aDialog, "theCancel");
            button->setFocus(Qt::TabFocusReason);
            QTest::keyClick(QApplication::focusWidget(), key);
        })) << key;
        EXPECT_TRUE(cancelled.TheFont->Italic) << key;

        for (const char* focus : {"theOK", "theSizeText", "theItalic"}) {
            LuFontSelectorFrm accepted;
            accepted.TheFont->FillWith("Arial", 12, false, true, 0, 0);
            EXPECT_TRUE(run(accepted, [&](LuFontSelectorFrm& aDialog) {
                FindControl<QCheckBox>(&aDialog, "theItalic")->click();
                FindControl<QWidget>(&aDialog, focus)->setFocus(Qt::TabFocusReason);
                QTest::keyClick(QApplication::focusWidget(), key);
            })) << focus << " " << key;
            EXPECT_FALSE(accepted.TheFont->Italic) << focus << " " << key;
        }
    }
}

TEST_F(FontDialogTest, ClosingTheWindowIsLikeCancel)
{
    EXPECT_FALSE(run(dialog, [&](LuFontSelectorFrm& aDialog) {
        retype(faceText(), "Tinos");
        aDialog.close();
    }));
    EXPECT_EQ(dialog.TheFont->Face, "Arial");
}

TEST_F(FontDialogTest, FilterKeepsTheTypedFaceThatIsNotAppropriate)
{
    dialog.AppropriateClass = 1;
    dialog.TheFont->Face = "Arial";
    EXPECT_TRUE(run(dialog, [&](LuFontSelectorFrm&) {
        EXPECT_EQ(faceList()->count(), 40);
        control<QCheckBox>("theOnlyAppropriate")->click();
        EXPECT_EQ(Items(faceList()), QStringList{"Test Ucs"});
        EXPECT_TRUE(faceList()->selectedItems().isEmpty());
        EXPECT_EQ(faceText()->text(), "Arial");
        control<QCheckBox>("theOnlyAppropriate")->click();
        EXPECT_EQ(SelectedRow(faceList()), 0); // searched again in the full list
        control<QCheckBox>("theOnlyAppropriate")->click();
        ok();
    }));
    EXPECT_EQ(dialog.TheFont->Face, "Arial");
    EXPECT_TRUE(dialog.OnlyAppropriate);
}

TEST_F(FontDialogTest, PartStatesShowLockOrHideTheirControls)
{
    struct Row {
        qint32 face, size, bold, italic, fore, back;
        // Per control: V shown and enabled, d shown but disabled, - hidden.
        const char* expected;
        bool colorEnabled;
        bool backEnabled;
    };
    const char* names[] = {"theFaceText", "theFaceList", "theFaceLabel", "theSizeText", "theSizeList", "theSizeLabel",
                           "theBold", "theItalic", "theTypefaceLabel", "theColor", "theColorLabel"};
    const Row rows[] = {
        {0, 0, 0, 0, 0, 0, "VVVVVVVVVVV", true, true},
        {1, 2, 1, 2, 2, 0, "ddd---d-dVV", false, true},
        {2, 2, 2, 2, 2, 2, "-----------", false, false},
        {0, 0, 0, 1, 1, 1, "VVVVVVVdVdd", false, false},
        {7, -1, 2, 0, 1, 2, "-------VVdd", false, false},
        {0, 0, 2, 0, 0, 2, "VVVVVV-VVVV", true, false},
    };
    for (const Row& row : rows) {
        LuFontSelectorFrm one;
        one.StateFace = row.face;
        one.StateSize = row.size;
        one.StateBold = row.bold;
        one.StateItalic = row.italic;
        one.StateFore = row.fore;
        one.StateBack = row.back;
        run(one, [&](LuFontSelectorFrm& aDialog) {
            const auto look = [&] {
                QString seen;
                for (const char* name : names) {
                    QWidget* widget = FindControl<QWidget>(&aDialog, name);
                    bool enabled = widget->isEnabled();
                    if (auto* color = qobject_cast<LuColorSelector*>(widget))
                        enabled = enabled && color->Enabled();
                    seen += !widget->isVisible() ? QChar('-') : enabled ? QChar('V') : QChar('d');
                }
                return seen;
            };
            EXPECT_EQ(look(), row.expected) << row.expected;
            auto* color = FindControl<LuColorSelector>(&aDialog, "theColor");
            if (color->isVisible() && color->Enabled()) {
                EXPECT_EQ(color->ColorEnabled(), row.colorEnabled) << row.expected;
                EXPECT_EQ(color->BackEnabled(), row.backEnabled) << row.expected;
            }
            // Refilling the list does not bring back a hidden or locked face part.
            FindControl<QCheckBox>(&aDialog, "theOnlyAppropriate")->click();
            EXPECT_EQ(look(), row.expected) << row.expected << " after the filter";
            QTest::mouseClick(FindControl<QPushButton>(&aDialog, "theCancel"), Qt::LeftButton);
        });
    }
}

TEST_F(FontDialogTest, LockedEditorsTakeTheGreyedColours)
{
    dialog.StateFace = 1;
    run(dialog, [&](LuFontSelectorFrm&) {
        const QPalette system = QApplication::palette();
        for (QWidget* editor : {static_cast<QWidget*>(faceText()), static_cast<QWidget*>(faceList())}) {
            EXPECT_EQ(editor->palette().color(QPalette::Disabled, QPalette::Text), system.color(QPalette::Dark));
            EXPECT_EQ(editor->palette().color(QPalette::Disabled, QPalette::Base), system.color(QPalette::Button));
        }
        EXPECT_EQ(sizeText()->palette().color(QPalette::Base), system.color(QPalette::Base));
        cancel();
    });
}
