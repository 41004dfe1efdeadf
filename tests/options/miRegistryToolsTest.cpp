#include "options/miRegistryTools.h"
#include "errors/mErrorHandling.h"
#include "options/RegistrySpy.h"
#include "support/TestEnvironment.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

using namespace miRegistryTools;
using platform::kHKeyCurrentUser;
namespace RegType = platform::RegType;
namespace RegError = platform::RegError;

namespace {

const QString kKey = QStringLiteral("Software\\Torvane Software\\KEZConv\\Tests");

class RegistryTools : public ::testing::Test {
protected:
    void storeText(const QString& name, const QString& text) { ASSERT_TRUE(WriteStrValue(kHKeyCurrentUser, kKey, name, text)); }
    void storeNumber(const QString& name, qint32 n) { ASSERT_TRUE(WriteLongValue(kHKeyCurrentUser, kKey, name, n)); }
    qint32 readLong(const QString& name, qint32 fallback) { return ReadLongValueDef(kHKeyCurrentUser, kKey, name, fallback); }
    qint32 readRange(const QString& name, qint32 lo, qint32 hi, qint32 fallback)
    {
        return ReadLongValueRangeDef(kHKeyCurrentUser, kKey, name, lo, hi, fallback);
    }
    bool readBool(const QString& name, bool fallback) { return ReadBoolValueDef(kHKeyCurrentUser, kKey, name, fallback); }

    // A value stored through the registry itself, of a type the layer does not write.
    void storeRaw(const QString& name, std::uint32_t type, const std::vector<std::uint8_t>& data)
    {
        auto& registry = platform::service<platform::Registry>();
        platform::RegKey key = 0;
        ASSERT_EQ(registry.createKey(kHKeyCurrentUser, kKey.toStdU16String(), platform::RegAccess::SetValue, &key), 0);
        ASSERT_EQ(registry.setValue(key, name.toStdU16String(), type, data.data(), std::uint32_t(data.size())), 0);
        registry.closeKey(key);
    }

    TestEnvironment environment;
};

} // namespace

TEST_F(RegistryTools, NumericTextReadsAsTheNumberAndOtherTextAsTheDefault)
{
    storeText(QStringLiteral("Twelve"), QStringLiteral("12"));
    storeText(QStringLiteral("Padded"), QStringLiteral(" -7 "));
    storeText(QStringLiteral("Letters"), QStringLiteral("abc"));
    storeText(QStringLiteral("Empty"), QString());
    storeText(QStringLiteral("TooBig"), QStringLiteral("4294967296"));
    EXPECT_EQ(readLong(QStringLiteral("Twelve"), 99), 12);
    EXPECT_EQ(readLong(QStringLiteral("Padded"), 99), -7);
    EXPECT_EQ(readLong(QStringLiteral("Letters"), 99), 99);
    EXPECT_EQ(readLong(QStringLiteral("Empty"), 99), 99);
    EXPECT_EQ(readLong(QStringLiteral("TooBig"), 99), 99);
}

TEST_F(RegistryTools, NumbersReadBackWithTheirSignAndMissingOnesGiveTheDefault)
{
    storeNumber(QStringLiteral("Negative"), -5);
    storeNumber(QStringLiteral("Largest"), 2147483647);
    EXPECT_EQ(readLong(QStringLiteral("Negative"), 0), -5);
    EXPECT_EQ(readLong(QStringLiteral("Largest"), 0), 2147483647);
    EXPECT_EQ(readLong(QStringLiteral("Absent"), 42), 42);
    EXPECT_EQ(ReadLongValueDef(kHKeyCurrentUser, kKey + QStringLiteral("\\NoSuchKey"), QStringLiteral("X"), 43), 43);
}

TEST_F(RegistryTools, ARangeTakesTheDefaultOutsideItAndNeverClamps)
{
    storeNumber(QStringLiteral("Four"), 4);
    storeNumber(QStringLiteral("MinusOne"), -1);
    storeNumber(QStringLiteral("Three"), 3);
    storeNumber(QStringLiteral("Zero"), 0);
    EXPECT_EQ(readRange(QStringLiteral("Four"), 0, 3, 2), 2);
    EXPECT_EQ(readRange(QStringLiteral("MinusOne"), 0, 3, 2), 2);
    EXPECT_EQ(readRange(QStringLiteral("Three"), 0, 3, 2), 3);
    EXPECT_EQ(readRange(QStringLiteral("Zero"), 0, 3, 2), 0);
    EXPECT_EQ(readRange(QStringLiteral("Absent"), 0, 3, 2), 2);
}

