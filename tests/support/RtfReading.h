#pragma once
#include <QByteArray>
#include <QMap>
#include <QSet>
#include <QString>

// What an RTF reader sees: whether the groups balance, the font and colour tables, the fonts
// and colours the text refers to, and the text with \uN, \par, \tab and escapes decoded.
struct RtfReading {
    bool balanced = true;
    bool header = false;
    QMap<int, QString> fonts;
    int colours = 0;
    QSet<int> fontsUsed;
    QSet<int> coloursUsed;
    QString text;
};

RtfReading readRtf(const QByteArray& aRtf);
