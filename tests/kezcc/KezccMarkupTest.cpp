// The bundled converter's pieces in process: encoding detection, decoding in pieces, the mark-up
// grammar and the RTF runs it produces, read back with the tests' own RTF reader.
#include "ChurchSlavonic.h"
#include "DigitFonts.h"
#include "EncodingDetection.h"
#include "KezMarkup.h"
#include "KezccConversion.h"
#include "RtfWriter.h"
#include "SourceDecoder.h"

#include "core/options/TLuKezOptions.h"
#include "core/runner/ExternalData.h"
#include "support/RtfReading.h"

#include <gtest/gtest.h>

#include <QString>

#include <memory>
#include <set>
#include <vector>

using namespace kezcc;
namespace NSMode = OptionValues::NSMode;

namespace {

struct BufferSink : ByteSink {
    QByteArray bytes;
    void write(const char* aBytes, std::size_t aSize) override { bytes.append(aBytes, qsizetype(aSize)); }
};

QString shown(const Text& aText) { return QString::fromStdU16String(aText); }

std::array<RtfFont, kFontCount> testFonts()
{
    std::array<RtfFont, kFontCount> fonts;
    for (int i = 0; i < kFontCount; ++i) {
        fonts[i].face = QStringLiteral("Face%1").arg(i).toStdU16String();
        fonts[i].size = 10 + i;
        fonts[i].charset = i == FontIndex::Greek ? 161 : i == FontIndex::Latin ? 0 : 204;
    }
    return fonts;
}

std::u32string toUcs4(const QString& aText)
{
    const QList<uint> units = aText.toUcs4();
    return std::u32string(units.begin(), units.end());
}

struct Rendered {
    RtfReading reading;
    std::int64_t errors = 0;
    QByteArray rtf;
};

// Mark-up text through the parser and the writer, fed in pieces of aPiece characters.
Rendered render(const QString& aText, const MarkupModes& aModes = {}, int aRusMode = 0, int aGreekMode = 1,
                std::size_t aPiece = 0)
{
    BufferSink sink;
    RtfWriter writer(testFonts(), aRusMode, aGreekMode, sink);
    KezMarkup markup(aModes, writer);
    const std::u32string text = toUcs4(aText);
    const std::size_t piece = aPiece == 0 ? text.size() + 1 : aPiece;
    for (std::size_t i = 0; i < text.size(); i += piece)
        markup.feed(text.data() + i, std::min(piece, text.size() - i));
    markup.finish();
    writer.finish();
    return {readRtf(sink.bytes), markup.errors(), sink.bytes};
}

// The text of the runs set in one font (and, for the construct font, hidden or not).
QString textIn(const RtfReading& aReading, int aFont, int aHidden = -1)
{
    QString text;
    for (const RtfRun& run : aReading.runs) {
        if (run.format.font == aFont && (aHidden < 0 || run.format.hidden == bool(aHidden)))
            text += run.text;
    }
    return text;
}

QString decodeAll(const QByteArray& aBytes, TextEncoding aEncoding, std::size_t aPiece, std::int64_t* aUndecodable = nullptr)
{
    SourceDecoder decoder(aEncoding);
    std::vector<char32_t> out(aBytes.size() + 2);
    std::u32string text;
    for (qsizetype i = 0; i < aBytes.size(); i += qsizetype(aPiece)) {
        const std::size_t size = std::min<std::size_t>(aPiece, std::size_t(aBytes.size() - i));
        const std::size_t count = decoder.decode(aBytes.constData() + i, size, out.data());
        text.append(out.data(), count);
    }
    const std::size_t count = decoder.finish(out.data());
    text.append(out.data(), count);
    if (aUndecodable)
        *aUndecodable = decoder.undecodable();
    return QString::fromUcs4(text.data(), qsizetype(text.size()));
}

} // namespace

