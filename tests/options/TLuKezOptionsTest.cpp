#include "options/TLuKezOptions.h"
#include "errors/KezError.h"
#include "options/RegistrySpy.h"
#include "options/miRegistryTools.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <gtest/gtest.h>

#include <vector>

using namespace miRegistryTools;
using platform::kHKeyCurrentUser;

namespace {

const QString kKey = QStringLiteral("Software\\Torvane Software\\KEZConv");

// The stored layout: value names and ranges of the integers, subkeys of the fonts.
struct IntegerEntry {
    const char* name;
    qint32 TLuKezOptions::*member;
    qint32 minimum;
    qint32 maximum;
    qint32 defaultValue;
};
const std::vector<IntegerEntry> kIntegers = {
    {"SourceEncoding", &TLuKezOptions::SourceEncoding, 0, 2, 1},
    {"CSDigitMode", &TLuKezOptions::CSDigitMode, 0, 3, 3},
    {"CSSpaceOutMode", &TLuKezOptions::CSSpaceOutMode, 0, 3, 1},
    {"RusMode", &TLuKezOptions::RusMode, 0, 2, 0},
    {"GreekMode", &TLuKezOptions::GreekMode, 0, 1, 1},
    {"ErrorMode", &TLuKezOptions::ErrorMode, 0, 1, 1},
    {"NSMode_Function", &TLuKezOptions::NSModeFunction, 0, 3, 2},
    {"NSMode_Variants", &TLuKezOptions::NSModeVariants, 0, 3, 2},
    {"NSMode_SpecComm", &TLuKezOptions::NSModeSpecComm, 0, 3, 2},
    {"NSMode_Commands", &TLuKezOptions::NSModeCommands, 0, 3, 2},
    {"FtnBottom_Impl", &TLuKezOptions::FtnBottomImpl, 0, 1, 0},
    {"FtnBottom_Back", &TLuKezOptions::FtnBottomBack, 0, 16, 0},
    {"FtnMargin_Impl", &TLuKezOptions::FtnMarginImpl, 0, 1, 1},
    {"FtnMargin_Back", &TLuKezOptions::FtnMarginBack, 0, 16, 4},
};

struct FontEntry {
    const char* subkey;
    TOptionsFont& (*font)(TLuKezOptions&);
};
const std::vector<FontEntry> kFonts = {
    {"Ucs8Text", [](TLuKezOptions& o) -> TOptionsFont& { return o.Ucs8Text(); }},
    {"CS_ERoosText", [](TLuKezOptions& o) -> TOptionsFont& { return o.CSERoosText(); }},
    {"CS_OtherText", [](TLuKezOptions& o) -> TOptionsFont& { return o.CSOtherText(); }},
    {"CS_SpaceOutText", [](TLuKezOptions& o) -> TOptionsFont& { return o.CSSpaceOutText(); }},
    {"RussText", [](TLuKezOptions& o) -> TOptionsFont& { return o.RussText(); }},
    {"GreekText", [](TLuKezOptions& o) -> TOptionsFont& { return o.GreekText(); }},
    {"LatinText", [](TLuKezOptions& o) -> TOptionsFont& { return o.LatinText(); }},
    {"ErrorText", [](TLuKezOptions& o) -> TOptionsFont& { return o.ErrorText(); }},
    {"NonSupportText", [](TLuKezOptions& o) -> TOptionsFont& { return o.NonSupportText(); }},
};

// The order of the stored entries: integers and font subkeys interleaved.
const QStringList kWriteOrder = {
    QStringLiteral("SourceEncoding"), QStringLiteral("\\Ucs8Text"), QStringLiteral("CSDigitMode"),
    QStringLiteral("\\CS_ERoosText"), QStringLiteral("\\CS_OtherText"), QStringLiteral("CSSpaceOutMode"),
    QStringLiteral("\\CS_SpaceOutText"), QStringLiteral("RusMode"), QStringLiteral("\\RussText"),
    QStringLiteral("GreekMode"), QStringLiteral("\\GreekText"), QStringLiteral("\\LatinText"),
    QStringLiteral("ErrorMode"), QStringLiteral("\\ErrorText"), QStringLiteral("\\NonSupportText"),
    QStringLiteral("NSMode_Function"), QStringLiteral("NSMode_Variants"), QStringLiteral("NSMode_SpecComm"),
    QStringLiteral("NSMode_Commands"), QStringLiteral("FtnBottom_Impl"), QStringLiteral("FtnBottom_Back"),
    QStringLiteral("FtnMargin_Impl"), QStringLiteral("FtnMargin_Back")};

TOptionsFont& font(TLuKezOptions& options, const FontEntry& entry) { return entry.font(options); }
const TOptionsFont& font(const TLuKezOptions& options, const FontEntry& entry)
{
    return entry.font(const_cast<TLuKezOptions&>(options));
}

void expectSameOptions(const TLuKezOptions& actual, const TLuKezOptions& expected)
{
    EXPECT_EQ(actual.IsDirectPipe, expected.IsDirectPipe);
    EXPECT_EQ(actual.DontShowOptions, expected.DontShowOptions);
    for (const IntegerEntry& entry : kIntegers)
        EXPECT_EQ(actual.*entry.member, expected.*entry.member) << entry.name;
    for (const FontEntry& entry : kFonts)
        EXPECT_EQ(font(actual, entry), font(expected, entry)) << entry.subkey;
}

qint32 nonDefault(const IntegerEntry& entry)
{
    return entry.defaultValue == entry.maximum ? entry.minimum : entry.maximum;
}

class KezOptions : public ::testing::Test {
protected:
    KezOptions() { defaults.FillWithDefaults(); }

