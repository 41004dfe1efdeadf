#pragma once
#include <QString>

class QPainter;

// The drawing call of the font sample.
namespace miFont {

// Where TextOutW puts the reference point of the text.
enum class TextAlign { LeftBaseline, CenterBaseline };

// Draws the text with the painter's font, pen, background and background mode, its reference
// point at (aX, aY). 0 for an empty text (nothing drawn), non-zero otherwise.
qint32 UnicodeTextOut(QPainter& aPainter, qint32 aX, qint32 aY, const QString& aText,
                      TextAlign aAlign = TextAlign::LeftBaseline);

} // namespace miFont
