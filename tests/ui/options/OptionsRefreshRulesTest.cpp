#include "ui/options/OptionsRefreshRules.h"

#include <gtest/gtest.h>

using OptionsRefreshRules::Choices;
using OptionsRefreshRules::Compute;
using OptionsRefreshRules::Effects;
using OptionsRefreshRules::SelectorLook;

namespace {

Choices with(void (*aChange)(Choices&))
{
    Choices choices;
    aChange(choices);
    return choices;
}

TEST(OptionsRefreshRules, DirectPipeDisablesTheOtherPages)
{
    EXPECT_FALSE(Compute(with([](Choices& c) { c.IsDirectPipe = true; })).PageButtonsEnabled);
    EXPECT_TRUE(Compute(with([](Choices& c) { c.IsDirectPipe = false; })).PageButtonsEnabled);
}

TEST(OptionsRefreshRules, DigitModeDecidesBothDigitFonts)
{
    struct Row {
        qint32 Mode;
        std::optional<bool> ERoos;
        std::optional<bool> Other;
    };
    const Row rows[] = {
        {0, false, false}, {1, false, true}, {2, true, true}, {3, true, true},
        // No choice, or one the list does not have: both stay as they are.
        {-1, std::nullopt, std::nullopt}, {4, std::nullopt, std::nullopt},
    };
    for (const Row& row : rows) {
        Choices choices;
        choices.CSDigitMode = row.Mode;
        const Effects effects = Compute(choices);
        EXPECT_EQ(effects.CsERoosTextEnabled, row.ERoos) << row.Mode;
        EXPECT_EQ(effects.CsOtherTextEnabled, row.Other) << row.Mode;
    }
}

TEST(OptionsRefreshRules, SingleModeSwitchesEnableOnlyForTheirOneMode)
{
    // Each control is enabled for exactly one value of its list.
    struct Row {
        const char* Name;
        qint32 Choices::*Mode;
        bool Effects::*Enabled;
        qint32 EnablingValue;
    };
    const Row rows[] = {
        {"spaced-out font", &Choices::CSSpacedOutMode, &Effects::CsSpacedOutTextEnabled, 3},
        {"bottom footnote colour", &Choices::FtnBottMode, &Effects::BotFtnColorEnabled, 1},
        {"margin footnote colour", &Choices::FtnMargMode, &Effects::FldFtnColorEnabled, 1},
        {"error font", &Choices::ErrMode, &Effects::ErrTextEnabled, 1},
    };
    for (const Row& row : rows)
        for (qint32 value = -1; value <= 4; ++value) {
            Choices choices;
            choices.*row.Mode = value;
            EXPECT_EQ(Compute(choices).*row.Enabled, value == row.EnablingValue) << row.Name << " " << value;
        }
}

TEST(OptionsRefreshRules, RussianModeSetsClassAndSample)
{
    const std::pair<qint32, std::optional<SelectorLook>> rows[] = {
        {0, SelectorLook{4, QStringLiteral("Образец")}},
        {1, SelectorLook{3, QString::fromUtf16(u"\u0412\u044A \u045C\u045F\u043C\u0456\u0430\u045A\u043C\u045B")}},
        {2, SelectorLook{5, QStringLiteral("Въ &#473;&#475;міа&#301;м&#463;")}},
        {-1, std::nullopt},
        {3, std::nullopt},
    };
    for (const auto& [mode, look] : rows) {
        Choices choices;
        choices.RusMode = mode;
        EXPECT_EQ(Compute(choices).RuText, look) << mode;
    }
}

TEST(OptionsRefreshRules, GreekModeSetsClassAndSample)
{
    const std::pair<qint32, std::optional<SelectorLook>> rows[] = {
        {0, SelectorLook{6, QStringLiteral("&#395;&#3bd; &#3b1;&#3c1;&#3c7;&#3ae;")}},
        {1, SelectorLook{7, QStringLiteral("&#1f18;&#3BD; &#1F00;&#3C1;&#3C7;&#1FC7;")}},
        {-1, std::nullopt},
        {2, std::nullopt},
    };
    for (const auto& [mode, look] : rows) {
        Choices choices;
        choices.GreekMode = mode;
        EXPECT_EQ(Compute(choices).GrText, look) << mode;
    }
}

} // namespace
