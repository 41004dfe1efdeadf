#include "core/common/ScopedOverride.h"
#include "support/FakeFontEnumeration.h"

#include "core/errors/mErrorHandling.h"
#include "core/fonts/miFont.h"

#include <QStringList>
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <optional>

namespace {

QStringList FacesOf(const InstalledFontCollection* aList)
{
    QStringList faces;
    if (aList)
        for (const TInstalledFontRef& font : *aList)
            faces << font->Face;
    return faces;
}

TInstalledFont Font(const QString& aFace, quint32 aUni0 = 0, quint32 aCp0 = 0)
{
    TInstalledFont font;
    font.Face = aFace;
    font.UniCover0 = aUni0;
    font.CpCover0 = aCp0;
    return font;
}

// Error reports of one test, instead of the error window.
class CatalogueTest : public ::testing::Test {
protected:
    // The error window's stand-in for this test; the previous presenter comes back after it.
    std::optional<ScopedOverride<mErrorHandling::Presenter>> mReportsInstalled;

    CatalogueTest()
    {
        mReportsInstalled.emplace(mErrorHandling::presenter(), [this](const QString& aMessage, const QString& aSource, qint32) {
            reports << aSource + QLatin1Char('|') + aMessage;
        });
    }
    ~CatalogueTest() override { mReportsInstalled.reset(); }

    ScopedFakeFonts fake;
    QStringList reports;
};

constexpr quint32 kLatinAll = (1u << 0) | (1u << 1) | (1u << 2) | (1u << 3) | (1u << 29);

} // namespace

TEST_F(CatalogueTest, FirstEntryOfAFaceWinsWhetherRepeatedPerCharacterSetOrInOtherLetterCase)
{
    fake.fonts.add("Beta", 1, 4).add("Alpha", 2, 0).add("Beta", 99, 99).add("ALPHA", 7, 7).add("beta", 5, 5);
    const auto list = miFont::GetInstalledFonts();
    ASSERT_TRUE(list);
    EXPECT_EQ(FacesOf(list.get()), (QStringList{"Alpha", "Beta"}));
    for (const TInstalledFontRef& font : *list) {
        if (font->Face == "Beta") {
            EXPECT_EQ(font->UniCover0, 1u);
            EXPECT_EQ(font->CpCover0, 4u);
        } else {
            EXPECT_EQ(font->UniCover0, 2u);
        }
    }
    EXPECT_TRUE(list->Contains("bEtA"));
}

TEST_F(CatalogueTest, NonTrueTypeEntriesAreSkippedEvenWhenTheyComeFirst)
{
    fake.fonts.add("Raster", 1, 1, false).add("Outline", 1, 1).add("Raster", 2, 2, false).add("Mixed", 0, 0, false)
        .add("Mixed", 3, 3, true);
    const auto list = miFont::GetInstalledFonts();
    EXPECT_EQ(FacesOf(list.get()), (QStringList{"Mixed", "Outline"}));
    EXPECT_EQ(list->First()->Face, "Mixed");
    EXPECT_EQ(list->First()->UniCover0, 3u);
}

TEST_F(CatalogueTest, EmptyEnumerationGivesAnEmptyCatalogue)
{
    const auto list = miFont::GetInstalledFonts();
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->IsEmpty());
    const auto sorted = miFont::SortFontList(*list);
    ASSERT_TRUE(sorted);
    EXPECT_NE(sorted.get(), list.get());
    EXPECT_TRUE(sorted->IsEmpty());
    EXPECT_TRUE(reports.isEmpty());
}

TEST_F(CatalogueTest, AllSixWordsOfTheSignatureAreKept)
{
    platform::EnumeratedFont entry{"Words", true, {{1, 2, 3, 4}, {5, 6}}, {}};
    fake.fonts.records = {entry};
    const auto list = miFont::GetInstalledFonts();
    ASSERT_EQ(list->Count(), 1);
    const TInstalledFont& font = *list->First();
    EXPECT_EQ((std::vector<quint32>{font.UniCover0, font.UniCover1, font.UniCover2, font.UniCover3, font.CpCover0,
                                    font.CpCover1}),
              (std::vector<quint32>{1, 2, 3, 4, 5, 6}));
}