TEST(KezccEncoding, DetectionFollowsMarksValidityAndLetterStatistics)
{
    const QByteArray russianUtf8 = QStringLiteral("Съешь же ещё этих мягких французских булок").toUtf8();
    QByteArray stray = russianUtf8.repeated(3);
    stray.insert(10, '\xFF');
    const QByteArray cp1251 = "\xD1\xfa\xe5\xf8\xfc \xe6\xe5 \xe5\xf9\xb8 \xfd\xf2\xe8\xf5 \xec\xff\xe3\xea\xe8\xf5";
    const QByteArray cp866 = "\x91\xea\xa5\xe8\xec \xa6\xa5 \xa5\xe9\xf1 \xed\xe2\xa8\xe5 \xac\xef\xa3\xaa\xa8\xe5";
    const struct {
        const char* name;
        QByteArray bytes;
        TextEncoding encoding;
        int bomLength;
    } cases[] = {
        {"utf-8 mark", "\xEF\xBB\xBF" + cp1251, TextEncoding::Utf8, 3},
        {"utf-16le mark", QByteArray("\xFF\xFE" "a\0", 4), TextEncoding::Utf16LE, 2},
        {"utf-16be mark", QByteArray("\xFE\xFF\0a", 4), TextEncoding::Utf16BE, 2},
        {"valid utf-8", russianUtf8, TextEncoding::Utf8, 0},
        {"utf-8 with one stray byte", stray, TextEncoding::Utf8, 0},
        {"ascii", "plain text", TextEncoding::Utf8, 0},
        {"utf-8 with three-byte marks", QStringLiteral("бг҃ꙋ̀ ").toUtf8().repeated(5), TextEncoding::Utf8, 0},
        // Not UTF-8; as 866 they read as letters.
        {"encoded surrogates", QByteArray("\xED\xA0\x80 ").repeated(3), TextEncoding::Dos866, 0},
        {"empty", "", TextEncoding::Utf8, 0},
        {"1251", cp1251, TextEncoding::Windows1251, 0},
        {"866", cp866, TextEncoding::Dos866, 0},
        {"utf-8 cut short", russianUtf8.left(3), TextEncoding::Windows1251, 0},
        // Long enough for checking to stop early; ends in valid UTF-8 that cannot outweigh it.
        {"long 866", cp866.repeated(200) + russianUtf8.repeated(20), TextEncoding::Dos866, 0},
        {"866 among valid utf-8", russianUtf8.repeated(400) + cp866, TextEncoding::Utf8, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Detection whole = detectEncoding(c.bytes.constData(), std::size_t(c.bytes.size()));
        EXPECT_EQ(whole.encoding, c.encoding);
        EXPECT_EQ(whole.bomLength, c.bomLength);
        // Byte by byte gives the same answer, with or without knowing the size ahead.
        EncodingDetector detector, sized(c.bytes.size());
        for (const char byte : c.bytes) {
            detector.feed(&byte, 1);
            sized.feed(&byte, 1);
        }
        EXPECT_EQ(detector.result().encoding, c.encoding);
        EXPECT_EQ(sized.result().encoding, c.encoding);
    }
}

TEST(KezccEncoding, DecodingInPiecesOfAnySizeGivesTheSameText)
{
    const QString text = QStringLiteral("Ἐν ἀρχῇ\r\nВъ началѣ\r\rbeta \U0001D11E\tend\n");
    const QByteArray utf16le(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    QByteArray utf16be = utf16le;
    for (qsizetype i = 0; i + 1 < utf16be.size(); i += 2)
        std::swap(utf16be[i], utf16be[i + 1]);
    const QString expected = QStringLiteral("Ἐν ἀρχῇ\nВъ началѣ\n\nbeta \U0001D11E\tend\n");
    const struct {
        TextEncoding encoding;
        QByteArray bytes;
    } cases[] = {{TextEncoding::Utf8, text.toUtf8()}, {TextEncoding::Utf16LE, utf16le}, {TextEncoding::Utf16BE, utf16be}};
    for (const auto& c : cases) {
        for (std::size_t piece = 1; piece <= 7; ++piece) {
            SCOPED_TRACE(piece);
            std::int64_t undecodable = -1;
            EXPECT_EQ(decodeAll(c.bytes, c.encoding, piece, &undecodable), expected);
            EXPECT_EQ(undecodable, 0);
        }
    }
}

TEST(KezccEncoding, StrayBytesBecomeReplacementsAndControlsAreDropped)
{
    const struct {
        const char* name;
        QByteArray bytes;
        TextEncoding encoding;
        QString text;
        std::int64_t undecodable;
    } cases[] = {
        {"stray byte", "a\xFF" "b", TextEncoding::Utf8, QStringLiteral("a\uFFFDb"), 1},
        {"broken sequence", "a\xD0" "b", TextEncoding::Utf8, QStringLiteral("a\uFFFDb"), 1},
        {"cut at the end", "a\xE2\x82", TextEncoding::Utf8, QStringLiteral("a\uFFFD"), 1},
        {"overlong", "\xC0\xAF", TextEncoding::Utf8, QStringLiteral("\uFFFD\uFFFD"), 2},
        {"encoded surrogate", "\xED\xA0\x80", TextEncoding::Utf8, QStringLiteral("\uFFFD\uFFFD\uFFFD"), 3},
        {"c0 and c1 controls", "a\x01\x1B\x7F\xC2\x85\xC2\x9F" "b\xC2\xA0", TextEncoding::Utf8, QStringLiteral("ab\u00A0"), 0},
        {"leading mark", "\xEF\xBB\xBFx", TextEncoding::Utf8, QStringLiteral("x"), 0},
        {"1251's unassigned 0x98 and controls", "\xE0\x98\x01\xFF", TextEncoding::Windows1251, QStringLiteral("ая"), 0},
        {"lone low surrogate", QByteArray("\x00\xDC" "a\0", 4), TextEncoding::Utf16LE, QStringLiteral("\uFFFDa"), 1},
        {"odd last byte", QByteArray("a\0b", 3), TextEncoding::Utf16LE, QStringLiteral("a\uFFFD"), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::int64_t undecodable = -1;
        EXPECT_EQ(decodeAll(c.bytes, c.encoding, 4096, &undecodable), c.text);
        EXPECT_EQ(undecodable, c.undecodable);
    }
}

TEST(KezccMarkup, ConstructsAndErrorsAreRecognisedWhateverThePieces)
{
    constexpr int N = FontIndex::NonSupport, E = FontIndex::Error;
    MarkupModes visible;
    visible.specialComments = visible.commands = visible.functions = visible.variants = NSMode::Visible;
    const struct {
        const char* name;
        QString source;
        QString plain;      // text in the three script fonts, line ends left out
        QString constructs; // text in the construct font
        QString errors;     // text in the error font
        std::int64_t errorCount;
    } cases[] = {
        {"comment", u"a %{note} b"_qs, u"a  b"_qs, u"%{note}"_qs, u""_qs, 0},
        {"command", u"%{!bold}x"_qs, u"x"_qs, u"%{!bold}"_qs, u""_qs, 0},
        {"function", u"<ref>&{Пс. 1}."_qs, u"."_qs, u"<ref>&{Пс. 1}"_qs, u""_qs, 0},
        {"function with two arguments", u"<f>&{a}&{b}&c"_qs, u"&c"_qs, u"<f>&{a}&{b}"_qs, u""_qs, 0},
        {"variant", u"?&{one}&{two}!"_qs, u"!"_qs, u"?&{one}&{two}"_qs, u""_qs, 0},
        {"nesting and escapes", u"%{a {b} \\} %{c}} z"_qs, u" z"_qs, u"%{a {b} \\} %{c}}"_qs, u""_qs, 0},
        {"escaped specials", u"\\%\\{\\}\\<\\>\\?\\&\\\\ \\q"_qs, u"%{}<>?&\\ \\q"_qs, u""_qs, u""_qs, 0},
        {"ordinary signs", u"50% a<b c>d why? A&B <x> y"_qs, u"50% a<b c>d why? A&B <x> y"_qs, u""_qs, u""_qs, 0},
        {"unclosed comment", u"a %{open"_qs, u"a "_qs, u""_qs, u"%{open"_qs, 1},
        {"stray closing brace", u"a } b"_qs, u"a  b"_qs, u""_qs, u"}"_qs, 1},
        {"stray opening brace", u"a { b"_qs, u"a  b"_qs, u""_qs, u"{"_qs, 1},
        {"argument of nothing", u"x &{y} z"_qs, u"x  z"_qs, u""_qs, u"&{y}"_qs, 1},
        {"variant with one branch", u"?&{only} z"_qs, u" z"_qs, u""_qs, u"?&{only}"_qs, 1},
        {"construct over lines", u"a%{1\n2}b\nc"_qs, u"abc"_qs, u"%{12}"_qs, u""_qs, 0},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {std::size_t(0), std::size_t(1), std::size_t(3)}) {
            SCOPED_TRACE(std::string(c.name) + ", piece " + std::to_string(piece));
            const Rendered out = render(c.source, visible, 0, 1, piece);
            ASSERT_TRUE(out.reading.balanced);
            QString plain;
            for (const RtfRun& run : out.reading.runs) {
                if (run.format.font != N && run.format.font != E)
                    plain += run.text;
            }
            const auto withoutLineEnds = [](QString aText) { return aText.remove(QLatin1Char('\n')); };
            EXPECT_EQ(withoutLineEnds(plain), c.plain);
            EXPECT_EQ(withoutLineEnds(textIn(out.reading, N)), c.constructs);
            EXPECT_EQ(withoutLineEnds(textIn(out.reading, E)), c.errors);
            EXPECT_EQ(out.reading.text.count(QLatin1Char('\n')), c.source.count(QLatin1Char('\n')) + 1);
            EXPECT_EQ(out.errors, c.errorCount);
        }
    }
}

TEST(KezccMarkup, EachModeOfEachConstruct)
{
    const QString source = u"A %{c} %{!k} <f>&{x} ?&{v}&{w} }."_qs;
    const QString constructs[] = {u"%{c}"_qs, u"%{!k}"_qs, u"<f>&{x}"_qs, u"?&{v}&{w}"_qs};
    for (int construct = 0; construct < 4; ++construct) {
        for (const std::int32_t mode : {NSMode::Ignore, NSMode::AsError, NSMode::Hidden, NSMode::Visible}) {
            for (const std::int32_t errorMode : {0, 1}) {
                SCOPED_TRACE(QStringLiteral("construct %1 mode %2 errors %3").arg(construct).arg(mode).arg(errorMode).toStdString());
                MarkupModes modes;
                modes.specialComments = modes.commands = modes.functions = modes.variants = NSMode::Ignore;
                std::int32_t* fields[] = {&modes.specialComments, &modes.commands, &modes.functions, &modes.variants};
                *fields[construct] = mode;
                modes.errorMode = errorMode;
                const Rendered out = render(source, modes);
                // The stray brace is the one mark-up error, whatever the modes.
                EXPECT_EQ(out.errors, 1);
                const QString errorText = textIn(out.reading, FontIndex::Error);
                const QString expectedErrors =
                    errorMode == 0 ? QString() : (mode == NSMode::AsError ? constructs[construct] : QString()) + u"}"_qs;
                EXPECT_EQ(errorText, expectedErrors);
                EXPECT_EQ(textIn(out.reading, FontIndex::NonSupport, 1), mode == NSMode::Hidden ? constructs[construct] : QString());
                EXPECT_EQ(textIn(out.reading, FontIndex::NonSupport, 0), mode == NSMode::Visible ? constructs[construct] : QString());
                EXPECT_TRUE(out.reading.text.startsWith(QLatin1Char('A')));
            }
        }
    }
}

TEST(KezccMarkup, AConstructNeverClosedWithinTheLimitIsOneErrorAndTheTextGoesOn)
{
    const QString body(qsizetype(kLongestConstruct) + 10, QLatin1Char('x'));
    const Rendered out = render(u"%{"_qs + body + u"\nafter"_qs);
    EXPECT_EQ(out.errors, 1);
    const QString errors = textIn(out.reading, FontIndex::Error);
    EXPECT_EQ(errors.size(), qsizetype(kLongestConstruct) + 1);
    EXPECT_TRUE(errors.startsWith(u"%{xxx"_qs));
    // The opening and the first kLongestConstruct - 1 letters made the fragment.
    EXPECT_EQ(textIn(out.reading, FontIndex::Latin), QString(11, QLatin1Char('x')) + u"\nafter\n"_qs);
}

TEST(KezccRtf, LettersGoToTheFontOfTheirScriptWithThatFontsSettings)
{
    std::array<RtfFont, kFontCount> fonts = testFonts();
    const Rendered out = render(u"Мир Ἐν ἀρχῇ peace и́ ά\n"_qs);
    ASSERT_TRUE(out.reading.balanced);
    EXPECT_EQ(out.reading.text, u"Мир Ἐν ἀρχῇ peace и́ ά\n"_qs);
    QStringList runs;
    for (const RtfRun& run : out.reading.runs) {
        runs << QStringLiteral("%1:%2").arg(run.format.font).arg(run.text);
        EXPECT_EQ(run.format.halfPoints, fonts[run.format.font].size * 2);
    }
    // A space continues the run before it; a combining mark follows its letter.
    EXPECT_EQ(runs, (QStringList{u"4:Мир "_qs, u"5:Ἐν ἀρχῇ "_qs, u"6:peace "_qs, u"4:и́ "_qs, u"5:ά\n"_qs}));
}

TEST(KezccRtf, ModesChooseTheCodePageOrTheUnicodePath)
{
    const QString text = u"Ѣ ѣ ёж Άλφα ἀρχῇ"_qs;
    const struct {
        int rusMode, greekMode;
        QString read;      // what a reader decodes
        int codePageBytes; // how many \'hh
    } cases[] = {
        {0, 1, text, 2},                   // ё and ж in 1251; ѣ does not fit
        {2, 1, text, 0},                   // everything as Unicode
        {0, 0, text, 2 + 4 + 2},           // Άλφα and ρχ in 1253; polytonic ἀ and ῇ do not fit
        {1, 1, u"Ћ ћ ёж Άλφα ἀρχῇ"_qs, 4}, // the ROOS fonts' places of the pre-reform letters
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rusMode * 10 + c.greekMode);
        const Rendered out = render(text, {}, c.rusMode, c.greekMode);
        EXPECT_EQ(out.reading.text, c.read + u"\n"_qs);
        EXPECT_EQ(out.reading.codePageEscapes, c.codePageBytes);
    }
}

namespace {

// The numeral rules stated once more, apart from the converter: letters of the hundreds, tens
// and units (10 + a unit written unit first, then і), a thousands sign before each letter of the
// thousands, and the titlo after the last letter but one, or after the only one.
QString numeralByTheRules(int aValue)
{
    const QString units = u"авгдєѕзиѳ"_qs, tens = u"іклмнѯѻпч"_qs, hundreds = u"рстѵфхѱѿц"_qs;
    const auto group = [&](int aGroup) {
        QString letters;
        if (aGroup >= 100)
            letters += hundreds[aGroup / 100 - 1];
        const int below = aGroup % 100;
        if (below > 10 && below < 20)
            return letters + units[below - 11] + tens[0];
        if (below >= 10)
            letters += tens[below / 10 - 1];
        if (below % 10 > 0)
            letters += units[below % 10 - 1];
        return letters;
    };
    QStringList letters; // each with its thousands sign
    for (const QChar letter : group(aValue / 1000))
        letters << u"\u0482"_qs + letter;
    for (const QChar letter : group(aValue % 1000))
        letters << QString(letter);
    letters[std::max<qsizetype>(letters.size() - 2, 0)] += QChar(0x0483);
    return letters.join(QString());
}

} // namespace

TEST(KezccChurchSlavonic, NumbersAreLettersWithThousandsSignsAndATitloOverTheLastLetterButOne)
{
    const struct {
        int value;
        QString letters;
    } cases[] = {{1, u"а҃"_qs},       {9, u"ѳ҃"_qs},       {10, u"і҃"_qs},        {11, u"а҃і"_qs},
                 {19, u"ѳ҃і"_qs},     {20, u"к҃"_qs},      {21, u"к҃а"_qs},       {70, u"ѻ҃"_qs},
                 {99, u"ч҃ѳ"_qs},     {100, u"р҃"_qs},     {111, u"ра҃і"_qs},     {400, u"ѵ҃"_qs},
                 {800, u"ѿ҃"_qs},     {815, u"ѿє҃і"_qs},   {870, u"ѿ҃ѻ"_qs},      {999, u"цч҃ѳ"_qs},
                 {1000, u"҂а҃"_qs},   {1001, u"҂а҃а"_qs},  {1234, u"҂асл҃д"_qs},  {2010, u"҂в҃і"_qs},
                 {7509, u"҂зф҃ѳ"_qs}, {9999, u"҂ѳцч҃ѳ"_qs}, {11000, u"҂а҃҂і"_qs}, {870070, u"҂ѿ҂ѻ҃ѻ"_qs}};
    for (const auto& c : cases) {
        const std::u32string letters = numberLetters(c.value);
        EXPECT_EQ(QString::fromUcs4(letters.data(), qsizetype(letters.size())), c.letters) << c.value;
    }
    for (int value = 1; value <= 9999; ++value) {
        const std::u32string letters = numberLetters(value);
        ASSERT_EQ(QString::fromUcs4(letters.data(), qsizetype(letters.size())), numeralByTheRules(value)) << value;
    }
    EXPECT_FALSE(numberOf(U"0"));
    EXPECT_FALSE(numberOf(U"1000000"));
    EXPECT_FALSE(numberOf(U"12a"));
    EXPECT_FALSE(numberOf(U"1 2"));
    EXPECT_EQ(numberOf(U" 42 "), 42);
    EXPECT_EQ(numberOf(U"\t7\t"), 7);
}

TEST(KezccChurchSlavonic, MarksWrittenInAsciiBecomeTheirCombiningCharacters)
{
    const std::u32string decoded = decodeChurchSlavonicMarks(U"а\\' е\\` о\\^ бг\\~ i\\= и\\) а\\( \\uA64B\\u2DED \\uD800 \\uzz \\} \\\\'");
    EXPECT_EQ(QString::fromUcs4(decoded.data(), qsizetype(decoded.size())),
              u"а\u0301 е\u0300 о\u0311 бг\u0483 i\u0487 и\u0486 а\u0485 \uA64B\u2DED \\uD800 \\uzz \\} \\\\'"_qs);
}

TEST(KezccChurchSlavonic, OwnFunctionsWithAWrongArgumentOrTooDeepAreErrorsAndTheRestIsKept)
{
    const QString deep = u"<cs>&{"_qs.repeated(kDeepestNesting + 1) + u"x"_qs + u"}"_qs.repeated(kDeepestNesting + 1);
    const struct {
        const char* name;
        QString source;
        std::int64_t errors;
        QString inUcs; // text in the Church Slavonic font
    } cases[] = {
        {"two arguments", u"<cs>&{а}&{б} z"_qs, 1, u""_qs},
        {"not a number", u"<csnum>&{12a}"_qs, 1, u""_qs},
        {"unknown sign", u"<cssign>&{feast}"_qs, 1, u""_qs},
        {"footnote in a footnote", u"<footnote>&{a <footnote>&{b}}"_qs, 1, u""_qs},
        {"number between tabs", u"<csnum>&{\t7\t}"_qs, 0, u""_qs},
        {"nested constructs read inside", u"<cs>&{а %{c} б \\} }"_qs, 0, u"а  б } "_qs},
        {"too deep", deep, 1, u""_qs},
        {"unknown name stays a function", u"<CS>&{а}"_qs, 0, u""_qs},
    };
    MarkupModes modes;
    modes.specialComments = NSMode::Ignore;
    modes.bottomNotes = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Rendered out = render(c.source, modes);
        ASSERT_TRUE(out.reading.balanced);
        EXPECT_EQ(out.errors, c.errors);
        EXPECT_EQ(textIn(out.reading, FontIndex::ChurchSlavonic).remove(QLatin1Char('\n')), c.inUcs);
    }
}

