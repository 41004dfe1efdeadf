#include "RtfDocument.h"

#include <QStringList>

namespace kezcc {
namespace {

struct Rgb {
    int red, green, blue;
};

// The sixteen colours a colour index names, in index order from 1.
constexpr std::array<Rgb, 16> kPalette = {{{0, 0, 0},
                                            {0, 0, 255},
                                            {0, 255, 0},
                                            {0, 255, 255},
                                            {255, 0, 255},
                                            {255, 0, 0},
                                            {255, 255, 0},
                                            {255, 255, 255},
                                            {0, 0, 128},
                                            {0, 128, 0},
                                            {0, 128, 128},
                                            {128, 0, 128},
                                            {128, 64, 0},
                                            {128, 128, 0},
                                            {128, 128, 128},
                                            {192, 192, 192}}};

constexpr qint32 kDefaultHalfPoints = 24;
constexpr qint32 kLargestSize = 1638;

bool isPaletteIndex(qint32 aIndex) { return aIndex >= 1 && aIndex <= qint32(kPalette.size()); }

QByteArray number(qint64 aValue) { return QByteArray::number(aValue); }

} // namespace

QByteArray escapeRtfText(const QString& aText)
{
    QByteArray out;
    out.reserve(aText.size() * 2);
    for (const QChar c : aText) {
        const char16_t unit = c.unicode();
        if (unit == u'\\' || unit == u'{' || unit == u'}') {
            out += '\\';
            out += char(unit);
        } else if (unit == u'\t') {
            out += "\\tab ";
        } else if (unit >= 0x20 && unit < 0x7F) {
            out += char(unit);
        } else if (unit >= 0x80) {
            // \u takes a signed 16-bit number; "?" is what a reader without Unicode shows.
            out += "\\u";
            out += number(qint16(unit));
            out += '?';
        }
    }
    return out;
}

QByteArray buildRtfDocument(const QString& aText, const std::array<RtfFont, kFontCount>& aFonts)
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1251\\deff0\\uc1\n{\\fonttbl\n";
    for (int i = 0; i < kFontCount; ++i) {
        // ";" ends an entry of the font table, so it cannot be part of a face name.
        QString face = aFonts[i].face;
        face.remove(QLatin1Char(';'));
        if (face.trimmed().isEmpty())
            face = QStringLiteral("Times New Roman");
        rtf += "{\\f" + number(i) + "\\fnil\\fcharset" + number(aFonts[i].charset) + ' ' + escapeRtfText(face) + ";}\n";
    }
    rtf += "}\n{\\colortbl;";
    for (const Rgb& colour : kPalette)
        rtf += "\\red" + number(colour.red) + "\\green" + number(colour.green) + "\\blue" + number(colour.blue) + ';';
    rtf += "}\n";

    const RtfFont& body = aFonts[kBodyFont];
    const qint32 halfPoints = body.size >= 1 && body.size <= kLargestSize ? body.size * 2 : kDefaultHalfPoints;
    rtf += "\\pard\\plain\\f" + number(kBodyFont) + "\\fs" + number(halfPoints);
    if (body.bold)
        rtf += "\\b";
    if (body.italic)
        rtf += "\\i";
    if (isPaletteIndex(body.foreColorIndex))
        rtf += "\\cf" + number(body.foreColorIndex);
    if (isPaletteIndex(body.backColorIndex))
        rtf += "\\highlight" + number(body.backColorIndex);
    rtf += '\n';

    QString text = aText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = text.split(QLatin1Char('\n'));
    // A final line break ends the last line; it does not start another one.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (const QString& line : lines)
        rtf += escapeRtfText(line) + "\\par\n";
    rtf += "}\n";
    return rtf;
}

} // namespace kezcc
