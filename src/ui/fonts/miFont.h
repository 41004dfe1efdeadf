#pragma once
#include "ui/fonts/TInstalledFont.h"

#include <QString>

#include <memory>

class QPainter;

// The installed TrueType families and the drawing call of the font sample.
namespace miFont {

// Longest face name a family can have: LOGFONT's face field, less its terminating zero.
inline constexpr int kMaxFaceLength = 31;

// A new catalogue of the installed TrueType families, sorted; the first entry of a face wins.
// Null (after a report) when the enumeration fails as a whole.
std::unique_ptr<InstalledFontCollection> GetInstalledFonts();

// A new catalogue with the same families in ascending order of their lower-cased faces, compared
// by UTF-16 code unit. Null (after a report) on failure.
std::unique_ptr<InstalledFontCollection> SortFontList(const InstalledFontCollection& aList);

// Where TextOutW puts the reference point of the text.
enum class TextAlign { LeftBaseline, CenterBaseline };

// Draws the text with the painter's font, pen, background and background mode, its reference
// point at (aX, aY). 0 for an empty text (nothing drawn), non-zero otherwise.
qint32 UnicodeTextOut(QPainter& aPainter, qint32 aX, qint32 aY, const QString& aText,
                      TextAlign aAlign = TextAlign::LeftBaseline);

} // namespace miFont
