// The bundled reference converter: its code pages and RTF writing on their own, and the program
// built from them run end to end through RunConverter.
#include "CodePages.h"
#include "KezccConversion.h"
#include "RtfDocument.h"

#include "options/TLuKezOptions.h"
#include "platform/Clipboard.h"
#include "platform/GlobalMemory.h"
#include "platform/Services.h"
#include "runner/miKezConverterRunner.h"
#include "support/RtfReading.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSet>

#include <cstring>
#include <functional>

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
    "Блажен муж, который не ходит на совет нечестивых {и} не стоит на пути грешных\\\r\n"
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

    // Places a request of our own making and runs the converter on it; returns the reply.
    QByteArray exchange(const QByteArray* aRequest)
    {
        using namespace platform;
        Clipboard& clipboard = service<Clipboard>();
        GlobalMemory& memory = service<GlobalMemory>();
        const ClipFormat format = clipboard.registerFormat(kExternalFormatName);
        EXPECT_TRUE(clipboard.open(0));
        clipboard.empty();
        if (aRequest) {
            const HGlobal handle = memory.alloc(GlobalFlags::Moveable, std::size_t(aRequest->size()));
            std::memcpy(memory.lock(handle), aRequest->constData(), std::size_t(aRequest->size()));
            memory.unlock(handle);
            EXPECT_TRUE(clipboard.setData(format, handle));
        }
        clipboard.close();
        ExecuteShellCommand(QString::fromLatin1(kConverterCommandLine));
        QByteArray reply;
        EXPECT_TRUE(clipboard.open(0));
        if (const HGlobal handle = clipboard.getData(format)) {
            reply = QByteArray(static_cast<const char*>(memory.lock(handle)), qsizetype(memory.size(handle)));
            memory.unlock(handle);
        }
        clipboard.close();
        return reply;
    }

    QByteArray request(const QString& aSource, const QString& aOutput)
    {
        QByteArray record(ExternalData::kRecordSize, '\0');
        SaveAllToExternal(reinterpret_cast<uchar*>(record.data()), options, aSource, aOutput);
        return record;
    }

    static qint32 codeOf(const QByteArray& aReply)
    {
        return ExternalData::ReadInt32(reinterpret_cast<const uchar*>(aReply.constData()),
                                       ExternalData::Offset::ResultCode);
    }
    static QString messageOf(const QByteArray& aReply)
    {
        return LoadPascalStringToString(
            reinterpret_cast<const uchar*>(aReply.constData()) + ExternalData::Offset::ResultMessage,
            ExternalData::kMessageCapacity);
    }

    TestEnvironment environment;
    QByteArray savedPath;
    TLuKezOptions options;
    QString folder;
    qint32 code = 0;
    QString message;
};

} // namespace

TEST(KezccCodePages, Windows1251AndDos866ReadTheWholeRussianAlphabet)
{
    QString alphabet;
    for (char16_t u = 0x0410; u <= 0x044F; ++u)
        alphabet += QChar(u);
    alphabet += QStringLiteral("Ёё plain");
    EXPECT_EQ(kezcc::decodeWindows1251(encodeRussian(alphabet, false)), alphabet);
    EXPECT_EQ(kezcc::decodeDos866(encodeRussian(alphabet, true)), alphabet);
}

TEST(KezccCodePages, PunctuationOfTheUpperHalvesIsMapped)
{
    EXPECT_EQ(kezcc::decodeWindows1251(QByteArray("\x85\x96\x97\xAB\xBB\xB9\x88")),
              QStringLiteral("…–—«»№€"));
    EXPECT_EQ(kezcc::decodeDos866(QByteArray("\xB3\xC4\xDB\xFC\xFF")), QStringLiteral("│─█№\u00A0"));
}

TEST(KezccCodePages, StrictUtf8RejectsOverlongSurrogatesAndTruncatedSequences)
{
    EXPECT_TRUE(kezcc::isValidUtf8(QByteArray("plain ascii")));
    EXPECT_TRUE(kezcc::isValidUtf8(QStringLiteral("Ѣ ἀρχή \U0001D11E").toUtf8()));
    EXPECT_FALSE(kezcc::isValidUtf8(QByteArray("\xC0\x80")));
    EXPECT_FALSE(kezcc::isValidUtf8(QByteArray("\xE0\x80\xAF")));
    EXPECT_FALSE(kezcc::isValidUtf8(QByteArray("\xED\xA0\x80")));
    EXPECT_FALSE(kezcc::isValidUtf8(QByteArray("\xF4\x90\x80\x80")));
    EXPECT_FALSE(kezcc::isValidUtf8(QByteArray("ok \xD0")));
    EXPECT_FALSE(kezcc::isValidUtf8(QByteArray("\xD0\x41")));
}

