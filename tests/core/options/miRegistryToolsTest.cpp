#include "core/options/miRegistryTools.h"
#include "core/errors/mErrorHandling.h"
#include "core/options/RegistrySpy.h"
#include "support/TestEnvironment.h"

#include <QByteArray>
#include <QStringList>
#include <gtest/gtest.h>

#include <climits>

using namespace miRegistryTools;
using platform::kHKeyCurrentUser;
namespace RegType = platform::RegType;
namespace RegError = platform::RegError;

namespace {

const QString kKey = QStringLiteral("Software\\Torvane Software\\KEZConv\\Tests");
const QString kName = QStringLiteral("V");

class RegistryTools : public ::testing::Test {
protected:
    QVariant load(const QString& aName, quint32* aType = nullptr)
    {
        QVariant value;
        quint32 type = 0;
        loaded = LoadValue(kHKeyCurrentUser, kKey, aName, value, type);
        if (aType)
            *aType = type;
        return value;
    }
    TestEnvironment environment;
    bool loaded = false;
};

} // namespace

TEST_F(RegistryTools, NumbersReadFromNumbersAndNumericTextOtherwiseTheDefault)
{
    const struct {
        QVariant stored;
        qint32 read;
    } cases[] = {{QStringLiteral("12"), 12},  {QStringLiteral(" -7 "), -7}, {QStringLiteral("abc"), 99},
                 {QString(), 99},            {QStringLiteral("4294967296"), 99}, {-5, -5}, {INT_MAX, INT_MAX}};
    for (const auto& c : cases) {
        Store(kKey, kName, c.stored);
        EXPECT_EQ(ReadLongValueDef(kHKeyCurrentUser, kKey, kName, 99), c.read) << c.stored.toString().toStdString();
    }
    EXPECT_EQ(ReadLongValueDef(kHKeyCurrentUser, kKey, QStringLiteral("Absent"), 42), 42);
    EXPECT_EQ(ReadLongValueDef(kHKeyCurrentUser, kKey + QStringLiteral("\\NoSuchKey"), kName, 43), 43);
}

TEST_F(RegistryTools, ARangeTakesTheDefaultOutsideItAndNeverClamps)
{
    const struct {
        QVariant stored;
        qint32 read;
    } cases[] = {{4, 2},  {-1, 2}, {3, 3}, {0, 0}, {QStringLiteral("3"), 3}, {QStringLiteral("4"), 2},
                 {QStringLiteral("three"), 2}};
    for (const auto& c : cases) {
        Store(kKey, kName, c.stored);
        EXPECT_EQ(ReadLongValueRangeDef(kHKeyCurrentUser, kKey, kName, 0, 3, 2), c.read)
            << c.stored.toString().toStdString();
    }
    EXPECT_EQ(ReadLongValueRangeDef(kHKeyCurrentUser, kKey, QStringLiteral("Absent"), 0, 3, 2), 2);
}

TEST_F(RegistryTools, BooleansAreOneOrZeroOrAKnownWordOtherwiseTheDefault)
{
    const struct {
        QVariant stored;
        bool withDefaultFalse, withDefaultTrue;
    } cases[] = {{1, true, true},  {0, false, false}, {2, false, true},  {-1, true, true},
                 {QStringLiteral("Yes"), true, true},    {QStringLiteral("yes"), true, true},
                 {QStringLiteral("Y"), true, true},      {QStringLiteral("TRUE"), true, true},
                 {QStringLiteral("-1"), true, true},     {QStringLiteral("No"), false, false},
                 {QStringLiteral("n"), false, false},    {QStringLiteral("False"), false, false},
                 {QStringLiteral("0"), false, false},    {QString(), false, false},
                 {QStringLiteral("maybe"), false, true}, {QStringLiteral("*"), false, true},
                 {QStringLiteral(" yes"), false, true},  {QStringLiteral("2"), false, true}};
    for (const auto& c : cases) {
        Store(kKey, kName, c.stored);
        const std::string shown = c.stored.toString().toStdString();
        EXPECT_EQ(ReadBoolValueDef(kHKeyCurrentUser, kKey, kName, false), c.withDefaultFalse) << shown;
        EXPECT_EQ(ReadBoolValueDef(kHKeyCurrentUser, kKey, kName, true), c.withDefaultTrue) << shown;
    }
    EXPECT_TRUE(ReadBoolValueDef(kHKeyCurrentUser, kKey, QStringLiteral("Absent"), true));
}

