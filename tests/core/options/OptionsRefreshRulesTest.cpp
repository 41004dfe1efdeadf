// The refresh rules against the options' lists as the dialog offers them: every item of each mode
// list (item k is value k) must do what its text tells the user, and a value outside the list
// (no choice, or one past its end) must leave the controls as they are.
#include "core/options/OptionsTable.h"
#include "core/options/TLuKezOptions.h"
#include "core/options/OptionsRefreshRules.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <vector>

using OptionsRefreshRules::Choices;
using OptionsRefreshRules::Compute;
using OptionsRefreshRules::Effects;
using OptionsRefreshRules::SelectorLook;

namespace {

using Option = qint32 TLuKezOptions::*;

const QStringList& itemsOf(Option aOption) { return OptionsTable::Of(aOption).Items; }

// No choice, and the first value the list does not have.
std::vector<qint32> outsideTheList(Option aOption) { return {-1, qint32(itemsOf(aOption).size())}; }

Effects computeWith(qint32 Choices::*aMode, qint32 aValue)
{
    Choices choices;
    choices.*aMode = aValue;
    return Compute(choices);
}

TEST(OptionsRefreshRules, DirectPipeDisablesTheOtherPages)
{
    Choices choices;
    choices.IsDirectPipe = true;
    EXPECT_FALSE(Compute(choices).PageButtonsEnabled);
    choices.IsDirectPipe = false;
    EXPECT_TRUE(Compute(choices).PageButtonsEnabled);
}

// The eROOS font is usable exactly where the item puts eROOS in; the other font wherever the item
// allows the digits at all.
TEST(OptionsRefreshRules, EachDigitModeEnablesTheFontsItsItemNames)
{
    const QStringList& items = itemsOf(&TLuKezOptions::CSDigitMode);
    ASSERT_EQ(items.size(), 4);
    for (qint32 value = 0; value < items.size(); ++value) {
        const QString& item = items[value];
        const Effects effects = computeWith(&Choices::CSDigitMode, value);
        EXPECT_EQ(effects.CsERoosTextEnabled, std::optional<bool>(item.contains(QLatin1String("eROOS"))))
            << item.toStdString();
        EXPECT_EQ(effects.CsOtherTextEnabled, std::optional<bool>(item != QStringLiteral("Запретить")))
            << item.toStdString();
    }
    for (const qint32 value : outsideTheList(&TLuKezOptions::CSDigitMode)) {
        const Effects effects = computeWith(&Choices::CSDigitMode, value);
        EXPECT_EQ(effects.CsERoosTextEnabled, std::nullopt) << value;
        EXPECT_EQ(effects.CsOtherTextEnabled, std::nullopt) << value;
    }
}

// Each of these controls is usable for exactly the one item of its list that speaks of it.
TEST(OptionsRefreshRules, SingleModeSwitchesEnableForTheOneItemThatUsesTheControl)
{
    const struct {
        Option option;
        qint32 Choices::*mode;
        bool Effects::*enabled;
        const char* word; // what the enabling item, and only it, says
    } rows[] = {
        {&TLuKezOptions::CSSpaceOutMode, &Choices::CSSpacedOutMode, &Effects::CsSpacedOutTextEnabled, "шрифт"},
        {&TLuKezOptions::FtnBottomImpl, &Choices::FtnBottMode, &Effects::BotFtnColorEnabled, "цветом"},
        {&TLuKezOptions::FtnMarginImpl, &Choices::FtnMargMode, &Effects::FldFtnColorEnabled, "цветом"},
        {&TLuKezOptions::ErrorMode, &Choices::ErrMode, &Effects::ErrTextEnabled, "шрифте"},
    };
    for (const auto& row : rows) {
        const QStringList& items = itemsOf(row.option);
        int enabling = 0;
        for (qint32 value = 0; value < items.size(); ++value) {
            const bool expected = items[value].contains(QString::fromUtf8(row.word));
            enabling += expected ? 1 : 0;
            EXPECT_EQ(computeWith(row.mode, value).*row.enabled, expected) << items[value].toStdString();
        }
        EXPECT_EQ(enabling, 1) << row.word;
        for (const qint32 value : outsideTheList(row.option))
            EXPECT_FALSE(computeWith(row.mode, value).*row.enabled) << row.word << " " << value;
    }
}

// Each item of the Russian and Greek lists sets its selector to the font class and sample of the
// script form the item names.
TEST(OptionsRefreshRules, EachRussianAndGreekModeSetsTheClassAndSampleItsItemNames)
{
    struct Look {
        const char* word;
        SelectorLook look;
    };
    const struct {
        Option option;
        qint32 Choices::*mode;
        std::optional<SelectorLook> Effects::*text;
        std::vector<Look> looks;
    } rows[] = {
        {&TLuKezOptions::RusMode,
         &Choices::RusMode,
         &Effects::RuText,
         {{"1251", {fcCyrillicCodePage, QStringLiteral("Образец")}},
          {"ROOS",
           {fcRoos, QString::fromUtf16(u"\u0412\u044A \u045C\u045F\u043C\u0456\u0430\u045A\u043C\u045B")}},
          {"Unicode", {fcCyrillicUnicode, QStringLiteral("Въ &#473;&#475;міа&#301;м&#463;")}}}},
        {&TLuKezOptions::GreekMode,
         &Choices::GreekMode,
         &Effects::GrText,
         {{"1253", {fcGreekCodePage, QStringLiteral("&#395;&#3bd; &#3b1;&#3c1;&#3c7;&#3ae;")}},
          {"Unicode", {fcGreekExtended, QStringLiteral("&#1f18;&#3BD; &#1F00;&#3C1;&#3C7;&#1FC7;")}}}},
    };
    for (const auto& row : rows) {
        const QStringList& items = itemsOf(row.option);
        ASSERT_EQ(items.size(), qsizetype(row.looks.size()));
        for (qint32 value = 0; value < items.size(); ++value) {
            std::vector<SelectorLook> named;
            for (const Look& look : row.looks)
                if (items[value].contains(QLatin1String(look.word)))
                    named.push_back(look.look);
            ASSERT_EQ(named.size(), 1u) << items[value].toStdString();
            EXPECT_EQ(computeWith(row.mode, value).*row.text, named.front()) << items[value].toStdString();
        }
        for (const qint32 value : outsideTheList(row.option))
            EXPECT_EQ(computeWith(row.mode, value).*row.text, std::nullopt) << value;
    }
}

} // namespace