TEST(KezccCodePages, DetectionTellsTheThreeEncodingsApart)
{
    EXPECT_EQ(kezcc::detectEncoding(encodeRussian(kRussianSample, false)), kezcc::TextEncoding::Windows1251);
    EXPECT_EQ(kezcc::detectEncoding(encodeRussian(kRussianSample, true)), kezcc::TextEncoding::Dos866);
    EXPECT_EQ(kezcc::detectEncoding(kRussianSample.toUtf8()), kezcc::TextEncoding::Utf8);
    // Even a single short word.
    EXPECT_EQ(kezcc::detectEncoding(encodeRussian(QStringLiteral("привет"), false)), kezcc::TextEncoding::Windows1251);
    EXPECT_EQ(kezcc::detectEncoding(encodeRussian(QStringLiteral("привет"), true)), kezcc::TextEncoding::Dos866);
}

TEST(KezccCodePages, DetectedUtf8LosesItsByteOrderMark)
{
    EXPECT_EQ(kezcc::decodeSource(QByteArray("\xEF\xBB\xBF") + QStringLiteral("Ѣ").toUtf8(),
                                  kezcc::SourceEncoding::Detect),
              QStringLiteral("Ѣ"));
}

TEST(KezccRtf, SpecialCharactersAreEscapedAndEverythingElseIsSevenBit)
{
    EXPECT_EQ(kezcc::escapeRtfText(QStringLiteral("a{b}c\\d\te")), QByteArray("a\\{b\\}c\\\\d\\tab e"));
    EXPECT_EQ(kezcc::escapeRtfText(QStringLiteral("Ж")), QByteArray("\\u1046?"));
    EXPECT_EQ(kezcc::escapeRtfText(QString(QChar(0xFFFD))), QByteArray("\\u-3?"));
    EXPECT_EQ(kezcc::escapeRtfText(QStringLiteral("a\x01z")), QByteArray("az"));
    EXPECT_EQ(kezcc::escapeRtfText(QStringLiteral("\U0001D11E")), QByteArray("\\u-10188?\\u-8930?"));
}

TEST(KezccRtf, DocumentDeclaresNineFontsAndTheSixteenColoursItUses)
{
    std::array<kezcc::RtfFont, kezcc::kFontCount> fonts;
    for (int i = 0; i < kezcc::kFontCount; ++i)
        fonts[i].face = QStringLiteral("Face%1").arg(i);
    fonts[kezcc::kBodyFont].foreColorIndex = 16;
    fonts[kezcc::kBodyFont].backColorIndex = 5;
    fonts[kezcc::kBodyFont].size = 14;
    const QByteArray rtf = kezcc::buildRtfDocument(QStringLiteral("один\nдва"), fonts);
    const RtfReading reading = readRtf(rtf);
    EXPECT_TRUE(reading.header);
    EXPECT_TRUE(reading.balanced);
    ASSERT_EQ(reading.fonts.size(), 9);
    EXPECT_EQ(reading.fonts.value(4), QStringLiteral("Face4"));
    EXPECT_EQ(reading.colours, 17);
    EXPECT_EQ(reading.coloursUsed, (QSet<int>{16, 5}));
    EXPECT_TRUE(rtf.contains("\\fs28"));
    EXPECT_TRUE(rtf.contains("\\red192\\green192\\blue192;}"));
    EXPECT_TRUE(rtf.contains("\\red128\\green64\\blue0;"));
    EXPECT_EQ(reading.text, QStringLiteral("один\nдва\n"));
}

TEST(KezccRtf, EmptyTextGivesAnEmptyButValidDocument)
{
    const RtfReading reading = readRtf(kezcc::buildRtfDocument(QString(), {}));
    EXPECT_TRUE(reading.balanced);
    EXPECT_EQ(reading.fonts.size(), 9);
    EXPECT_EQ(reading.text, QString());
}

