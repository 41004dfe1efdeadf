#include "support/RtfReading.h"

#include <QList>

#include <cctype>

RtfReading readRtf(const QByteArray& aRtf)
{
    RtfReading reading;
    reading.header = aRtf.startsWith("{\\rtf1\\ansi");
    enum class Area { Body, FontTable, ColourTable };
    QList<Area> areas{Area::Body};
    int depth = 0;
    int fontNumber = -1;
    QString fontName;
    int skip = 0;
    const auto put = [&](QChar aChar) {
        if (skip > 0) {
            --skip;
            return;
        }
        if (areas.last() == Area::Body && depth == 1)
            reading.text += aChar;
        else if (areas.last() == Area::FontTable && fontNumber >= 0)
            fontName += aChar;
    };
    for (qsizetype i = 0; i < aRtf.size(); ++i) {
        const char c = aRtf[i];
        if (c == '{') {
            ++depth;
            areas.append(areas.last());
        } else if (c == '}') {
            if (areas.last() == Area::FontTable && fontNumber >= 0 && depth >= 3) {
                fontName.chop(fontName.endsWith(QLatin1Char(';')) ? 1 : 0);
                reading.fonts.insert(fontNumber, fontName.trimmed());
                fontNumber = -1;
                fontName.clear();
            }
            --depth;
            areas.removeLast();
            if (depth < 0 || areas.isEmpty()) {
                reading.balanced = false;
                return reading;
            }
        } else if (c == '\\') {
            const char next = i + 1 < aRtf.size() ? aRtf[i + 1] : '\0';
            if (next == '\\' || next == '{' || next == '}') {
                put(QLatin1Char(next));
                ++i;
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

