#include "core/options/TLuKezOptions.h"
#include "core/runner/ExternalData.h"

#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace miKezConverterRunner;

namespace {

using Bytes = std::vector<uchar>;

// The expected record is put together here from literal offsets, independently of the layout
// constants, so that a wrong constant cannot hide.
void putInt(Bytes& aRecord, int aOffset, qint32 aValue)
{
    const quint32 value = quint32(aValue);
    for (int i = 0; i < 4; ++i)
        aRecord[aOffset + i] = uchar(value >> (8 * i));
}

void putText(Bytes& aRecord, int aOffset, const QString& aText)
{
    putInt(aRecord, aOffset, qint32(aText.size()));
    for (int i = 0; i < aText.size(); ++i) {
        aRecord[aOffset + 4 + 2 * i] = uchar(aText[i].unicode() & 0xFF);
        aRecord[aOffset + 5 + 2 * i] = uchar(aText[i].unicode() >> 8);
    }
}

void putFont(Bytes& aRecord, int aOffset, const QString& aFace, qint32 aBold, qint32 aBack)
{
    putText(aRecord, aOffset, aFace);
    putInt(aRecord, aOffset + 128, 16);
    putInt(aRecord, aOffset + 132, aBold);
    putInt(aRecord, aOffset + 136, 0);
    putInt(aRecord, aOffset + 140, 0);
    putInt(aRecord, aOffset + 144, aBack);
}

qint32 intAt(const Bytes& aRecord, int aOffset)
{
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | aRecord[aOffset + i];
    return qint32(value);
}

// Lists the first differing offsets, so a failure says where the layout went wrong.
::testing::AssertionResult sameBytes(const Bytes& aActual, const Bytes& aExpected)
{
    if (aActual.size() != aExpected.size())
        return ::testing::AssertionFailure() << "size " << aActual.size() << " instead of " << aExpected.size();
    std::string differences;
    int count = 0;
    for (size_t i = 0; i < aActual.size(); ++i) {
        if (aActual[i] != aExpected[i] && ++count <= 10)
            differences += " @" + std::to_string(i) + ": " + std::to_string(aActual[i]) + " instead of " +
                           std::to_string(aExpected[i]) + ";";
    }
    if (count == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << count << " bytes differ:" << differences;
}

class ExternalDataTest : public ::testing::Test {
protected:
    ExternalDataTest() { options.FillWithDefaults(); }

    Bytes record(const QString& aSource, const QString& aOutput)
    {
        Bytes bytes(7656, 0);
        SaveAllToExternal(bytes.data(), options, aSource, aOutput);
        return bytes;
    }

    TLuKezOptions options;
};

} // namespace

TEST_F(ExternalDataTest, DefaultOptionsGiveTheGoldenRecordByteForByte)
{
    Bytes expected(7656, 0);
    const uchar head[16] = {0x23, 0xA1, 0xD6, 0x85, 0x01, 0, 0, 0, 0xE8, 0x1D, 0, 0, 0x01, 0, 0, 0};
    std::memcpy(expected.data(), head, sizeof head);
    putFont(expected, 16, QStringLiteral("Corvinel Ucs"), 0, 0);
    putInt(expected, 176, 3);
    putFont(expected, 180, QStringLiteral("Orthodox.tt eRoos"), 0, 0);
    putFont(expected, 340, QStringLiteral("Times New Roman"), 0, 0);
    putInt(expected, 500, 1);
    putFont(expected, 504, QStringLiteral("Corvinel Ucs"), 0, 0);
    putInt(expected, 664, 0);
    putFont(expected, 668, QStringLiteral("Times New Roman"), 0, 0);
    putInt(expected, 828, 1);
    putFont(expected, 832, QStringLiteral("Palatino Linotype"), 0, 0);
    putFont(expected, 992, QStringLiteral("Times New Roman"), 0, 0);
    putInt(expected, 1152, 1);
    putFont(expected, 1156, QStringLiteral("Courier New"), 1, 5);
    putFont(expected, 1316, QStringLiteral("Courier New"), 1, 0);
    const qint32 tail[8] = {2, 2, 2, 2, 0, 0, 1, 4};
    for (int i = 0; i < 8; ++i)
        putInt(expected, 1476 + 4 * i, tail[i]);
    putText(expected, 1508, QStringLiteral("C:\\a.kez"));
    putText(expected, 3556, QStringLiteral("C:\\a.rtf"));
    putInt(expected, 5604, -1);

    const Bytes actual = record(QStringLiteral("C:\\a.kez"), QStringLiteral("C:\\a.rtf"));
    EXPECT_TRUE(sameBytes(actual, expected));
    // Spelled out: ErrorText bold on back colour 5.
    EXPECT_EQ(intAt(actual, 1156 + 132), 1);
    EXPECT_EQ(intAt(actual, 1156 + 144), 5);
}

TEST_F(ExternalDataTest, EveryOptionLandsAtItsOwnOffset)
{
    options.SourceEncoding = 2;
    options.CSDigitMode = 11;
    options.CSSpaceOutMode = 12;
    options.RusMode = 13;
    options.GreekMode = 14;
    options.ErrorMode = 15;
    options.NSModeFunction = 16;
    options.NSModeVariants = 17;
    options.NSModeSpecComm = 18;
    options.NSModeCommands = 19;
    options.FtnBottomImpl = 20;
    options.FtnBottomBack = 21;
    options.FtnMarginImpl = 22;
    options.FtnMarginBack = 23;
    options.LatinText().FillWith(QStringLiteral("Латиница"), 9, false, true, 7, 8);
    const Bytes actual = record(QString(), QString());
    const std::pair<int, qint32> fields[] = {{12, 2},    {176, 11},  {500, 12},  {664, 13},  {828, 14},
                                             {1152, 15}, {1476, 16}, {1480, 17}, {1484, 18}, {1488, 19},
                                             {1492, 20}, {1496, 21}, {1500, 22}, {1504, 23}};
    for (const auto& [offset, value] : fields)
        EXPECT_EQ(intAt(actual, offset), value) << "offset " << offset;
    EXPECT_EQ(intAt(actual, 992), 8);
    EXPECT_EQ(LoadPascalStringToString(actual.data() + 992, 128), QStringLiteral("Латиница"));
    EXPECT_EQ(intAt(actual, 992 + 128), 9);
    EXPECT_EQ(intAt(actual, 992 + 132), 0);
    EXPECT_EQ(intAt(actual, 992 + 136), 1);
    EXPECT_EQ(intAt(actual, 992 + 140), 7);
    EXPECT_EQ(intAt(actual, 992 + 144), 8);
}

TEST_F(ExternalDataTest, CountedStringsAreCutToTheirFieldAndNothingIsWrittenPastIt)
{
    const QString face62 = QString(61, QLatin1Char('f')) + QLatin1Char('Z');
    const QString path1022 = QStringLiteral("C:\\") + QString(1015, QChar(0x0416)) + QStringLiteral(".kez");
    const QString astral = QStringLiteral("a\U0001D11Eb");
    struct Case {
        int capacity;
        QString text;
        QString stored; // also what reads back
    } const cases[] = {
        {128, face62, face62},
        {128, face62 + QLatin1Char('!'), face62},
        {2048, path1022, path1022},
        {2048, path1022 + QLatin1Char('z'), path1022},
        {128, astral, astral}, // both surrogates count
        {16, QString(), QString()},
    };
    for (const Case& c : cases) {
        Bytes field(c.capacity + 8, 0xAB);
        SaveStringToPascalString(field.data(), c.text, c.capacity);
        EXPECT_EQ(intAt(field, 0), c.stored.size()) << c.text.size();
        EXPECT_EQ(LoadPascalStringToString(field.data(), c.capacity), c.stored);
        const int used = 4 + 2 * int(c.stored.size());
        EXPECT_EQ(std::count(field.begin() + used, field.end(), 0xAB), c.capacity + 8 - used) << c.text.size();
    }
    // A field below four bytes is left alone and reads empty.
    Bytes tiny(4, 0xAB);
    SaveStringToPascalString(tiny.data(), QStringLiteral("abc"), 3);
    EXPECT_EQ(tiny, Bytes(4, 0xAB));
    EXPECT_EQ(LoadPascalStringToString(tiny.data(), 3), QString());
}

TEST_F(ExternalDataTest, ReplyCountOf5000ReadsTheFirst1022Units)
{
    Bytes field(2048, 0);
    putInt(field, 0, 5000);
    for (int i = 0; i < 1022; ++i) {
        field[4 + 2 * i] = uchar('a' + i % 26);
        field[5 + 2 * i] = 0x04;
    }
    const QString text = LoadPascalStringToString(field.data(), 2048);
    ASSERT_EQ(text.size(), 1022);
    EXPECT_EQ(text[0].unicode(), 0x0461);
    EXPECT_EQ(text[1021].unicode(), 0x0400 + 'a' + 1021 % 26);
}

TEST_F(ExternalDataTest, WellFormedCountsAreZeroToTheFieldsCapacity)
{
    Bytes field(128, 0);
    for (const auto& [count, wellFormed] : {std::pair{0, true}, {62, true}, {63, false}, {-1, false}}) {
        putInt(field, 0, count);
        EXPECT_EQ(ExternalData::IsWellFormedCountedString(field.data(), 128), wellFormed) << count;
    }
}