TEST_F(KezccTest, SourcesInEveryEncodingBecomeRtfWithTheSameText)
{
    options.RussText().ForeColorIndex = 6;
    const QString slavonic = QStringLiteral("Ἐν ἀρχῇ ἦν ὁ λόγος\nВъ началѣ бѣ слово ѳ ѵ ꙗ\n\U0001D11E {x}\n");
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

TEST_F(KezccTest, UnusableOutputIsAWordedFailureAndTheSourceIsKept)
{
    const QString source = folder + QStringLiteral("/a.kez");
    ASSERT_TRUE(writeAll(source, "original"));
    const std::pair<QString, QString> cases[] = {
        {folder + QStringLiteral("/нет/a.rtf"), QStringLiteral("Папка для выходного файла не существует")},
        {source, QStringLiteral("совпадает с исходным")},
    };
    for (const auto& [output, words] : cases) {
        EXPECT_FALSE(convert(source, output));
        EXPECT_LT(code, -1);
        EXPECT_TRUE(message.contains(words)) << message.toStdString();
    }
    EXPECT_EQ(readAll(source), QByteArray("original"));
}

TEST_F(KezccTest, ExistingOutputIsReplacedWhole)
{
    const QString source = folder + QStringLiteral("/a.kez");
    const QString output = folder + QStringLiteral("/a.rtf");
    ASSERT_TRUE(writeAll(source, "short"));
    ASSERT_TRUE(writeAll(output, QByteArray(100000, 'Z')));
    ASSERT_TRUE(convert(source, output)) << message.toStdString();
    const QByteArray rtf = readAll(output);
    EXPECT_FALSE(rtf.contains('Z'));
    EXPECT_EQ(readRtf(rtf).text, QStringLiteral("short\n"));
}

TEST_F(KezccTest, MalformedRequestGetsAWordedReplyOfFullSize)
{
    const auto put = [](qint32 aOffset, qint32 aValue) {
        return [=](QByteArray& aRecord) { ExternalData::WriteInt32(reinterpret_cast<uchar*>(aRecord.data()), aOffset, aValue); };
    };
    const struct {
        std::function<void(QByteArray&)> spoil;
        QString words;
    } cases[] = {
        {put(0, 0), QStringLiteral("сигнатура")},
        {put(4, 2), QStringLiteral("версия 2")},
        {put(8, 0), QStringLiteral("размер")},
        {[](QByteArray& aRecord) { aRecord.truncate(100); }, QStringLiteral("100 байт")},
        {put(ExternalData::Offset::SourcePath, -5), QStringLiteral("исходному файлу")},
        {put(ExternalData::Offset::GreekText, 63), QStringLiteral("шрифта")},
    };
    for (const auto& c : cases) {
        QByteArray record = request(folder + QStringLiteral("/a.kez"), folder + QStringLiteral("/a.rtf"));
        c.spoil(record);
        const QByteArray reply = exchange(&record);
        ASSERT_EQ(reply.size(), ExternalData::kRecordSize) << c.words.toStdString();
        EXPECT_EQ(codeOf(reply), kezcc::ResultCode::MalformedRequest);
        EXPECT_TRUE(messageOf(reply).contains(c.words)) << messageOf(reply).toStdString();
    }
}

TEST_F(KezccTest, UnknownSourceEncodingIsAWordedReply)
{
    const QString source = folder + QStringLiteral("/a.kez");
    ASSERT_TRUE(writeAll(source, "text"));
    options.SourceEncoding = 7;
    EXPECT_FALSE(convert(source, folder + QStringLiteral("/a.rtf")));
    EXPECT_EQ(code, kezcc::ResultCode::MalformedRequest);
    EXPECT_TRUE(message.contains(QStringLiteral("кодировка"))) << message.toStdString();
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/a.rtf")));
}

TEST_F(KezccTest, NoRequestOnTheClipboardGetsAWordedReply)
{
    const QByteArray reply = exchange(nullptr);
    ASSERT_EQ(reply.size(), ExternalData::kRecordSize);
    EXPECT_EQ(codeOf(reply), kezcc::ResultCode::NoRequest);
    EXPECT_FALSE(messageOf(reply).isEmpty());
    EXPECT_EQ(quint32(ExternalData::ReadInt32(reinterpret_cast<const uchar*>(reply.constData()), 0)),
              ExternalData::kSignature);
}

TEST(KezccReply, FailureMessageTooLongForTheRecordIsCutVisibly)
{
    const QByteArray reply = kezcc::makeReply(QByteArray(), {-3, QString(3000, QLatin1Char('m'))});
    const QString text = LoadPascalStringToString(
        reinterpret_cast<const uchar*>(reply.constData()) + ExternalData::Offset::ResultMessage, 2048);
    EXPECT_EQ(text.size(), 1022);
    EXPECT_EQ(text.back(), QChar(0x2026));
}