    TestEnvironment environment;
    TLuKezOptions defaults;
};

} // namespace

TEST_F(KezOptions, DefaultsAreThoseOfTheTables)
{
    for (const IntegerEntry& entry : kIntegers)
        EXPECT_EQ(defaults.*entry.member, entry.defaultValue) << entry.name;
    EXPECT_EQ(defaults.ErrorText().BackColorIndex, 5);
    EXPECT_TRUE(defaults.NonSupportText().Bold);
    EXPECT_EQ(defaults.CSERoosText().Face, QStringLiteral("Orthodox.tt eRoos"));
    EXPECT_EQ(defaults.GreekText().Face, QStringLiteral("Palatino Linotype"));
}

TEST_F(KezOptions, AFirstRunWithoutAnyKeyYieldsExactlyTheDefaults)
{
    TLuKezOptions options;
    options.ReadFromRegistry(kHKeyCurrentUser, kKey, defaults);
    expectSameOptions(options, defaults);
    EXPECT_FALSE(QFile::exists(environment.registryFile())) << "reading writes nothing";
}

TEST_F(KezOptions, AStoredRusModeOfThreeReadsAsTheDefault)
{
    WriteLongValue(kHKeyCurrentUser, kKey, QStringLiteral("RusMode"), 3);
    defaults.RusMode = 0;
    TLuKezOptions options;
    options.ReadFromRegistry(kHKeyCurrentUser, kKey, defaults);
    EXPECT_EQ(options.RusMode, 0);
}

TEST_F(KezOptions, TheMarginHighlightAcceptsSixteenButNotSeventeenOrMinusOne)
{
    const struct {
        qint32 stored;
        qint32 read;
    } cases[] = {{16, 16}, {17, 4}, {-1, 4}, {0, 0}};
    for (const auto& c : cases) {
        WriteLongValue(kHKeyCurrentUser, kKey, QStringLiteral("FtnMargin_Back"), c.stored);
        TLuKezOptions options;
        options.ReadFromRegistry(kHKeyCurrentUser, kKey, defaults);
        EXPECT_EQ(options.FtnMarginBack, c.read) << c.stored;
    }
}

