// The bundled reference converter run end to end through RunConverter.
#include "core/options/TLuKezOptions.h"
#include "platform/FileNameCodec.h"
#include "protocol/ConverterCodes.h"
#include "core/runner/miKezConverterRunner.h"
#include "support/FileContents.h"
#include "support/RtfReading.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMap>
#include <QSet>

#include <cstdio>
#include <filesystem>
#include <iterator>

#include <sys/stat.h>
#include <unistd.h>

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

QByteArray utf16(const QString& aText, bool aBigEndian)
{
    QByteArray bytes;
    for (const QChar c : aText) {
        const char16_t unit = c.unicode();
        const char high = char(unit >> 8), low = char(unit & 0xFF);
        bytes += aBigEndian ? high : low;
        bytes += aBigEndian ? low : high;
    }
    return bytes;
}

QString normalised(QString aText)
{
    aText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return aText;
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
        hadFontConfig = qEnvironmentVariableIsSet("FONTCONFIG_FILE");
        savedFontConfig = qgetenv("FONTCONFIG_FILE");
        // The machine's fonts decide nothing: each test states the ones installed.
        useFonts({QStringLiteral("signs")});
    }
    void TearDown() override
    {
        qputenv("PATH", savedPath);
        if (hadFontConfig)
            qputenv("FONTCONFIG_FILE", savedFontConfig);
        else
            qunsetenv("FONTCONFIG_FILE");
        ForgetExternalCBFormat();
    }

    // A fontconfig configuration of its own that sees only the test fonts of these folders
    // (KEZ_TEST_FONT_DIR/slavonic/...), for the converters this test starts.
    void useFonts(const QStringList& aFolders)
    {
        const QString config = environment.root() + QStringLiteral("/fonts-%1").arg(++fontConfigs);
        QDir().mkpath(config);
        QByteArray text = "<?xml version=\"1.0\"?>\n<fontconfig>\n";
        for (const QString& name : aFolders)
            text += "<dir>" KEZ_TEST_FONT_DIR "/slavonic/" + name.toUtf8() + "</dir>\n";
        text += "<cachedir>" + QFile::encodeName(config) + "/cache</cachedir>\n</fontconfig>\n";
        ASSERT_TRUE(writeAll(config + QStringLiteral("/fonts.conf"), text));
        qputenv("FONTCONFIG_FILE", QFile::encodeName(config + QStringLiteral("/fonts.conf")));
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

    // The message of the reply left on the clipboard: RunConverter passes it on only on failure.
    QString replyMessage()
    {
        ExternalRecord record{};
        if (!LoadExternalFromHGlobal(PasteHGlobalFromClipboard(), record))
            return QStringLiteral("(no reply)");
        return LoadPascalStringToString(record.data() + ExternalData::Offset::ResultMessage,
                                        ExternalData::kMessageCapacity);
    }

    TestEnvironment environment;
    QByteArray savedPath;
    bool hadFontConfig = false;
    QByteArray savedFontConfig;
    int fontConfigs = 0;
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
        // A byte-order mark wins over the option.
        {QByteArray("\xEF\xBB\xBF") + slavonic.toUtf8(), 1, slavonic},
        {QByteArray("\xFF\xFE") + utf16(slavonic, false), 2, slavonic},
        {QByteArray("\xFE\xFF") + utf16(slavonic, true), 0, slavonic},
        // So does UTF-8 throughout, with no mark: in a code page it would be unreadable.
        {slavonic.toUtf8(), 1, slavonic},
        {slavonic.toUtf8(), 2, slavonic},
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
    EXPECT_TRUE(replyMessage().startsWith(QStringLiteral("Исходный файл прочитан как UTF-8"))) << replyMessage().toStdString();
    const RtfReading russian = convertBytes(encodeRussian(kRussianSample, false), 1);
    EXPECT_FALSE(replyMessage().contains(QStringLiteral("UTF-8"))) << "a code page stays one";
    EXPECT_TRUE(russian.fontsUsed.contains(4));
    EXPECT_EQ(russian.coloursUsed, QSet<int>{6});
}

