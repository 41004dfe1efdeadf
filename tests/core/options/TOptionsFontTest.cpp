#include "core/options/TOptionsFont.h"
#include "core/options/RegistrySpy.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <functional>

using platform::kHKeyCurrentUser;

namespace {

const QString kFontKey = QStringLiteral("Software\\Torvane Software\\KEZConv\\ErrorText");

class OptionsFont : public ::testing::Test {
protected:
    OptionsFont() { defaults.FillWith(QStringLiteral("Courier New"), 16, false, false, 0, 5); }

    TOptionsFont read(const QString& aKey = kFontKey)
    {
        TOptionsFont font;
        font.ReadFromRegistry(kHKeyCurrentUser, aKey, defaults);
        return font;
    }

    TestEnvironment environment;
    TOptionsFont defaults;
};

} // namespace

TEST_F(OptionsFont, EachStoredValueChangesOnlyItsOwnFieldAndAMissingKeyGivesTheDefaults)
{
    EXPECT_EQ(read(), defaults);
    const struct {
        const char* name;
        QVariant stored;
        std::function<void(TOptionsFont&)> change;
    } cases[] = {
        {"Pitch", 12, [](TOptionsFont& f) { f.Size = 12; }},
        {"FaceName", QStringLiteral("Ponomar Unicode"), [](TOptionsFont& f) { f.Face = QStringLiteral("Ponomar Unicode"); }},
        {"Bold", QStringLiteral("yes"), [](TOptionsFont& f) { f.Bold = true; }},
        {"Bold", QStringLiteral("maybe"), [](TOptionsFont&) {}},
        {"Italic", true, [](TOptionsFont& f) { f.Italic = true; }},
        // Colour indexes and sizes have no range.
        {"Fore", -4, [](TOptionsFont& f) { f.ForeColorIndex = -4; }},
        {"Back", 100000, [](TOptionsFont& f) { f.BackColorIndex = 100000; }},
        {"Pitch", QStringLiteral("large"), [](TOptionsFont&) {}},
        {"Back", QStringLiteral("7"), [](TOptionsFont& f) { f.BackColorIndex = 7; }},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString key = kFontKey + QStringLiteral("\\Case%1").arg(++n);
        Store(key, QString::fromLatin1(c.name), c.stored);
        TOptionsFont expected;
        expected.AssignFrom(defaults);
        c.change(expected);
        EXPECT_EQ(read(key), expected) << c.name << " = " << c.stored.toString().toStdString();
    }
}

TEST_F(OptionsFont, AnUnknownBoldWordKeepsWhicheverDefault)
{
    Store(kFontKey, QStringLiteral("Bold"), QStringLiteral("maybe"));
    defaults.Bold = true;
    EXPECT_TRUE(read().Bold);
}

TEST_F(OptionsFont, WritingAndReadingBackGivesTheSameRecordWithTheNameAsTextAndTheRestAsNumbers)
{
    TOptionsFont written;
    written.FillWith(QStringLiteral("Палатино \"Linotype\""), 23, false, true, 12, 16);
    written.WriteToRegistry(kHKeyCurrentUser, kFontKey);
    EXPECT_EQ(read(), written);
    EXPECT_EQ(StoredType(kFontKey, QStringLiteral("FaceName")), platform::RegType::Sz);
    for (const char* name : {"Pitch", "Bold", "Italic", "Fore", "Back"})
        EXPECT_EQ(StoredType(kFontKey, QString::fromLatin1(name)), platform::RegType::Dword) << name;
}

TEST_F(OptionsFont, ACopyStaysUnchangedWhenItsSourceChanges)
{
    TOptionsFont source, copy, original;
    source.FillWith(QStringLiteral("Original"), 11, true, true, 2, 3);
    original.FillWith(QStringLiteral("Original"), 11, true, true, 2, 3);
    copy.AssignFrom(source);
    EXPECT_EQ(copy, source);
    source.FillWith(QStringLiteral("Changed"), 20, false, false, 4, 5);
    EXPECT_EQ(copy, original);
    EXPECT_NE(copy, source);
}
