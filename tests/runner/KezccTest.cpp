// The bundled reference converter run end to end through RunConverter.
#include "options/TLuKezOptions.h"
#include "runner/miKezConverterRunner.h"
#include "support/RtfReading.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSet>

using namespace miKezConverterRunner;

namespace {

// The Russian alphabet, encoded by hand: the test does not trust the converter's tables.
QByteArray encodeRussian(const QString& aText, bool aDos866)
{
    QByteArray bytes;
    for (const QChar c : aText) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            bytes += char(u);
        else if (u >= 0x0410 && u <= 0x042F)
            bytes += char((aDos866 ? 0x80 : 0xC0) + (u - 0x0410));
        else if (u >= 0x0430 && u <= 0x043F)
            bytes += char((aDos866 ? 0xA0 : 0xE0) + (u - 0x0430));
        else if (u >= 0x0440 && u <= 0x044F)
            bytes += char((aDos866 ? 0xE0 : 0xF0) + (u - 0x0440));
        else if (u == 0x0401)
            bytes += char(aDos866 ? 0xF0 : 0xA8);
        else if (u == 0x0451)
            bytes += char(aDos866 ? 0xF1 : 0xB8);
        else
            ADD_FAILURE() << "no byte for U+" << std::hex << int(u);
    }
    return bytes;
}

const QString kRussianSample = QStringLiteral(
    "Блажен муж, который не ходит на совет нечестивых и не стоит на пути грешных\\\r\n"
    "Съешь же ещё этих мягких французских булок, да выпей чаю. ЁЛКА и ёжик\r\n"
    "\r\n"
    "Щука\tи ЭХО: ЮЛА, ЯМА, ФЪЫЬ.\r\n");

QString normalised(QString aText)
{
    aText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return aText;
}

QByteArray readAll(const QString& aPath)
{
    QFile file(aPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& aPath, const QByteArray& aBytes)
{
    QFile file(aPath);
    return file.open(QIODevice::WriteOnly) && file.write(aBytes) == aBytes.size();
}

// Runs the bundled converter: its folder goes first on PATH for the test.
class KezccTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ForgetExternalCBFormat();
        savedPath = qgetenv("PATH");
        qputenv("PATH", QByteArray(KEZ_BIN_DIR) + ':' + savedPath);
        options.FillWithDefaults();
        folder = environment.root() + QStringLiteral("/тексты с пробелом");
        QDir().mkpath(folder);
    }
    void TearDown() override
    {
        qputenv("PATH", savedPath);
        ForgetExternalCBFormat();
    }

    bool convert(const QString& aSource, const QString& aOutput)
    {
        code = 12345;
        message.clear();
        return RunConverter(options, aSource, aOutput, 0, code, message);
    }

    // Converts the bytes as a source file and returns what the RTF reader finds in the result.
    RtfReading convertBytes(const QByteArray& aBytes, qint32 aEncoding)
    {
        options.SourceEncoding = aEncoding;
        const QString source = folder + QStringLiteral("/Псалом.kez");
        const QString output = folder + QStringLiteral("/Псалом.rtf");
        EXPECT_TRUE(writeAll(source, aBytes));
        EXPECT_TRUE(convert(source, output)) << code << " " << message.toStdString();
        EXPECT_EQ(code, 0);
        const QByteArray rtf = readAll(output);
        EXPECT_FALSE(rtf.isEmpty());
        return readRtf(rtf);
    }

    TestEnvironment environment;
    QByteArray savedPath;
    TLuKezOptions options;
    QString folder;
    qint32 code = 0;
    QString message;
};

} // namespace

TEST_F(KezccTest, SourcesInEveryEncodingBecomeRtfWithTheSameText)
{
    options.RussText().ForeColorIndex = 6;
    const QString slavonic = QStringLiteral("Ἐν ἀρχῇ ἦν ὁ λόγος\nВъ началѣ бѣ слово ѳ ѵ ꙗ\n\U0001D11E x\n");
    const struct {
        QByteArray bytes;
        qint32 encoding; // 0 detects
        QString text;
    } cases[] = {
        {encodeRussian(kRussianSample, false), 1, normalised(kRussianSample)},
        {encodeRussian(kRussianSample, true), 2, normalised(kRussianSample)},
        {encodeRussian(kRussianSample, false), 0, normalised(kRussianSample)},
        {encodeRussian(kRussianSample, true), 0, normalised(kRussianSample)},
        {QByteArray("\xEF\xBB\xBF") + slavonic.toUtf8(), 0, slavonic},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.encoding);
        const RtfReading reading = convertBytes(c.bytes, c.encoding);
        EXPECT_TRUE(reading.header);
        EXPECT_TRUE(reading.balanced);
        EXPECT_EQ(reading.text, c.text);
        ASSERT_EQ(reading.fonts.size(), 9);
        EXPECT_EQ(reading.fonts.value(0), QStringLiteral("Corvinel Ucs"));
        EXPECT_EQ(reading.fonts.value(7), QStringLiteral("Courier New"));
        for (const int font : reading.fontsUsed)
            EXPECT_TRUE(reading.fonts.contains(font)) << "undeclared font " << font;
        EXPECT_EQ(reading.colours, 17);
    }
    const RtfReading russian = convertBytes(encodeRussian(kRussianSample, false), 1);
    EXPECT_TRUE(russian.fontsUsed.contains(4));
    EXPECT_EQ(russian.coloursUsed, QSet<int>{6});
}

TEST_F(KezccTest, MissingSourceIsAWordedFailureAndNoOutputAppears)
{
    const QString source = folder + QStringLiteral("/нет такого.kez");
    const QString output = folder + QStringLiteral("/нет такого.rtf");
    EXPECT_FALSE(convert(source, output));
    EXPECT_LT(code, -1);
    EXPECT_TRUE(message.contains(QStringLiteral("Исходный файл не найден"))) << message.toStdString();
    EXPECT_TRUE(message.contains(source));
    EXPECT_EQ(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden), QStringList());
}

TEST_F(KezccTest, OutputNamingAFolderFailsAndLeavesNoPartialFile)
{
    const QString source = folder + QStringLiteral("/a.kez");
    ASSERT_TRUE(writeAll(source, "text"));
    const QString output = folder + QStringLiteral("/a.rtf");
    ASSERT_TRUE(QDir().mkpath(output));
    EXPECT_FALSE(convert(source, output));
    EXPECT_LT(code, -1);
    EXPECT_FALSE(message.isEmpty());
    EXPECT_EQ(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
              (QStringList{QStringLiteral("a.kez"), QStringLiteral("a.rtf")}));
}
