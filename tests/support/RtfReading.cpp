#include "support/RtfReading.h"

#include <QList>

#include <cctype>
#include <iconv.h>

namespace {

// One byte in the code page an RTF character set stands for, decoded by the C library rather
// than by tables of the converter under test.
QChar decodeByte(unsigned char aByte, int aCharset)
{
    const char* codePage = aCharset == 161 ? "CP1253" : aCharset == 0 ? "CP1252" : "CP1251";
    iconv_t converter = iconv_open("UTF-16LE", codePage);
    if (converter == iconv_t(-1))
        return QChar(0xFFFD);
    char in[1] = {char(aByte)};
    char out[4] = {};
    char* inPointer = in;
    char* outPointer = out;
    size_t inLeft = 1, outLeft = sizeof out;
    const size_t done = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
    iconv_close(converter);
    if (done == size_t(-1) || outLeft != 2)
        return QChar(0xFFFD);
    return QChar(char16_t(static_cast<unsigned char>(out[0]) | (static_cast<unsigned char>(out[1]) << 8)));
}

} // namespace

RtfReading readRtf(const QByteArray& aRtf)
{
    RtfReading reading;
    reading.header = aRtf.startsWith("{\\rtf1\\ansi");
    enum class Area { Body, FontTable, ColourTable, Footnote, MarginNote, Skipped };
    QList<Area> areas{Area::Body};
    QList<RtfFormat> formats{RtfFormat{}};
    int depth = 0;
    int fontNumber = -1;
    QString fontName;
    int skip = 0;
    bool starred = false;
    const auto put = [&](QChar aChar) {
        if (skip > 0) {
            --skip;
            return;
        }
        const Area area = areas.last();
        const bool note = area == Area::Footnote || area == Area::MarginNote;
        if ((area == Area::Body && depth >= 1) || note) {
            if (reading.runs.isEmpty() || !(reading.runs.last().format == formats.last()) ||
                reading.runs.last().note != note)
                reading.runs.append(RtfRun{formats.last(), {}, note});
            reading.runs.last().text += aChar;
        }
        if (area == Area::Footnote)
            reading.footnotes.last() += aChar;
        else if (area == Area::MarginNote)
            reading.marginNotes.last() += aChar;
        if (areas.last() == Area::Body && depth >= 1)
            reading.text += aChar;
        else if (areas.last() == Area::FontTable && fontNumber >= 0)
            fontName += aChar;
    };
    for (qsizetype i = 0; i < aRtf.size(); ++i) {
        const char c = aRtf[i];
        if (c == '{') {
            ++depth;
            areas.append(areas.last());
            formats.append(formats.last());
        } else if (c == '}') {
            if (areas.last() == Area::FontTable && fontNumber >= 0 && depth >= 3) {
                fontName.chop(fontName.endsWith(QLatin1Char(';')) ? 1 : 0);
                reading.fonts.insert(fontNumber, fontName.trimmed());
                fontNumber = -1;
                fontName.clear();
            }
            --depth;
            areas.removeLast();
            if (formats.size() > 1)
                formats.removeLast();
            if (depth < 0 || areas.isEmpty()) {
                reading.balanced = false;
                return reading;
            }
        } else if (c == '\\') {
            const char next = i + 1 < aRtf.size() ? aRtf[i + 1] : '\0';
            if (next == '*') {
                starred = true;
                ++i;
                continue;
            }
            if (next == '\\' || next == '{' || next == '}') {
                put(QLatin1Char(next));
                ++i;
                continue;
            }
            if (next == '\'' && i + 3 < aRtf.size()) {
                const int byte = aRtf.mid(i + 2, 2).toInt(nullptr, 16);
                // The fallback after \uN is no text of its own.
                reading.codePageEscapes += skip == 0 ? 1 : 0;
                put(decodeByte(static_cast<unsigned char>(byte), reading.charsets.value(formats.last().font, 204)));
                i += 3;
                continue;
            }
            qsizetype j = i + 1;
            QByteArray word;
            while (j < aRtf.size() && std::isalpha(static_cast<unsigned char>(aRtf[j])))
                word += aRtf[j++];
            QByteArray digits;
            if (j < aRtf.size() && aRtf[j] == '-')
                digits += aRtf[j++];
            while (j < aRtf.size() && std::isdigit(static_cast<unsigned char>(aRtf[j])))
                digits += aRtf[j++];
            if (j < aRtf.size() && aRtf[j] == ' ')
                ++j;
            i = j - 1;
            const int value = digits.toInt();
            if (starred) {
                starred = false;
                areas.last() = word == "annotation" ? Area::MarginNote : Area::Skipped;
                if (word == "annotation")
                    reading.marginNotes.append(QString());
                continue;
            }
            if (word == "footnote") {
                areas.last() = Area::Footnote;
                reading.footnotes.append(QString());
            } else if (word == "shptxt") {
                areas.last() = Area::MarginNote;
                reading.marginNotes.append(QString());
            }
            RtfFormat& format = formats.last();
            const bool on = digits.isEmpty() || value != 0;
            if (areas.last() == Area::Body || areas.last() == Area::Footnote || areas.last() == Area::MarginNote) {
                if (word == "plain")
                    format = RtfFormat{};
                else if (word == "f")
                    format.font = value;
                else if (word == "fs")
                    format.halfPoints = value;
                else if (word == "b")
                    format.bold = on;
                else if (word == "i")
                    format.italic = on;
                else if (word == "v")
                    format.hidden = on;
                else if (word == "ul")
                    format.underline = on;
                else if (word == "ulnone")
                    format.underline = false;
                else if (word == "cf")
                    format.fore = value;
                else if (word == "highlight")
                    format.back = value;
            }
            if (word == "fcharset" && areas.last() == Area::FontTable && fontNumber >= 0)
                reading.charsets.insert(fontNumber, value);
            if (word == "fonttbl")
                areas.last() = Area::FontTable;
            else if (word == "colortbl")
                areas.last() = Area::ColourTable;
            else if (word == "f" && areas.last() == Area::FontTable)
                fontNumber = value;
            else if (word == "f")
                reading.fontsUsed.insert(value);
            else if (word == "cf" || word == "highlight" || word == "cb")
                reading.coloursUsed.insert(value);
            else if (word == "par")
                put(QLatin1Char('\n'));
            else if (word == "tab")
                put(QLatin1Char('\t'));
            else if (word == "u") {
                put(QChar(char16_t(value < 0 ? value + 65536 : value)));
                skip = 1;
            }
        } else if (c == ';' && areas.last() == Area::ColourTable) {
            ++reading.colours;
        } else if (c != '\r' && c != '\n') {
            put(QLatin1Char(c));
        }
    }
    reading.balanced = reading.balanced && depth == 0;
    return reading;
}

