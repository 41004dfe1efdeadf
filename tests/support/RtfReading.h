#pragma once
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

// Character formatting in force for a piece of body text.
struct RtfFormat {
    int font = 0;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool hidden = false;
    int fore = 0;
    int back = 0;
    bool underline = false;
    bool operator==(const RtfFormat&) const = default;
};

// A stretch of body text in one formatting (a \par reads as '\n').
struct RtfRun {
    RtfFormat format;
    QString text;
    bool note = false; // in a footnote, an annotation or a text box
};

// What an RTF reader sees: whether the groups balance, the font and colour tables, the fonts
// and colours the text refers to, the text with \uN, \'hh (in the code page of the font's
// character set), \par, \tab and escapes decoded, the runs of formatting, and the notes (their
// text is in the runs, marked, but not in the body text). Other \* destinations are skipped.
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
    QStringList footnotes;   // the text of each \footnote
    QStringList marginNotes; // the text of each \annotation or text box (\shptxt)
    int codePageEscapes = 0; // how many \'hh were read
};

RtfReading readRtf(const QByteArray& aRtf);
