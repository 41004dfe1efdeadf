#pragma once
// Shared by the options dialog tests: a fully non-default options object, a field-by-field
// comparison, and driving a modal dialog from inside its own event loop.
#include "core/options/TLuKezOptions.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace OptionsTestSupport {

// The nine fonts in the dialog's order, by name for messages.
struct FontField {
    const char* Name;
    TOptionsFont& (*Font)(TLuKezOptions&);
};
inline const FontField kFontFields[9] = {
    {"Ucs8Text", [](TLuKezOptions& o) -> TOptionsFont& { return o.Ucs8Text(); }},
    {"CSERoosText", [](TLuKezOptions& o) -> TOptionsFont& { return o.CSERoosText(); }},
    {"CSOtherText", [](TLuKezOptions& o) -> TOptionsFont& { return o.CSOtherText(); }},
    {"CSSpaceOutText", [](TLuKezOptions& o) -> TOptionsFont& { return o.CSSpaceOutText(); }},
    {"RussText", [](TLuKezOptions& o) -> TOptionsFont& { return o.RussText(); }},
    {"GreekText", [](TLuKezOptions& o) -> TOptionsFont& { return o.GreekText(); }},
    {"LatinText", [](TLuKezOptions& o) -> TOptionsFont& { return o.LatinText(); }},
    {"NonSupportText", [](TLuKezOptions& o) -> TOptionsFont& { return o.NonSupportText(); }},
    {"ErrorText", [](TLuKezOptions& o) -> TOptionsFont& { return o.ErrorText(); }},
};

// Every integer different from its default and from the others where its range allows, every
// font field different from every other font's.
inline void FillDistinct(TLuKezOptions& aOptions)
{
    aOptions.IsDirectPipe = true;
    aOptions.SourceEncoding = 2;
    aOptions.DontShowOptions = true;
    aOptions.CSDigitMode = 1;
    aOptions.CSSpaceOutMode = 2;
    aOptions.RusMode = 2;
    aOptions.GreekMode = 0;
    aOptions.ErrorMode = 0;
    aOptions.NSModeSpecComm = 0;
    aOptions.NSModeCommands = 1;
    aOptions.NSModeFunction = 3;
    aOptions.NSModeVariants = 1;
    aOptions.FtnBottomImpl = 1;
    aOptions.FtnBottomBack = 11;
    aOptions.FtnMarginImpl = 0;
    aOptions.FtnMarginBack = 13;
    for (int i = 0; i < 9; ++i)
        kFontFields[i].Font(aOptions).FillWith(QStringLiteral("Face %1").arg(i), 9 + i, i % 2 == 0, i % 3 == 0,
                                              1 + i, 16 - i);
}

inline void ExpectSameOptions(TLuKezOptions& aActual, TLuKezOptions& aExpected)
{
    EXPECT_EQ(aActual.IsDirectPipe, aExpected.IsDirectPipe);
    EXPECT_EQ(aActual.SourceEncoding, aExpected.SourceEncoding);
    EXPECT_EQ(aActual.DontShowOptions, aExpected.DontShowOptions);
    EXPECT_EQ(aActual.CSDigitMode, aExpected.CSDigitMode);
    EXPECT_EQ(aActual.CSSpaceOutMode, aExpected.CSSpaceOutMode);
    EXPECT_EQ(aActual.RusMode, aExpected.RusMode);
    EXPECT_EQ(aActual.GreekMode, aExpected.GreekMode);
    EXPECT_EQ(aActual.ErrorMode, aExpected.ErrorMode);
    EXPECT_EQ(aActual.NSModeSpecComm, aExpected.NSModeSpecComm);
    EXPECT_EQ(aActual.NSModeCommands, aExpected.NSModeCommands);
    EXPECT_EQ(aActual.NSModeFunction, aExpected.NSModeFunction);
    EXPECT_EQ(aActual.NSModeVariants, aExpected.NSModeVariants);
    EXPECT_EQ(aActual.FtnBottomImpl, aExpected.FtnBottomImpl);
    EXPECT_EQ(aActual.FtnBottomBack, aExpected.FtnBottomBack);
    EXPECT_EQ(aActual.FtnMarginImpl, aExpected.FtnMarginImpl);
    EXPECT_EQ(aActual.FtnMarginBack, aExpected.FtnMarginBack);
    for (const FontField& field : kFontFields)
        EXPECT_TRUE(field.Font(aActual) == field.Font(aExpected)) << field.Name;
}

// Runs aWhileShown once the modal dialog found by aFind is on screen (looking again every 10 ms,
// aTriesLeft times). aWhileShown must end the dialog; should it not, the dialog is closed after a
// while so that the test fails, not hangs.
inline void WhenModalShown(std::function<QDialog*()> aFind, std::function<void(QDialog&)> aWhileShown,
                           int aTriesLeft = 500)
{
    QTimer::singleShot(aTriesLeft == 500 ? 0 : 10, [aFind, aWhileShown, aTriesLeft] {
        QDialog* dialog = aFind();
        if (dialog && dialog->isVisible()) {
            aWhileShown(*dialog);
            QTimer::singleShot(5000, dialog, [dialog] {
                if (dialog->isVisible()) {
                    ADD_FAILURE() << "the dialog was left open";
                    dialog->hide();
                }
            });
        } else if (aTriesLeft > 0) {
            WhenModalShown(aFind, aWhileShown, aTriesLeft - 1);
        } else {
            ADD_FAILURE() << "the dialog never showed";
        }
    });
}

// The visible top-level dialog of the given kind.
template <class Dialog>
Dialog* VisibleDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<Dialog*>(widget); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

} // namespace OptionsTestSupport