TEST(KezccRtf, TabsAndSpacesStayInTheRunOfTheTextBefore)
{
    const Rendered out = render(u"Verbum\tet Deus\tи"_qs);
    QStringList runs;
    for (const RtfRun& run : out.reading.runs)
        runs << QStringLiteral("%1:%2").arg(run.format.font).arg(run.text);
    EXPECT_EQ(runs, (QStringList{u"6:Verbum\tet Deus\t"_qs, u"4:и\n"_qs}));
}

TEST(KezccRequest, DamagedRecordsAreRefusedWithAWordedReason)
{
    TLuKezOptions options;
    options.FillWithDefaults();
    options.RusMode = 2;
    options.NSModeVariants = 3;
    options.CSDigitMode = 1;
    options.CSSpaceOutMode = 2;
    options.FtnBottomImpl = 1;
    // A highlight outside the palette is no reason to refuse the request.
    options.FtnMarginBack = 17;
    miKezConverterRunner::ExternalRecord good{};
    miKezConverterRunner::SaveAllToExternal(good.data(), options, u"/t/a.kez"_qs, u"/t/a.rtf"_qs);
    const auto record = [&](qint32 aOffset, qint32 aValue) {
        QByteArray bytes(reinterpret_cast<const char*>(good.data()), qsizetype(good.size()));
        if (aOffset >= 0)
            ExternalData::WriteInt32(reinterpret_cast<uchar*>(bytes.data()), aOffset, aValue);
        return bytes;
    };
    using namespace ExternalData;
    const struct {
        const char* name;
        QByteArray bytes;
        const char* reason; // empty: accepted
    } cases[] = {
        {"whole", record(-1, 0), ""},
        {"short", record(-1, 0).left(kRecordSize - 1), "размер 7655 байт"},
        {"signature", record(Offset::Signature, 1), "сигнатура"},
        {"version", record(Offset::Version, 2), "версия 2"},
        {"size field", record(Offset::Size, 100), "указан размер 100"},
        {"face count", record(Offset::GreekText, 63), "имени шрифта"},
        {"negative path count", record(Offset::SourcePath, -1), "исходному файлу"},
        {"output path count", record(Offset::OutputPath, 1023), "выходному файлу"},
        {"encoding", record(Offset::SourceEncoding, 3), "SourceEncoding = 3"},
        {"Russian mode", record(Offset::RusMode, 3), "RusMode = 3"},
        {"Greek mode", record(Offset::GreekMode, -1), "GreekMode = -1"},
        {"error mode", record(Offset::ErrorMode, 2), "ErrorMode = 2"},
        {"construct mode", record(Offset::NSModeCommands, 4), "NSModeCommands = 4"},
        {"digit mode", record(Offset::CSDigitMode, 4), "CSDigitMode = 4"},
        {"spaced-out mode", record(Offset::CSSpaceOutMode, -1), "CSSpaceOutMode = -1"},
        {"margin note mode", record(Offset::FtnMarginImpl, 2), "FtnMarginImpl = 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Request request;
        const std::optional<Outcome> problem = readRequest(c.bytes.toStdString(), request);
        if (*c.reason == '\0') {
            ASSERT_FALSE(problem.has_value()) << shown(problem->message).toStdString();
            EXPECT_EQ(shown(request.source), u"/t/a.kez"_qs);
            EXPECT_EQ(shown(request.output), u"/t/a.rtf"_qs);
            EXPECT_EQ(request.rusMode, 2);
            EXPECT_EQ(request.markup.variants, 3);
            EXPECT_EQ(request.markup.csDigits, 1);
            EXPECT_EQ(request.markup.csSpaceOut, 2);
            EXPECT_EQ(request.markup.bottomNotes, 1);
            EXPECT_EQ(request.markup.marginNoteBack, 17);
            EXPECT_EQ(request.fonts[FontIndex::Error].backColorIndex, 5);
            EXPECT_TRUE(request.fonts[FontIndex::Error].bold);
            continue;
        }
        ASSERT_TRUE(problem.has_value());
        EXPECT_EQ(problem->code, ResultCode::MalformedRequest);
        EXPECT_TRUE(shown(problem->message).startsWith(u"Блок параметров конвертации повреждён: "_qs));
        EXPECT_TRUE(shown(problem->message).contains(QString::fromUtf8(c.reason)))
            << shown(problem->message).toStdString();
        // Whatever the request, the reply is a whole record carrying the code and the reason.
        const std::string reply = makeReply(c.bytes.toStdString(), *problem);
        ASSERT_EQ(reply.size(), std::size_t(kRecordSize));
        EXPECT_EQ(ReadInt32(reinterpret_cast<const uchar*>(reply.data()), Offset::ResultCode),
                  ResultCode::MalformedRequest);
    }
}

TEST(KezccChurchSlavonic, ANoteInsideANoteIsAnErrorWhateverEitherBecomes)
{
    for (const std::int32_t bottom : {0, 1}) {
        for (const std::int32_t margin : {0, 1}) {
            SCOPED_TRACE(bottom * 10 + margin);
            MarkupModes modes;
            modes.bottomNotes = bottom;
            modes.marginNotes = margin;
            const Rendered out =
                render(u"<marginnote>&{a <footnote>&{b}} <footnote>&{c <marginnote>&{d}} <footnote>&{e}"_qs, modes);
            ASSERT_TRUE(out.reading.balanced);
            EXPECT_EQ(out.errors, 2);
            EXPECT_EQ(textIn(out.reading, FontIndex::Error).remove(QLatin1Char('\n')), u"<footnote>&{b}<marginnote>&{d}"_qs);
        }
    }
}

TEST(KezccChurchSlavonic, ErrorFragmentsInsideSpacedOutTextOrANoteInTheTextAreInTheErrorFontAlone)
{
    MarkupModes modes;
    modes.csSpaceOut = OptionValues::CSSpaceOutMode::Italic;
    modes.bottomNotes = OptionValues::FtnImpl::InText;
    modes.bottomNoteBack = 5;
    modes.csDigits = OptionValues::CSDigitMode::Forbidden;
    const Rendered out = render(u"<spaced>&{а &{x} б} <footnote>&{в <csnum>&{1} г}"_qs, modes);
    ASSERT_TRUE(out.reading.balanced);
    EXPECT_EQ(out.errors, 2);
    int errorRuns = 0;
    for (const RtfRun& run : out.reading.runs) {
        if (run.format.font != FontIndex::Error)
            continue;
        ++errorRuns;
        SCOPED_TRACE(run.text.toStdString());
        EXPECT_FALSE(run.format.italic);
        EXPECT_FALSE(run.format.underline);
        EXPECT_EQ(run.format.back, 0);
    }
    EXPECT_EQ(errorRuns, 2);
    // The text around them keeps its own.
    for (const RtfRun& run : out.reading.runs) {
        if (run.text.contains(u"б"_qs)) {
            EXPECT_TRUE(run.format.italic);
        }
        if (run.text.contains(u"г"_qs)) {
            EXPECT_EQ(run.format.back, 5);
        }
    }
}

namespace {

// Installed fonts as a test states them; counts how often the system would have been asked.
struct FakeFonts : InstalledFonts {
    std::set<std::u16string> families;
    std::set<std::pair<std::u16string, char32_t>> coverage;
    bool hasFamily(std::u16string_view aFace) override { return families.count(std::u16string(aFace)) > 0; }
    bool covers(std::u16string_view aFace, char32_t aCharacter) override
    {
        return coverage.count({std::u16string(aFace), aCharacter}) > 0;
    }
};

} // namespace

TEST(KezccChurchSlavonic, TheFontsAreLookedUpOnceAndOnlyForASourceWithNumbersOrSigns)
{
    for (const QString& source : {u"Текст <cs>&{а} без чисел"_qs, u"<csnum>&{1} <cssign>&{great} <csnum>&{2}"_qs}) {
        SCOPED_TRACE(source.toStdString());
        int lookups = 0;
        DigitFonts digitFonts(OptionValues::CSDigitMode::ERoosThenOrdinary, u"Test eRoos", u"Plain", [&lookups] {
            ++lookups;
            auto fonts = std::make_unique<FakeFonts>();
            fonts->families.insert(u"Test eRoos");
            return std::unique_ptr<InstalledFonts>(std::move(fonts));
        });
        BufferSink sink;
        RtfWriter writer(testFonts(), 0, 1, sink);
        KezMarkup markup(MarkupModes{}, writer, &digitFonts);
        const std::u32string text = toUcs4(source);
        markup.feed(text.data(), text.size());
        markup.finish();
        writer.finish();
        const bool numbers = source.contains(u"csnum"_qs);
        EXPECT_EQ(lookups, numbers ? 1 : 0);
        EXPECT_EQ(textIn(readRtf(sink.bytes), FontIndex::ERoos).isEmpty(), !numbers);
        EXPECT_TRUE(digitFonts.remarks().empty());
    }
}

TEST(KezccChurchSlavonic, TheSignsAreTheTypikonsWithTheirStandInsAndEroosPlaces)
{
    const struct {
        const char* name;
        char32_t character;
        QString standIn;
        char16_t eroos;
        bool red;
    } cases[] = {{"six", 0x1F543, u"(\u00B7)"_qs, u'Љ', false},
                 {"doxology", 0x1F543, u"(:)"_qs, u'Љ', true},
                 {"polyeleos", 0x1F542, u"+"_qs, u'Ј', true},
                 {"vigil", 0x1F541, u"(+"_qs, u'Њ', true},
                 {"great", 0x1F540, u"(+)"_qs, u'ј', true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::u32string name = toUcs4(QString::fromLatin1(c.name));
        const std::optional<TypikonSign> sign = signNamed(name);
        ASSERT_TRUE(sign);
        EXPECT_EQ(signCharacter(*sign), c.character);
        const std::u32string_view standIn = signStandIn(*sign);
        EXPECT_EQ(QString::fromUcs4(standIn.data(), qsizetype(standIn.size())), c.standIn);
        EXPECT_EQ(eroosPlace(c.character), char32_t(c.eroos));
        EXPECT_EQ(signIsRed(*sign), c.red);
    }
    // The broad on and ot of the numbers have places of their own.
    EXPECT_EQ(eroosPlace(0x047B), char32_t(u'Ў'));
    EXPECT_EQ(eroosPlace(0x047F), char32_t(u'љ'));
}

TEST(KezccRtf, ReadersWithoutUnicodeOrShapesOrStylesLoseNothingOfTheText)
{
    // Units of one to five digits, on both sides of each step up.
    const QString text = u"Œuvre, œuvre и ѣ мир Verbum \u00A0\u03E7\u03E8\u270F\u2710\u2DED\uA64B\n"_qs;
    const Rendered out = render(text);
    ASSERT_TRUE(out.reading.balanced);
    EXPECT_EQ(out.reading.text, text);
    // The fallback after \uN is an escaped "?", never a literal one a reader may take for text.
    EXPECT_TRUE(out.rtf.contains("\\u338\\'3fuvre,")) << out.rtf.toStdString();
    EXPECT_FALSE(out.rtf.contains("?"));
    // Each run a group of its own: no "\plain" between the runs of a paragraph.
    EXPECT_FALSE(out.rtf.contains("\\plain"));
    EXPECT_GE(out.reading.runs.size(), 3);
    // A4 and a left margin that holds the margin notes' box.
    EXPECT_TRUE(out.rtf.contains("\\paperw11906\\paperh16838\\margl2835"));
    MarkupModes boxes;
    boxes.marginNotes = OptionValues::FtnImpl::Note;
    const Rendered note = render(u"a<marginnote>&{b}"_qs, boxes);
    const qsizetype left = note.rtf.indexOf("\\shpleft-");
    ASSERT_GE(left, 0);
    EXPECT_LE(note.rtf.mid(left + 10, 5).toInt(), 2835 - 200);
}

TEST(KezccEncoding, FiftyValidSequencesPerInvalidPieceMakeUtf8AndATieIs1251)
{
    const QByteArray letter = QStringLiteral("а").toUtf8();
    for (const int valid : {49, 50}) {
        for (const bool invalidFirst : {false, true}) {
            SCOPED_TRACE(valid * 10 + int(invalidFirst));
            const QByteArray bytes = invalidFirst ? "\xFF" + letter.repeated(valid) : letter.repeated(valid) + "\xFF";
            const Detection whole = detectEncoding(bytes.constData(), std::size_t(bytes.size()));
            EncodingDetector unsized;
            unsized.feed(bytes.constData(), std::size_t(bytes.size()));
            EXPECT_EQ(whole.encoding == TextEncoding::Utf8, valid == 50);
            EXPECT_EQ(unsized.result().encoding == TextEncoding::Utf8, valid == 50);
        }
    }
    // "О" in 1251 and "о" in 866 weigh the same: each reads one letter "о" and one sign.
    const QByteArray tie = "\xAE\xCE";
    EXPECT_EQ(detectEncoding(tie.constData(), 2).encoding, TextEncoding::Windows1251);
    const QByteArray more866 = "\xAE\xCE\xAE";
    EXPECT_EQ(detectEncoding(more866.constData(), 3).encoding, TextEncoding::Dos866);
}