TEST_F(RegistryTools, ARangeComparesNumericTextLikeTheNumber)
{
    storeText(QStringLiteral("Three"), QStringLiteral("3"));
    storeText(QStringLiteral("Four"), QStringLiteral("4"));
    storeText(QStringLiteral("Word"), QStringLiteral("three"));
    EXPECT_EQ(readRange(QStringLiteral("Three"), 0, 3, 1), 3);
    EXPECT_EQ(readRange(QStringLiteral("Four"), 0, 3, 1), 1);
    EXPECT_EQ(readRange(QStringLiteral("Word"), 0, 3, 1), 1);
}

TEST_F(RegistryTools, BooleanNumbersAreOneAndZeroOnly)
{
    storeNumber(QStringLiteral("One"), 1);
    storeNumber(QStringLiteral("Zero"), 0);
    storeNumber(QStringLiteral("Two"), 2);
    storeNumber(QStringLiteral("MinusOne"), -1);
    EXPECT_TRUE(readBool(QStringLiteral("One"), false));
    EXPECT_FALSE(readBool(QStringLiteral("Zero"), true));
    EXPECT_TRUE(readBool(QStringLiteral("Two"), true));
    EXPECT_FALSE(readBool(QStringLiteral("Two"), false));
    EXPECT_TRUE(readBool(QStringLiteral("MinusOne"), false));
}

TEST_F(RegistryTools, BooleanWordsAreComparedAfterLowerCasing)
{
    const struct {
        const char* text;
        bool isTrue;
    } words[] = {{"Yes", true},  {"yes", true},   {"Y", true},  {"TRUE", true}, {"1", true},  {"-1", true},
                 {"No", false},  {"n", false},    {"False", false}, {"0", false}, {"", false}};
    for (const auto& word : words) {
        storeText(QStringLiteral("Word"), QString::fromUtf8(word.text));
        EXPECT_EQ(readBool(QStringLiteral("Word"), !word.isTrue), word.isTrue) << word.text;
    }
}

TEST_F(RegistryTools, UnrecognisedBooleanTextsAndTheMarkerGiveTheDefault)
{
    for (const char* text : {"maybe", "*", " yes", "2"}) {
        storeText(QStringLiteral("Word"), QString::fromUtf8(text));
        EXPECT_TRUE(readBool(QStringLiteral("Word"), true)) << text;
        EXPECT_FALSE(readBool(QStringLiteral("Word"), false)) << text;
    }
    EXPECT_TRUE(readBool(QStringLiteral("Absent"), true));
    EXPECT_FALSE(readBool(QStringLiteral("Absent"), false));
}