TEST_F(RegistryTools, TextRoundTripsUnexpandedAndReadsNumbersInDecimal)
{
    const QString text = QStringLiteral("C:\\Документы\\\"Ἐν ἀρχῇ\"\r\nвторая строка");
    Store(kKey, kName, text);
    EXPECT_EQ(ReadStrValueDef(kHKeyCurrentUser, kKey, kName, QString()), text);
    Store(kKey, kName, QString());
    EXPECT_EQ(ReadStrValueDef(kHKeyCurrentUser, kKey, kName, QStringLiteral("d")), QString());
    Store(kKey, kName, -42);
    EXPECT_EQ(ReadStrValueDef(kHKeyCurrentUser, kKey, kName, QStringLiteral("d")), QStringLiteral("-42"));
    // Lists and byte arrays are no text.
    ASSERT_TRUE(SaveValue(kHKeyCurrentUser, kKey, kName, QStringList{QStringLiteral("a")}, RegType::MultiSz));
    EXPECT_EQ(ReadStrValueDef(kHKeyCurrentUser, kKey, kName, QStringLiteral("d")), QStringLiteral("d"));
    ASSERT_TRUE(SaveValue(kHKeyCurrentUser, kKey, kName, QByteArray("ab"), RegType::Binary));
    EXPECT_EQ(ReadStrValueDef(kHKeyCurrentUser, kKey, kName, QStringLiteral("d")), QStringLiteral("d"));

    ASSERT_TRUE(SaveValue(kHKeyCurrentUser, kKey, kName, QStringLiteral("%HOME%\\x"), RegType::ExpandSz));
    quint32 type = 0;
    EXPECT_EQ(load(kName, &type), QVariant(QStringLiteral("%HOME%\\x")));
    EXPECT_EQ(type, RegType::ExpandSz);
}

TEST_F(RegistryTools, ListsAndByteArraysRoundTripIncludingEmptyOnes)
{
    const struct {
        QVariant value;
        quint32 type;
    } cases[] = {{QStringList{QStringLiteral("a"), QString(), QStringLiteral("Кириллица")}, RegType::MultiSz},
                 {QStringList{QString()}, RegType::MultiSz},
                 {QStringList{}, RegType::MultiSz},
                 {QByteArray("\0\1\xff\0", 4), RegType::Binary},
                 {QByteArray(), RegType::Binary}};
    for (const auto& c : cases) {
        ASSERT_TRUE(SaveValue(kHKeyCurrentUser, kKey, kName, c.value, c.type));
        quint32 type = 0;
        const QVariant value = load(kName, &type);
        EXPECT_TRUE(loaded);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(value.typeId(), c.value.typeId());
        EXPECT_EQ(value, c.value) << c.value.toStringList().join(QLatin1Char('|')).toStdString();
    }
}

TEST_F(RegistryTools, WritingCreatesEveryMissingKeyAndStoresBooleansAsOneAndZero)
{
    const QString deep = QStringLiteral("Software\\New\\Deeper\\Deepest");
    EXPECT_TRUE(WriteBoolValue(kHKeyCurrentUser, deep, QStringLiteral("On"), true));
    EXPECT_TRUE(WriteBoolValue(kHKeyCurrentUser, deep, QStringLiteral("Off"), false));
    auto& registry = platform::service<platform::Registry>();
    for (const char* path : {"Software\\New", "Software\\New\\Deeper"}) {
        platform::RegKey key = 0;
        EXPECT_EQ(registry.openKey(kHKeyCurrentUser, QString::fromLatin1(path).toStdU16String(),
                                   platform::RegAccess::QueryValue, &key),
                  RegError::Success)
            << path;
        registry.closeKey(key);
    }
    for (const auto& [name, number] : {std::pair{"On", 1}, std::pair{"Off", 0}}) {
        QVariant value;
        quint32 type = 0;
        ASSERT_TRUE(LoadValue(kHKeyCurrentUser, deep, QString::fromLatin1(name), value, type));
        EXPECT_EQ(type, RegType::Dword);
        EXPECT_EQ(value, QVariant(number));
    }
}

TEST_F(RegistryTools, EveryKeyOpenedIsClosedAgain)
{
    RegistrySpy spy;
    platform::ScopedService<platform::Registry> substitute(spy);
    Store(kKey, kName, 1);
    ReadLongValueDef(kHKeyCurrentUser, kKey, kName, 0);
    ReadLongValueDef(kHKeyCurrentUser, kKey, QStringLiteral("Absent"), 0);
    ReadBoolValueDef(kHKeyCurrentUser, kKey, kName, false);
    ReadStrValueDef(kHKeyCurrentUser, kKey + QStringLiteral("\\Missing"), kName, QString());
    EXPECT_EQ(spy.opened, 4);
    EXPECT_EQ(spy.closed, 4);
}

TEST_F(RegistryTools, AnUnexpectedFailureIsPassedOnWithEveryProcedureOnItsTrail)
{
    Store(kKey, kName, 1);
    RegistrySpy spy;
    spy.throwOnQuery = true;
    platform::ScopedService<platform::Registry> substitute(spy);
    mErrorHandling::SetProgramName(QStringLiteral("KezConverter"));
    try {
        ReadBoolValueDef(kHKeyCurrentUser, kKey, kName, false);
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
    EXPECT_EQ(spy.opened, spy.closed);
}