TEST_F(CatalogueTest, FamilyKeepsTheFilesOfAllItsFacesOnceEach)
{
    const auto record = [](const char* aFace, const char* aFile, bool aTrueType = true) {
        platform::EnumeratedFont font;
        font.face = aFace;
        font.trueType = aTrueType;
        font.file = aFile;
        return font;
    };
    fake.fonts.records = {record("Serif", "/f/serif.ttf"), record("Sans", ""), record("SERIF", "/f/serif-bold.ttf"),
                          record("Serif", "/f/serif.ttf"), record("Serif", "/f/serif.pcf", false)};
    const auto list = miFont::GetInstalledFonts();
    ASSERT_EQ(list->Count(), 2);
    for (const TInstalledFontRef& font : *list)
        EXPECT_EQ(font->Files, font->Face == "Serif" ? QStringList({"/f/serif.ttf", "/f/serif-bold.ttf"}) : QStringList())
            << font->Face.toStdString();
}

TEST_F(CatalogueTest, FaceNamesAreCutToWhatLogfontHoldsAndEmptyNamesAreSkipped)
{
    fake.fonts.add("").add(QString(40, QLatin1Char('x'))).add(QString(31, QLatin1Char('x')) + "yy");
    const auto list = miFont::GetInstalledFonts();
    // The two long names are one face once cut.
    EXPECT_EQ(FacesOf(list.get()), QStringList{QString(31, QLatin1Char('x'))});
}

TEST_F(CatalogueTest, FailingEnumerationIsReportedAndGivesNoCatalogue)
{
    fake.fonts.fail = true;
    EXPECT_FALSE(miFont::GetInstalledFonts());
    ASSERT_EQ(reports.size(), 1);
    EXPECT_TRUE(reports[0].contains("miFont.GetInstalledFonts")) << reports[0].toStdString();
}

TEST(FontSortTest, LowerCasedNamesInCodeUnitOrder)
{
    struct Case {
        const char* what;
        QStringList given;
        QStringList sorted;
    };
    const Case cases[] = {
        {"space after the first letter sorts first", {"Ab", "A b", "a c"}, {"A b", "a c", "Ab"}},
        {"digits before letters", {"Zeta", "2Fonts", "alpha", "10 Serif"}, {"10 Serif", "2Fonts", "alpha", "Zeta"}},
        {"a proper prefix first", {"Times New Roman", "Times", "Times New"}, {"Times", "Times New", "Times New Roman"}},
        {"Cyrillic after Latin, ё after я by code unit",
         {QStringLiteral("Ёлка"), QStringLiteral("Яблоко"), QStringLiteral("арбуз"), "Zeta"},
         {"Zeta", QStringLiteral("арбуз"), QStringLiteral("Яблоко"), QStringLiteral("Ёлка")}},
        {"case is ignored", {"b", "C", "a", "D"}, {"a", "b", "C", "D"}},
        {"compared lower-cased: _ before b though after B", {"AB", "a_b", "a b"}, {"a b", "a_b", "AB"}},
    };
    for (const Case& c : cases) {
        InstalledFontCollection list;
        for (const QString& face : c.given)
            list.Add(std::make_shared<TInstalledFont>(Font(face)), face);
        const auto sorted = miFont::SortFontList(list);
        ASSERT_TRUE(sorted) << c.what;
        EXPECT_EQ(FacesOf(sorted.get()), c.sorted) << c.what;
        EXPECT_EQ(FacesOf(&list), c.given) << c.what << ": the argument is left as it was";
    }
}

TEST(FontSortTest, SortedCatalogueSharesTheFamiliesOfItsArgument)
{
    InstalledFontCollection list;
    auto font = std::make_shared<TInstalledFont>(Font("Only"));
    list.Add(font, font->Face);
    const auto sorted = miFont::SortFontList(list);
    EXPECT_EQ(sorted->First().get(), font.get());
}

