#pragma once
#include "core/common/ScopedOverride.h"
#include "support/FakeFontEnumeration.h"

#include "core/errors/mErrorHandling.h"
#include "gui/fonts/LuFontSelectorFrm.h"
#include "gui/fonts/miCommonWarning.h"

#include <QApplication>
#include <QStringList>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

// A font dialog over fake installed fonts, its warning boxes and error reports recorded, and
// the user's actions run while it is open.
class FontDialogFixture : public ::testing::Test {
protected:
    // The error window's stand-in for this test; the previous presenter comes back after it.
    std::optional<ScopedOverride<mErrorHandling::Presenter>> mReportsInstalled;
    // Warning boxes are recorded, never shown.
    const ScopedOverride<miCommon::WarningPresenter> mWarningsRecorded{
        miCommon::warningPresenter(),
        [this](const QString& aMessage, const QString& aCaption) { warnings << aCaption + QLatin1Char('|') + aMessage; }};

    FontDialogFixture()
    {
        fake.fonts.add("Arial", 0x201, 0x5).add("Arial Black").add("Arimo").add("Courier New").add("DejaVu Sans", 0x201, 0x5)
            .add("DejaVu Serif").add("Liberation Serif").add("Test Ucs", 0x200, 0x4).add("Times New Roman").add("Tinos");
        for (int i = 0; i < 30; ++i)
            fake.fonts.add(QStringLiteral("Zz Filler %1").arg(i, 2, 10, QLatin1Char('0')));
        mReportsInstalled.emplace(mErrorHandling::presenter(), [this](const QString& aMessage, const QString&, qint32) { errors << aMessage; });
    }
    ~FontDialogFixture() override
    {
        mReportsInstalled.reset();
        EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
    }

    // Execute, with aUser acting in the open dialog.
    bool run(LuFontSelectorFrm& aDialog, const std::function<void(LuFontSelectorFrm&)>& aUser)
    {
        const ScopedOverride<LuFontSelectorFrm::ModalHook> user(LuFontSelectorFrm::modalHook(), [&](LuFontSelectorFrm& aOpen) {
            QApplication::setActiveWindow(&aOpen);
            EXPECT_TRUE(QTest::qWaitForWindowActive(&aOpen));
            aUser(aOpen);
        });
        return aDialog.Execute();
    }

    ScopedFakeFonts fake;
    QStringList warnings;
    QStringList errors;
};
