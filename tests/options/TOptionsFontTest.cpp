#include "options/TOptionsFont.h"
#include "errors/KezError.h"
#include "options/RegistrySpy.h"
#include "options/miRegistryTools.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <functional>

using namespace miRegistryTools;
using platform::kHKeyCurrentUser;

namespace {

const QString kFontKey = QStringLiteral("Software\\Torvane Software\\KEZConv\\ErrorText");

class OptionsFont : public ::testing::Test {
protected:
    OptionsFont() { defaults.FillWith(QStringLiteral("Courier New"), 16, true, false, 0, 5); }

    TOptionsFont read()
    {
        TOptionsFont font;
        font.ReadFromRegistry(kHKeyCurrentUser, kFontKey, defaults);
        return font;
    }
    TOptionsFont defaultsWith(const std::function<void(TOptionsFont&)>& change)
    {
        TOptionsFont expected;
        expected.AssignFrom(defaults);
        change(expected);
        return expected;
    }

    TestEnvironment environment;
    TOptionsFont defaults;
};

} // namespace

TEST_F(OptionsFont, AMissingKeyGivesTheDefaults)
{
    EXPECT_EQ(read(), defaults);
}

TEST_F(OptionsFont, AKeyWithOnlyThePitchChangesOnlyTheSize)
{
    WriteLongValue(kHKeyCurrentUser, kFontKey, QStringLiteral("Pitch"), 12);
    EXPECT_EQ(read(), defaultsWith([](TOptionsFont& f) { f.Size = 12; }));
}

TEST_F(OptionsFont, AKeyWithOnlyTheFaceNameKeepsTheOtherFiveDefaults)
{
    WriteStrValue(kHKeyCurrentUser, kFontKey, QStringLiteral("FaceName"), QStringLiteral("Ponomar Unicode"));
    EXPECT_EQ(read(), defaultsWith([](TOptionsFont& f) { f.Face = QStringLiteral("Ponomar Unicode"); }));
}

TEST_F(OptionsFont, EachValueNameFillsItsOwnField)
{
    WriteLongValue(kHKeyCurrentUser, kFontKey, QStringLiteral("Fore"), 3);
    EXPECT_EQ(read(), defaultsWith([](TOptionsFont& f) { f.ForeColorIndex = 3; }));
    WriteLongValue(kHKeyCurrentUser, kFontKey, QStringLiteral("Back"), 9);
    EXPECT_EQ(read(), defaultsWith([](TOptionsFont& f) {
                  f.ForeColorIndex = 3;
                  f.BackColorIndex = 9;
              }));
    WriteBoolValue(kHKeyCurrentUser, kFontKey, QStringLiteral("Italic"), true);
    EXPECT_EQ(read(), defaultsWith([](TOptionsFont& f) {
                  f.ForeColorIndex = 3;
                  f.BackColorIndex = 9;
                  f.Italic = true;
              }));
}

TEST_F(OptionsFont, BoldAsTheWordYesIsTrueAndAnUnknownWordKeepsTheDefault)
{
    defaults.Bold = false;
    WriteStrValue(kHKeyCurrentUser, kFontKey, QStringLiteral("Bold"), QStringLiteral("yes"));
    EXPECT_TRUE(read().Bold);
    WriteStrValue(kHKeyCurrentUser, kFontKey, QStringLiteral("Bold"), QStringLiteral("maybe"));
    EXPECT_FALSE(read().Bold);
    defaults.Bold = true;
    EXPECT_TRUE(read().Bold);
}

TEST_F(OptionsFont, ReadableIntegersAreAcceptedWhateverTheirValue)
{
    WriteLongValue(kHKeyCurrentUser, kFontKey, QStringLiteral("Pitch"), 0);
    WriteLongValue(kHKeyCurrentUser, kFontKey, QStringLiteral("Fore"), -4);
    WriteLongValue(kHKeyCurrentUser, kFontKey, QStringLiteral("Back"), 100000);
    const TOptionsFont font = read();
    EXPECT_EQ(font.Size, 0);
    EXPECT_EQ(font.ForeColorIndex, -4);
    EXPECT_EQ(font.BackColorIndex, 100000);
}

TEST_F(OptionsFont, AnUnreadableIntegerKeepsTheDefault)
{
    WriteStrValue(kHKeyCurrentUser, kFontKey, QStringLiteral("Pitch"), QStringLiteral("large"));
    WriteStrValue(kHKeyCurrentUser, kFontKey, QStringLiteral("Back"), QStringLiteral("7"));
    const TOptionsFont font = read();
    EXPECT_EQ(font.Size, 16);
    EXPECT_EQ(font.BackColorIndex, 7);
}

TEST_F(OptionsFont, WritingAndReadingBackGivesTheSameRecord)
{
    TOptionsFont written;
    written.FillWith(QStringLiteral("Палатино \"Linotype\""), 23, false, true, 12, 16);
    written.WriteToRegistry(kHKeyCurrentUser, kFontKey);
    EXPECT_EQ(read(), written);
}

TEST_F(OptionsFont, WritingStoresSixValuesInOrderWithTheirTypes)
{
    RegistrySpy spy;
    platform::ScopedService<platform::Registry> substitute(spy);
    TOptionsFont font;
    font.FillWith(QStringLiteral("Face"), 10, true, false, 1, 2);
    font.WriteToRegistry(kHKeyCurrentUser, kFontKey);
    const QString key = kFontKey + QLatin1Char('|');
    EXPECT_EQ(spy.writes, (QStringList{key + QStringLiteral("FaceName|1"), key + QStringLiteral("Pitch|4"),
                                       key + QStringLiteral("Bold|4"), key + QStringLiteral("Italic|4"),
                                       key + QStringLiteral("Fore|4"), key + QStringLiteral("Back|4")}));
    EXPECT_TRUE(ReadBoolValueDef(kHKeyCurrentUser, kFontKey, QStringLiteral("Bold"), false));
    EXPECT_EQ(ReadLongValueDef(kHKeyCurrentUser, kFontKey, QStringLiteral("Italic"), 5), 0);
}

TEST_F(OptionsFont, ACopyStaysUnchangedWhenItsSourceChanges)
{
    TOptionsFont source;
    source.FillWith(QStringLiteral("Original"), 11, true, true, 2, 3);
    TOptionsFont copy;
    copy.AssignFrom(source);
    EXPECT_EQ(copy, source);
    source.FillWith(QStringLiteral("Changed"), 20, false, false, 4, 5);
    EXPECT_EQ(copy.Face, QStringLiteral("Original"));
    EXPECT_EQ(copy.Size, 11);
    EXPECT_TRUE(copy.Bold);
    EXPECT_TRUE(copy.Italic);
    EXPECT_EQ(copy.ForeColorIndex, 2);
    EXPECT_EQ(copy.BackColorIndex, 3);
}

TEST_F(OptionsFont, AnUnexpectedFailureNamesTheFontOnItsTrail)
{
    RegistrySpy spy;
    spy.throwOnOpen = true;
    platform::ScopedService<platform::Registry> substitute(spy);
    TOptionsFont font;
    try {
        font.ReadFromRegistry(kHKeyCurrentUser, kFontKey, defaults);
        ADD_FAILURE() << "the failure was swallowed";
    } catch (const KezError& failure) {
        EXPECT_TRUE(failure.source().contains(QStringLiteral("::TOptionsFont.ReadFromRegistry]\r\n")))
            << failure.source().toStdString();
        EXPECT_TRUE(failure.source().contains(QStringLiteral("::miRegistryTools.ReadStrValueDef]")));
    }
}