TEST_F(KezccTest, MissingSourceIsAWordedFailureAndNoOutputAppears)
{
    const QString source = folder + QStringLiteral("/нет такого.kez");
    const QString output = folder + QStringLiteral("/нет такого.rtf");
    EXPECT_FALSE(convert(source, output));
    EXPECT_EQ(code, ConverterCodes::Kezcc::SourceUnreadable);
    EXPECT_TRUE(message.contains(QStringLiteral("Исходный файл не найден"))) << message.toStdString();
    EXPECT_TRUE(message.contains(source));
    EXPECT_EQ(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden), QStringList());
}

TEST_F(KezccTest, ANameThatIsNoUtf8ReachesTheConverterAndNamesTheSameFiles)
{
    // "Псалом" in Windows-1251 as the file name, as an old archive may hold it.
    const QByteArray folderBytes = QFile::encodeName(folder);
    const QByteArray sourceBytes = folderBytes + "/\xcf\xf1\xe0\xeb\xee\xec.kez";
    const QByteArray outputBytes = folderBytes + "/\xcf\xf1\xe0\xeb\xee\xec.rtf";
    {
        std::FILE* file = std::fopen(sourceBytes.constData(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs("text", file);
        std::fclose(file);
    }
    const auto decoded = [](const QByteArray& aBytes) {
        return QString::fromStdU16String(platform::decodeFileName(std::string_view(aBytes.constData(), aBytes.size())));
    };
    EXPECT_TRUE(convert(decoded(sourceBytes), decoded(outputBytes))) << code << " " << message.toStdString();
    struct stat status;
    EXPECT_EQ(::stat(outputBytes.constData(), &status), 0);
    // Nothing else beside them (Qt's own listing would not even show these two).
    const auto entries = std::filesystem::directory_iterator(folderBytes.toStdString());
    EXPECT_EQ(std::distance(std::filesystem::begin(entries), std::filesystem::end(entries)), 2);
    // Qt could not remove them with the temporary folder either.
    ::unlink(sourceBytes.constData());
    ::unlink(outputBytes.constData());
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

TEST_F(KezccTest, MarkupSampleInEveryModeHasTheRunsOfTheOptionsFonts)
{
    const QByteArray sample = readAll(QStringLiteral(KEZ_SOURCE_DIR "/tools/kezcc/sample/markup.kez"));
    ASSERT_FALSE(sample.isEmpty());
    // Every font distinguishable: size, bold, italic and colours of its own.
    options.RussText().FillWith(QStringLiteral("Times New Roman"), 14, true, false, 2, 0);
    options.GreekText().FillWith(QStringLiteral("Palatino Linotype"), 15, false, true, 3, 0);
    options.LatinText().FillWith(QStringLiteral("Georgia"), 16, false, false, 0, 7);
    options.ErrorText().FillWith(QStringLiteral("Courier New"), 11, true, false, 1, 5);
    options.NonSupportText().FillWith(QStringLiteral("Courier New"), 9, false, true, 12, 16);
    const auto formatOf = [](const TOptionsFont& aFont, int aIndex, bool aHidden) {
        return RtfFormat{aIndex, aFont.Size * 2, aFont.Bold, aFont.Italic, aHidden, aFont.ForeColorIndex,
                         aFont.BackColorIndex};
    };
    const QString constructs[] = {QStringLiteral("%{примечание издателя}"), QStringLiteral("%{!красная строка}"),
                                  QStringLiteral("<ссылка>&{Ин. 1:1}"), QStringLiteral("?&{Слово}&{слово}")};
    const QByteArray exportFolder = qgetenv("KEZ_SAMPLE_RTF_DIR");

    for (const qint32 mode : {0, 1, 2, 3}) {
        for (const qint32 errorMode : {0, 1}) {
            SCOPED_TRACE(QStringLiteral("mode %1, error mode %2").arg(mode).arg(errorMode).toStdString());
            options.NSModeSpecComm = options.NSModeCommands = options.NSModeFunction = options.NSModeVariants = mode;
            options.ErrorMode = errorMode;
            options.SourceEncoding = 0;
            const RtfReading reading = convertBytes(sample, 0);
            // Two mark-up errors: the stray brace and the comment never closed.
            EXPECT_EQ(replyMessage(), QStringLiteral("Ошибок разметки: 2"));
            ASSERT_TRUE(reading.balanced);

            QMap<int, QString> textByFont;
            for (const RtfRun& run : reading.runs) {
                const int font = run.format.font;
                textByFont[font] += run.text;
                const RtfFormat expected = font == 4   ? formatOf(options.RussText(), 4, false)
                                           : font == 5 ? formatOf(options.GreekText(), 5, false)
                                           : font == 6 ? formatOf(options.LatinText(), 6, false)
                                           : font == 7 ? formatOf(options.ErrorText(), 7, false)
                                                       : formatOf(options.NonSupportText(), 8, mode == 2);
                EXPECT_EQ(run.format, expected) << "font " << font << ": " << run.text.toStdString();
            }
            EXPECT_TRUE(textByFont[4].contains(QStringLiteral("Образец разметки ")));
            EXPECT_TRUE(textByFont[6].contains(QStringLiteral("KEZ: ")));
            EXPECT_TRUE(textByFont[4].contains(QStringLiteral("русский текст набран шрифтом ")));
            EXPECT_TRUE(textByFont[4].contains(QStringLiteral("{ } % & < ? \\ остаются знаками")));
            EXPECT_TRUE(textByFont[5].contains(QStringLiteral("Ἐν ἀρχῇ ἦν ὁ λόγος, καὶ ὁ λόγος ἦν πρὸς τὸν θεόν.")));
            EXPECT_TRUE(textByFont[6].contains(QStringLiteral("In principio erat Verbum, et Verbum erat apud Deum.")));
            for (const QString& construct : constructs) {
                EXPECT_EQ(textByFont[8].contains(construct), mode >= 2) << construct.toStdString();
                EXPECT_EQ(textByFont[7].contains(construct), mode == 1 && errorMode == 1) << construct.toStdString();
                EXPECT_EQ(reading.text.contains(construct), mode >= 2 || (mode == 1 && errorMode == 1));
            }
            EXPECT_EQ(textByFont[7].contains(QStringLiteral("}")), errorMode == 1);
            EXPECT_EQ(textByFont[7].contains(QStringLiteral("%{комментарий до конца файла")), errorMode == 1);
            EXPECT_TRUE(reading.text.contains(QStringLiteral(" и дальше текст.")));

            // For a look in a word processor (tools/kezcc/render-sample.sh).
            if (!exportFolder.isEmpty())
                QFile::copy(folder + QStringLiteral("/Псалом.rtf"),
                            QStringLiteral("%1/markup-mode%2-errors%3.rtf")
                                .arg(QString::fromLocal8Bit(exportFolder))
                                .arg(mode)
                                .arg(errorMode));
            QFile::remove(folder + QStringLiteral("/Псалом.rtf"));
        }
    }
}

TEST_F(KezccTest, ChurchSlavonicSampleFollowsEachValueOfItsEightOptions)
{
    const QByteArray sample = readAll(QStringLiteral(KEZ_SOURCE_DIR "/tools/kezcc/sample/slavonic.kez"));
    ASSERT_FALSE(sample.isEmpty());
    options.Ucs8Text().FillWith(QStringLiteral("Corvinel Ucs"), 17, false, false, 9, 0);
    options.CSERoosText().FillWith(QStringLiteral("Orthodox.tt eRoos"), 18, true, false, 0, 0);
    options.CSOtherText().FillWith(QStringLiteral("Times New Roman"), 19, false, false, 2, 0);
    options.CSSpaceOutText().FillWith(QStringLiteral("Georgia"), 13, false, false, 3, 0);
    const QString slavonic = QStringLiteral("Въ нача́лѣ бѣ̀ сло́во, и҆ сло́во бѣ̀ къ бг҃ꙋ̀.");
    const QString spaced = QStringLiteral("бл҃же́нъ мꙋ́жъ");
    const QString numbers = QStringLiteral("а҃а҃іє҃ім҃҂асл҃д҂зф҃ѳѻ҃ѿ҃");
    // A machine without an eROOS face or one with the Typikon signs: every mode that allows
    // numbers writes them as Unicode and the signs as their stand-ins, and says why.
    useFonts({QStringLiteral("letters")});
    const QString signStandIns = QStringLiteral("(·)(:)+(+(+)");
    const QString noERoos = QStringLiteral("Шрифт eROOS «Orthodox.tt eRoos» не установлен: числа и знаки Типикона "
                                           "записаны шрифтом «Times New Roman»");
    const QString standIns = QStringLiteral("В шрифте «Times New Roman» нет знаков Типикона: вместо них записаны "
                                            "замены из обычных знаков");
    const QByteArray exportFolder = qgetenv("KEZ_SAMPLE_RTF_DIR");

    for (const qint32 mode : {0, 1, 2, 3}) {
        SCOPED_TRACE(mode);
        options.CSDigitMode = mode;
        options.CSSpaceOutMode = mode;
        options.FtnBottomImpl = mode % 2;
        options.FtnBottomBack = 3 + mode;
        options.FtnMarginImpl = mode / 2;
        options.FtnMarginBack = 10 + mode;
        const RtfReading reading = convertBytes(sample, 0);
        ASSERT_TRUE(reading.balanced);
        // Forbidden numbers and signs are the mark-up errors, eight and five of them.
        EXPECT_EQ(replyMessage(), mode == 0   ? QStringLiteral("Ошибок разметки: 13")
                                  : mode == 1 ? standIns
                                              : noERoos + QStringLiteral("; ") + standIns);

        QMap<int, QString> textByFont;
        QString red, spacedText, bottomInline, marginInline;
        for (RtfRun run : reading.runs) {
            // A line end belongs to no font.
            run.text.remove(QLatin1Char('\n'));
            textByFont[run.format.font] += run.text;
            if (run.format.fore == 6)
                red += run.text;
            if (spaced.contains(run.text.trimmed()) && !run.text.trimmed().isEmpty()) {
                spacedText += run.text;
                EXPECT_EQ(run.format.font, mode == 3 ? 3 : 0);
                EXPECT_EQ(run.format.italic, mode == 1);
                EXPECT_EQ(run.format.underline, mode == 2);
            }
            if (!run.note && run.text.contains(QStringLiteral("Пс. 1:1."))) {
                bottomInline += run.text;
                EXPECT_EQ(run.format.back, options.FtnBottomBack);
            }
            if (!run.note && run.text.contains(QStringLiteral("Зач. 1."))) {
                marginInline += run.text;
                EXPECT_EQ(run.format.back, options.FtnMarginBack);
            }
            if (run.format.font == 0) {
                EXPECT_EQ(run.format.halfPoints, 34);
            }
        }
        // The same Church Slavonic text whether written directly or with ASCII marks.
        EXPECT_EQ(textByFont[0].count(slavonic), 2) << textByFont[0].toStdString();
        EXPECT_EQ(spacedText, spaced);
        EXPECT_EQ(textByFont[2], mode == 0 ? QString() : numbers + signStandIns);
        EXPECT_EQ(textByFont[1], QString());
        EXPECT_EQ(red, mode == 0 ? QString() : QStringLiteral("(:)+(+(+)"));
        EXPECT_EQ(textByFont[7].contains(QStringLiteral("<csnum>&{1234}")), mode == 0);
        EXPECT_EQ(textByFont[7].contains(QStringLiteral("<cssign>&{great}")), mode == 0);
        // Notes: a real footnote and a text box in the margin, or the text highlighted in place.
        EXPECT_EQ(reading.footnotes.size(), mode % 2 == 0 ? 1 : 0);
        EXPECT_EQ(reading.footnotes.value(0).trimmed(), mode % 2 == 0 ? QStringLiteral("Пс. 1:1.") : QString());
        EXPECT_EQ(bottomInline.isEmpty(), mode % 2 == 0);
        EXPECT_EQ(reading.marginNotes, mode / 2 == 0 ? QStringList{QStringLiteral("Зач. 1.\n")} : QStringList());
        EXPECT_EQ(marginInline.isEmpty(), mode / 2 == 0);
        EXPECT_TRUE(reading.text.contains(QStringLiteral(" в тексте.")));

        if (!exportFolder.isEmpty())
            QFile::copy(folder + QStringLiteral("/Псалом.rtf"), QStringLiteral("%1/slavonic-mode%2.rtf")
                                                                    .arg(QString::fromLocal8Bit(exportFolder))
                                                                    .arg(mode));
        QFile::remove(folder + QStringLiteral("/Псалом.rtf"));
    }

    // A 1251 source writes the marks and the letters 1251 lacks in ASCII.
    const QString asciiLine = QString::fromUtf8(sample.split('\n').value(1));
    const RtfReading cp1251 = convertBytes(encodeRussian(asciiLine, false), 1);
    QString inUcs;
    for (const RtfRun& run : cp1251.runs)
        inUcs += run.format.font == 0 ? run.text : QString();
    EXPECT_EQ(inUcs.trimmed(), slavonic);
}

TEST_F(KezccTest, SourcesThatAreNotRegularFilesAreRefusedWithoutWaiting)
{
    const QString fifo = folder + QStringLiteral("/канал.kez");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& source : {fifo, QStringLiteral("/dev/null")}) {
        SCOPED_TRACE(source.toStdString());
        const QString output = folder + QStringLiteral("/out.rtf");
        EXPECT_FALSE(convert(source, output));
        EXPECT_EQ(code, ConverterCodes::Kezcc::SourceNotRegularFile);
        EXPECT_TRUE(message.contains(QStringLiteral("не является обычным файлом"))) << message.toStdString();
        EXPECT_TRUE(message.contains(source));
        EXPECT_FALSE(QFile::exists(output));
    }
}

TEST_F(KezccTest, StrayBytesInUtf8AreCountedAndTheRestIsKept)
{
    QByteArray bytes = kRussianSample.toUtf8();
    bytes.insert(20, "\xFF");
    bytes.insert(40, "\xC3");
    const RtfReading reading = convertBytes(bytes, 0);
    EXPECT_EQ(replyMessage(), QStringLiteral("Недопустимых байтов в исходном файле (заменены знаком \uFFFD): 2"));
    EXPECT_EQ(reading.text.count(QChar(0xFFFD)), 2);
    EXPECT_TRUE(reading.text.contains(QStringLiteral("Щука\tи ЭХО: ЮЛА, ЯМА, ФЪЫЬ.")));
}

TEST_F(KezccTest, ConverterCodesDoNotCollideWithTheProgramsOwn)
{
    const qint32 program[] = {ConverterCodes::kNotConfirmed,  ConverterCodes::kGlobalAllocFailed,
                              ConverterCodes::kLaunchFailed,   ConverterCodes::kReplyUnreadable,
                              ConverterCodes::kClipboardPlaceFailed, ConverterCodes::kPathTooLong};
    const qint32 converter[] = {ConverterCodes::Kezcc::MalformedRequest, ConverterCodes::Kezcc::SourceUnreadable,
                                ConverterCodes::Kezcc::OutputUnwritable, ConverterCodes::Kezcc::NoRequest,
                                ConverterCodes::Kezcc::SourceNotRegularFile, ConverterCodes::Kezcc::InternalFailure};
    for (const qint32 ours : converter) {
        EXPECT_LT(ours, -1);
        for (const qint32 theirs : program)
            EXPECT_NE(ours, theirs);
    }
}

TEST_F(KezccTest, NumbersAndSignsFallBackByTheFontsInstalled)
{
    writeAll(folder + QStringLiteral("/числа.kez"), "<csnum>&{870} <cssign>&{vigil}");
    const QString number = QStringLiteral("ѿ҃ѻ"), sign = QString::fromUcs4(U"\U0001F541", 1);
    const QString eroosNumber = QStringLiteral("љЃЎ"), eroosSign = QStringLiteral("Њ"), standIn = QStringLiteral("(+");
    const QString noERoos = QStringLiteral("Шрифт eROOS «Test Orthodox eRoos» не установлен");
    const QString standIns = QStringLiteral("нет знаков Типикона: вместо них записаны замены");
    const QString eroosInstead = QStringLiteral("показывает не все числа и знаки Типикона");
    const struct {
        const char* name;
        qint32 mode;
        QStringList fonts;    // installed
        QString ordinaryFace; // CSOtherText
        QString inOrdinary;   // what CSOtherText shows
        QString inERoos;      // what CSERoosText shows
        QStringList remarks;  // what the reply says
    } cases[] = {
        {"1, signs", 1, {"eroos", "signs"}, "Test Signs", number + sign, "", {}},
        {"1, no signs", 1, {"eroos", "letters"}, "Test Letters", number + standIn, "", {standIns}},
        {"2, signs, eROOS", 2, {"eroos", "signs"}, "Test Signs", number + sign, "", {}},
        {"2, signs, no eROOS", 2, {"signs"}, "Test Signs", number + sign, "", {}},
        {"2, no signs, eROOS", 2, {"eroos", "letters"}, "Test Letters", number, eroosSign, {eroosInstead}},
        {"2, no signs, no eROOS", 2, {"letters"}, "Test Letters", number + standIn, "", {noERoos, standIns}},
        // A face not installed is the one that stands in for it: here the eROOS face, without letters.
        {"2, no letters, eROOS", 2, {"eroos"}, "Missing Face", "", eroosNumber + eroosSign, {eroosInstead}},
        {"3, signs, eROOS", 3, {"eroos", "signs"}, "Test Signs", "", eroosNumber + eroosSign, {}},
        {"3, no signs, eROOS", 3, {"eroos", "letters"}, "Test Letters", "", eroosNumber + eroosSign, {}},
        {"3, signs, no eROOS", 3, {"signs"}, "Test Signs", number + sign, "", {noERoos}},
        {"3, no signs, no eROOS", 3, {"letters"}, "Test Letters", number + standIn, "", {noERoos, standIns}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        useFonts(c.fonts);
        options.CSDigitMode = c.mode;
        options.CSERoosText().FillWith(QStringLiteral("Test Orthodox eRoos"), 16, false, false, 0, 0);
        options.CSOtherText().FillWith(c.ordinaryFace, 16, false, false, 0, 0);
        ASSERT_TRUE(convert(folder + QStringLiteral("/числа.kez"), folder + QStringLiteral("/числа.rtf")));
        const RtfReading reading = readRtf(readAll(folder + QStringLiteral("/числа.rtf")));
        QString inOrdinary, inERoos;
        for (const RtfRun& run : reading.runs) {
            if (run.format.font == 2)
                inOrdinary += run.text.trimmed();
            else if (run.format.font == 1)
                inERoos += run.text.trimmed();
        }
        EXPECT_EQ(inOrdinary, c.inOrdinary);
        EXPECT_EQ(inERoos, c.inERoos);
        const QString reply = replyMessage();
        for (const QString& remark : c.remarks)
            EXPECT_TRUE(reply.contains(remark)) << reply.toStdString();
        EXPECT_EQ(reply.count(QStringLiteral("; ")), std::max<qsizetype>(c.remarks.size() - 1, 0)) << reply.toStdString();
    }

    // Installed, but no eROOS face by the font catalogue's rule; and an eROOS name not installed.
    useFonts({QStringLiteral("eroos"), QStringLiteral("signs")});
    options.CSDigitMode = 3;
    options.CSOtherText().FillWith(QStringLiteral("Test Signs"), 16, false, false, 0, 0);
    const std::pair<QString, QString> faces[] = {
        {QStringLiteral("Test Signs"), QStringLiteral("«Test Signs» не шрифт eROOS")},
        {QStringLiteral("Orthodox.tt eRoos"), QStringLiteral("Шрифт eROOS «Orthodox.tt eRoos» не установлен")}};
    for (const auto& [face, remark] : faces) {
        SCOPED_TRACE(face.toStdString());
        options.CSERoosText().FillWith(face, 16, false, false, 0, 0);
        ASSERT_TRUE(convert(folder + QStringLiteral("/числа.kez"), folder + QStringLiteral("/числа.rtf")));
        const RtfReading reading = readRtf(readAll(folder + QStringLiteral("/числа.rtf")));
        EXPECT_FALSE(reading.fontsUsed.contains(1));
        EXPECT_TRUE(replyMessage().startsWith(remark)) << replyMessage().toStdString();
    }
}