TEST_F(RegistryTools, TextReadsNumbersInDecimalAndOtherTypesAsTheDefault)
{
    storeNumber(QStringLiteral("Number"), -42);
    ASSERT_TRUE(SaveValue(kHKeyCurrentUser, kKey, QStringLiteral("List"), QStringList{QStringLiteral("a")},
                          RegType::MultiSz));
    ASSERT_TRUE(SaveValue(kHKeyCurrentUser, kKey, QStringLiteral("Bytes"), QByteArray("ab"), RegType::Binary));
    EXPECT_EQ(ReadStrValueDef(kHKeyCurrentUser, kKey, QStringLiteral("Number"), QStringLiteral("d")), QStringLiteral("-42"));
    EXPECT_EQ(ReadStrValueDef(kHKeyCurrentUser, kKey, QStringLiteral("List"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(ReadStrValueDef(kHKeyCurrentUser, kKey, QStringLiteral("Bytes"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(ReadStrValueDef(kHKeyCurrentUser, kKey, QStringLiteral("Absent"), QStringLiteral("d")), QStringLiteral("d"));
}

TEST_F(RegistryTools, ExpandableTextIsNotExpanded)
{
    ASSERT_TRUE(SaveValue(kHKeyCurrentUser, kKey, QStringLiteral("Path"), QStringLiteral("%HOME%\\x"), RegType::ExpandSz));
    QVariant value;
    quint32 type = 0;
    ASSERT_TRUE(LoadValue(kHKeyCurrentUser, kKey, QStringLiteral("Path"), value, type));
    EXPECT_EQ(type, RegType::ExpandSz);
    EXPECT_EQ(value, QVariant(QStringLiteral("%HOME%\\x")));
}

TEST_F(RegistryTools, TextsRoundTripWithEveryCharacter)
{
    const QString text = QStringLiteral("C:\\Документы\\\"Ἐν ἀρχῇ\"\r\nвторая строка");
    storeText(QStringLiteral("Text"), text);
    storeText(QStringLiteral("Empty"), QString());
    EXPECT_EQ(ReadStrValueDef(kHKeyCurrentUser, kKey, QStringLiteral("Text"), QString()), text);
    EXPECT_EQ(ReadStrValueDef(kHKeyCurrentUser, kKey, QStringLiteral("Empty"), QStringLiteral("d")), QString());
}

TEST_F(RegistryTools, ListsRoundTripIncludingEmptyItemsAndTheEmptyList)
{
    const QStringList lists[] = {{QStringLiteral("a"), QStringLiteral("bc")},
                                 {QStringLiteral("a"), QString(), QStringLiteral("Кириллица")},
                                 {QString()},
                                 {}};
    for (const QStringList& list : lists) {
        ASSERT_TRUE(SaveValue(kHKeyCurrentUser, kKey, QStringLiteral("List"), list, RegType::MultiSz));
        QVariant value;
        quint32 type = 0;
        ASSERT_TRUE(LoadValue(kHKeyCurrentUser, kKey, QStringLiteral("List"), value, type));
        EXPECT_EQ(type, RegType::MultiSz);
        EXPECT_EQ(value.toStringList(), list) << list.join(QLatin1Char('|')).toStdString();
    }
}

TEST_F(RegistryTools, ByteArraysRoundTripIncludingZeroBytesAndTheEmptyArray)
{
    for (const QByteArray& bytes : {QByteArray("\0\1\xff\0", 4), QByteArray()}) {
        ASSERT_TRUE(SaveValue(kHKeyCurrentUser, kKey, QStringLiteral("Blob"), bytes, RegType::Binary));
        QVariant value;
        quint32 type = 0;
        ASSERT_TRUE(LoadValue(kHKeyCurrentUser, kKey, QStringLiteral("Blob"), value, type));
        EXPECT_EQ(type, RegType::Binary);
        EXPECT_EQ(value.typeId(), QMetaType::QByteArray);
        EXPECT_EQ(value.toByteArray(), bytes);
    }
}

TEST_F(RegistryTools, NumbersLoadAsSigned32BitIntegers)
{
    storeRaw(QStringLiteral("AllOnes"), RegType::Dword, {0xFF, 0xFF, 0xFF, 0xFF});
    QVariant value;
    quint32 type = 0;
    ASSERT_TRUE(LoadValue(kHKeyCurrentUser, kKey, QStringLiteral("AllOnes"), value, type));
    EXPECT_EQ(type, RegType::Dword);
    EXPECT_EQ(value.typeId(), QMetaType::Int);
    EXPECT_EQ(value.toInt(), -1);
}

TEST_F(RegistryTools, AMissingValueLoadsAsNothingAndRecordsTheCode)
{
    QVariant value(7);
    quint32 type = 9;
    EXPECT_FALSE(LoadValue(kHKeyCurrentUser, kKey, QStringLiteral("Absent"), value, type));
    EXPECT_TRUE(value.isNull());
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(LastRegistryError(), RegError::FileNotFound);
    storeNumber(QStringLiteral("Present"), 1);
    EXPECT_TRUE(LoadValue(kHKeyCurrentUser, kKey, QStringLiteral("Present"), value, type));
    EXPECT_EQ(LastRegistryError(), RegError::Success);
}

TEST_F(RegistryTools, OtherTypesLoadAsNothingWithoutFailing)
{
    storeRaw(QStringLiteral("Wide"), RegType::Qword, {1, 0, 0, 0, 0, 0, 0, 0});
    storeRaw(QStringLiteral("Odd"), 0x55, {1, 2});
    for (const char* name : {"Wide", "Odd"}) {
        QVariant value;
        quint32 type = 0;
        EXPECT_TRUE(LoadValue(kHKeyCurrentUser, kKey, QString::fromLatin1(name), value, type)) << name;
        EXPECT_TRUE(value.isNull()) << name;
        EXPECT_EQ(ReadLongValueDef(kHKeyCurrentUser, kKey, QString::fromLatin1(name), 77), 77) << name;
    }
}

TEST_F(RegistryTools, SavingA64BitNumberWritesNothingAndOtherUnknownTypesFail)
{
    EXPECT_TRUE(SaveValue(kHKeyCurrentUser, kKey, QStringLiteral("Wide"), QVariant(5), RegType::Qword));
    EXPECT_EQ(LastRegistryError(), RegError::Success);
    QVariant value;
    quint32 type = 0;
    EXPECT_FALSE(LoadValue(kHKeyCurrentUser, kKey, QStringLiteral("Wide"), value, type));

    EXPECT_FALSE(SaveValue(kHKeyCurrentUser, kKey, QStringLiteral("Odd"), QVariant(5), 0x55));
    EXPECT_EQ(LastRegistryError(), RegError::InvalidParameter);
    EXPECT_FALSE(LoadValue(kHKeyCurrentUser, kKey, QStringLiteral("Odd"), value, type));
}

TEST_F(RegistryTools, WritingCreatesEveryMissingKeyOnThePath)
{
    const QString deep = QStringLiteral("Software\\New\\Deeper\\Deepest");
    EXPECT_TRUE(WriteBoolValue(kHKeyCurrentUser, deep, QStringLiteral("Flag"), true));
    auto& registry = platform::service<platform::Registry>();
    for (const char* path : {"Software\\New", "Software\\New\\Deeper", "Software\\New\\Deeper\\Deepest"}) {
        platform::RegKey key = 0;
        EXPECT_EQ(registry.openKey(kHKeyCurrentUser, QString::fromLatin1(path).toStdU16String(),
                                   platform::RegAccess::QueryValue, &key),
                  RegError::Success)
            << path;
        registry.closeKey(key);
    }
    QVariant value;
    quint32 type = 0;
    ASSERT_TRUE(LoadValue(kHKeyCurrentUser, deep, QStringLiteral("Flag"), value, type));
    EXPECT_EQ(type, RegType::Dword);
    EXPECT_EQ(value, QVariant(1));
}

TEST_F(RegistryTools, BooleansAreStoredAsTheNumbersOneAndZero)
{
    ASSERT_TRUE(WriteBoolValue(kHKeyCurrentUser, kKey, QStringLiteral("On"), true));
    ASSERT_TRUE(WriteBoolValue(kHKeyCurrentUser, kKey, QStringLiteral("Off"), false));
    QFile file(environment.registryFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("\"On\"=dword:00000001\n")) << text.constData();
    EXPECT_TRUE(text.contains("\"Off\"=dword:00000000\n")) << text.constData();
}

TEST_F(RegistryTools, EveryKeyOpenedIsClosedAgain)
{
    RegistrySpy spy;
    platform::ScopedService<platform::Registry> substitute(spy);
    storeNumber(QStringLiteral("N"), 1);
    readLong(QStringLiteral("N"), 0);
    readLong(QStringLiteral("Absent"), 0);
    readBool(QStringLiteral("N"), false);
    ReadStrValueDef(kHKeyCurrentUser, kKey + QStringLiteral("\\Missing"), QStringLiteral("N"), QString());
    EXPECT_EQ(spy.openedKeys(), 4);
    EXPECT_EQ(spy.closedKeys(), 4);
}

TEST_F(RegistryTools, AnUnexpectedFailureIsPassedOnWithEveryProcedureOnItsTrail)
{
    storeNumber(QStringLiteral("N"), 1);
    RegistrySpy spy;
    spy.throwOnQuery = true;
    platform::ScopedService<platform::Registry> substitute(spy);
    mErrorHandling::SetProgramName(QStringLiteral("KezConverter"));
    try {
        ReadBoolValueDef(kHKeyCurrentUser, kKey, QStringLiteral("N"), false);
        ADD_FAILURE() << "the failure was turned into a default";
    } catch (const KezError& failure) {
        EXPECT_TRUE(failure.description().contains(QStringLiteral("registry broke")));
        EXPECT_TRUE(failure.source().startsWith(QStringLiteral("[KezConverter::miRegistryTools.ReadBoolValueDef]\r\n"
                                                               "[KezConverter::miRegistryTools.ReadStrValueDef]\r\n"
                                                               "[KezConverter::miRegistryTools.LoadValue]\r\n"
                                                               "[KezConverter::miRegistryTools.RegQueryValueEx]")))
            << failure.source().toStdString();
    }
    mErrorHandling::SetProgramName({});
    // The key opened before the failure was closed all the same.
    EXPECT_EQ(spy.openedKeys(), spy.closedKeys());
}