TEST_F(KezOptions, EachIntegerIsReadFromItsOwnValueNameAndNothingElse)
{
    int n = 0;
    for (const IntegerEntry& entry : kIntegers) {
        const QString key = kKey + QStringLiteral("\\Case%1").arg(++n);
        WriteLongValue(kHKeyCurrentUser, key, QString::fromLatin1(entry.name), nonDefault(entry));
        TLuKezOptions options;
        options.ReadFromRegistry(kHKeyCurrentUser, key, defaults);

        TLuKezOptions expected;
        expected.AssignFrom(defaults);
        expected.*entry.member = nonDefault(entry);
        SCOPED_TRACE(entry.name);
        expectSameOptions(options, expected);
    }
}

TEST_F(KezOptions, EachIntegerJustOutsideItsRangeReadsAsTheDefault)
{
    int n = 0;
    for (const IntegerEntry& entry : kIntegers) {
        for (const qint32 stored : {entry.minimum - 1, entry.maximum + 1}) {
            const QString key = kKey + QStringLiteral("\\Case%1").arg(++n);
            WriteLongValue(kHKeyCurrentUser, key, QString::fromLatin1(entry.name), stored);
            TLuKezOptions options;
            options.ReadFromRegistry(kHKeyCurrentUser, key, defaults);
            EXPECT_EQ(options.*entry.member, entry.defaultValue) << entry.name << " stored as " << stored;
        }
    }
}

TEST_F(KezOptions, EachFontIsReadFromItsOwnSubkeyAndNothingElse)
{
    int n = 0;
    for (const FontEntry& entry : kFonts) {
        const QString key = kKey + QStringLiteral("\\Case%1").arg(++n);
        WriteStrValue(kHKeyCurrentUser, key + QLatin1Char('\\') + QString::fromLatin1(entry.subkey),
                      QStringLiteral("FaceName"), QStringLiteral("Probe"));
        TLuKezOptions options;
        options.ReadFromRegistry(kHKeyCurrentUser, key, defaults);

        TLuKezOptions expected;
        expected.AssignFrom(defaults);
        font(expected, entry).Face = QStringLiteral("Probe");
        SCOPED_TRACE(entry.subkey);
        expectSameOptions(options, expected);
    }
}

TEST_F(KezOptions, WritingStoresEveryEntryUnderItsNameInTheLayoutOrder)
{
    RegistrySpy spy;
    platform::ScopedService<platform::Registry> substitute(spy);
    defaults.WriteToRegistry(kHKeyCurrentUser, kKey);

    QStringList expected;
    for (const QString& entry : kWriteOrder) {
        if (entry.startsWith(QLatin1Char('\\'))) {
            for (const char* value : {"FaceName|1", "Pitch|4", "Bold|4", "Italic|4", "Fore|4", "Back|4"})
                expected << kKey + entry + QLatin1Char('|') + QString::fromLatin1(value);
        } else {
            expected << kKey + QLatin1Char('|') + entry + QStringLiteral("|4");
        }
    }
    EXPECT_EQ(spy.writes, expected);
}

TEST_F(KezOptions, EachIntegerIsWrittenUnderItsOwnValueName)
{
    // Writing checks no range, so every member can carry a value of its own.
    TLuKezOptions options;
    options.AssignFrom(defaults);
    qint32 distinct = 100;
    for (const IntegerEntry& entry : kIntegers)
        options.*entry.member = distinct++;
    options.WriteToRegistry(kHKeyCurrentUser, kKey);
    distinct = 100;
    for (const IntegerEntry& entry : kIntegers)
        EXPECT_EQ(ReadLongValueDef(kHKeyCurrentUser, kKey, QString::fromLatin1(entry.name), -99), distinct++)
            << entry.name;
}