TEST(FontClassTest, EachClassFollowsItsOwnRule)
{
    struct Case {
        TInstalledFont font;
        std::vector<qint32> classes; // the classes from 0 to 8 the font suits
    };
    const Case cases[] = {
        {Font("Test Ucs"), {0, 1}},
        {Font("TEST UCS"), {0, 1}},
        {Font("Sample eRoos"), {0, 2}},
        {Font("Sample Roos"), {0, 3}},
        {Font("SAMPLE ROOS"), {0, 3}},
        {Font("Test Serif", 0xFFFFFFFF, 0xFFFFFFFF), {0, 4, 5, 6, 7, 8}},
        {Font("Cp1251", 0, 1u << 2), {0, 4}},
        {Font("Cyrillic", 1u << 9, 0), {0, 5}},
        {Font("Cp1253", 0, 1u << 3), {0, 6}},
        {Font("Greek Ext", 1u << 30, 0), {0, 7}},
        {Font("Latin", kLatinAll, 0), {0, 8}},
        {Font("Latin Without Additional", kLatinAll & ~(1u << 29), 0), {0}},
        {Font("Latin Without Extended-B", kLatinAll & ~(1u << 3), 0), {0}},
        {Font("Ucs Roos eRoos", 0, 0), {0, 1, 2}},
    };
    for (const Case& c : cases) {
        for (qint32 fontClass = 0; fontClass <= 8; ++fontClass) {
            const bool expected = std::find(c.classes.begin(), c.classes.end(), fontClass) != c.classes.end();
            EXPECT_EQ(c.font.IsAppropriateFor(fontClass), expected)
                << c.font.Face.toStdString() << " class " << fontClass;
        }
        for (qint32 other : {9, -1, 100, std::numeric_limits<qint32>::min()})
            EXPECT_FALSE(c.font.IsAppropriateFor(other)) << c.font.Face.toStdString() << " class " << other;
    }
}

// The whole chain over real font files: a private fontconfig configuration that sees only the
// test fonts; afterwards the system's configuration again, for the tests that draw text.
class InstalledTestFontsTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("FONTCONFIG_FILE", KEZ_TEST_FONT_DIR "/fonts.conf"); }
    void TearDown() override
    {
        qunsetenv("FONTCONFIG_FILE");
        miFont::GetInstalledFonts();
    }
};

TEST_F(InstalledTestFontsTest, CatalogueAndClassesComeOutAsTheFontsWereBuilt)
{
    const auto list = miFont::GetInstalledFonts();
    ASSERT_TRUE(list);
    EXPECT_EQ(FacesOf(list.get()),
              (QStringList{"Sample eRoos", "Sample Roos", "Test Family With A Very Long Na", "Test Greek",
                           "Test Greek Extended", "Test Latin", "Test Latin Partial", "Test No Os2", "Test Otf",
                           "Test Sans Condensed", "Test Serif", "Test Ucs", "Test Words",
                           QStringLiteral("Тестовый Шрифт")}));
    const auto suiting = [&](qint32 aClass) {
        QStringList faces;
        for (const TInstalledFontRef& font : *list)
            if (font->IsAppropriateFor(aClass))
                faces << font->Face;
        return faces;
    };
    EXPECT_EQ(suiting(1), QStringList{"Test Ucs"});
    EXPECT_EQ(suiting(2), QStringList{"Sample eRoos"});
    EXPECT_EQ(suiting(3), QStringList{"Sample Roos"});
    EXPECT_EQ(suiting(4), (QStringList{"Test Otf", "Test Serif", "Test Ucs", "Test Words", QStringLiteral("Тестовый Шрифт")}));
    EXPECT_EQ(suiting(5), (QStringList{"Test Otf", "Test Serif", "Test Ucs", "Test Words", QStringLiteral("Тестовый Шрифт")}));
    EXPECT_EQ(suiting(6), (QStringList{"Test Greek", "Test Serif"}));
    EXPECT_EQ(suiting(7), (QStringList{"Test Greek Extended", "Test Serif"}));
    EXPECT_EQ(suiting(8), (QStringList{"Test Latin", "Test Serif"}));
    EXPECT_TRUE(suiting(9).isEmpty());
}
