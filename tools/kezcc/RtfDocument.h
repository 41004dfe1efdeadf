#pragma once
#include <QByteArray>
#include <QString>

#include <array>

// A plain RTF document: one paragraph per line of text, in one of the fonts the options name.
namespace kezcc {

struct RtfFont {
    QString face;
    qint32 size = 0;            // points
    bool bold = false;
    bool italic = false;
    qint32 foreColorIndex = 0;  // 0 = automatic, 1..16 = the palette
    qint32 backColorIndex = 0;
    qint32 charset = 0;         // RTF \fcharset
};

inline constexpr int kFontCount = 9;
// Position in the font table of the font the body text is set in (the Russian text font).
inline constexpr int kBodyFont = 4;

// 7-bit RTF: \ { } escaped, tabs as \tab, every other non-ASCII code unit as \uN? (so text in any
// script survives), other control characters dropped.
QByteArray escapeRtfText(const QString& aText);

// The whole document: font table of the nine fonts in record order, the 16-colour palette as the
// colour table (entry 0 automatic), then the text, each line ended by \par.
QByteArray buildRtfDocument(const QString& aText, const std::array<RtfFont, kFontCount>& aFonts);

} // namespace kezcc