TEST_F(KezOptions, TheSettingsFileHoldsTheStoredNames)
{
    TLuKezOptions options;
    options.AssignFrom(defaults);
    options.FtnMarginBack = 16;
    options.WriteToRegistry(kHKeyCurrentUser, kKey);
    QFile file(environment.registryFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Torvane Software\\KEZConv]\n"
                                             "\"SourceEncoding\"=dword:00000001\n"
                                             "\"CSDigitMode\"=dword:00000003\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("\"FtnMargin_Back\"=dword:00000010\n")));
    for (const FontEntry& entry : kFonts)
        EXPECT_TRUE(text.contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Torvane Software\\KEZConv\\%1]\n"
                                                 "\"FaceName\"=")
                                      .arg(QString::fromLatin1(entry.subkey))))
            << entry.subkey;
    EXPECT_FALSE(text.contains(QStringLiteral("IsDirectPipe")));
    EXPECT_FALSE(text.contains(QStringLiteral("DontShowOptions")));
}

TEST_F(KezOptions, WritingAndReadingBackReproducesEveryStoredMember)
{
    TLuKezOptions written;
    int n = 0;
    for (const IntegerEntry& entry : kIntegers)
        written.*entry.member = nonDefault(entry);
    for (const FontEntry& entry : kFonts) {
        ++n;
        font(written, entry).FillWith(QStringLiteral("Шрифт %1").arg(n), 10 + n, n % 2 == 0, n % 3 == 0, n, 16 - n);
    }
    written.WriteToRegistry(kHKeyCurrentUser, kKey);

    TLuKezOptions read;
    read.ReadFromRegistry(kHKeyCurrentUser, kKey, defaults);
    expectSameOptions(read, written);
}

TEST_F(KezOptions, TheTwoDialogFlagsAreNeverStoredAndReadBackAsFalse)
{
    TLuKezOptions written;
    written.AssignFrom(defaults);
    written.IsDirectPipe = true;
    written.DontShowOptions = true;
    written.WriteToRegistry(kHKeyCurrentUser, kKey);

    TLuKezOptions read;
    read.IsDirectPipe = true;
    read.DontShowOptions = true;
    // Not even defaults with the flags set bring them back.
    read.ReadFromRegistry(kHKeyCurrentUser, kKey, written);
    EXPECT_FALSE(read.IsDirectPipe);
    EXPECT_FALSE(read.DontShowOptions);
}

TEST_F(KezOptions, ACopyHasEveryMemberAndItsOwnFonts)
{
    TLuKezOptions source;
    source.FillWithDefaults();
    source.IsDirectPipe = true;
    source.DontShowOptions = true;
    for (const IntegerEntry& entry : kIntegers)
        source.*entry.member = nonDefault(entry);
    source.GreekText().Face = QStringLiteral("Gentium");

    TLuKezOptions copy;
    copy.AssignFrom(source);
    expectSameOptions(copy, source);

    source.GreekText().Face = QStringLiteral("Changed");
    source.ErrorText().Size = 99;
    EXPECT_EQ(copy.GreekText().Face, QStringLiteral("Gentium"));
    EXPECT_EQ(copy.ErrorText().Size, 16);
}

TEST_F(KezOptions, AnUnexpectedFailureNamesTheOptionsOnItsTrail)
{
    RegistrySpy spy;
    spy.throwOnOpen = true;
    platform::ScopedService<platform::Registry> substitute(spy);
    TLuKezOptions options;
    try {
        options.ReadFromRegistry(kHKeyCurrentUser, kKey, defaults);
        ADD_FAILURE() << "the failure was swallowed";
    } catch (const KezError& failure) {
        EXPECT_TRUE(failure.source().contains(QStringLiteral("::TLuKezOptions.ReadFromRegistry]\r\n")))
            << failure.source().toStdString();
        EXPECT_TRUE(failure.source().contains(QStringLiteral("::miRegistryTools.ReadLongValueRangeDef]")));
    }
}
