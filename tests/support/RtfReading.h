#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>

// Character formatting in force for a piece of body text.
struct RtfFormat {
    int font = 0;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool hidden = false;
    int fore = 0;
    int back = 0;
    bool operator==(const RtfFormat&) const = default;
};

// A stretch of body text in one formatting (a \par reads as '\n').
struct RtfRun {
    RtfFormat format;
    QString text;
};

// What an RTF reader sees: whether the groups balance, the font and colour tables, the fonts
// and colours the text refers to, the text with \uN, \'hh (in the code page of the font's
// character set), \par, \tab and escapes decoded, and the runs of formatting.
struct RtfReading {
    bool balanced = true;
    bool header = false;
    QMap<int, QString> fonts;
    QMap<int, int> charsets;
    int colours = 0;
    QSet<int> fontsUsed;
    QSet<int> coloursUsed;
    QString text;
    QList<RtfRun> runs;
    int codePageEscapes = 0; // how many \'hh were read
};

RtfReading readRtf(const QByteArray& aRtf);
