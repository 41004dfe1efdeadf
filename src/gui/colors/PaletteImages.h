#pragma once
#include <QPixmap>

// The pop-up's 32 × 32 pictures, drawn at run time: a check mark (black or white) on a transparent
// ground, and a black diagonal cross.
namespace PaletteImages {

inline constexpr int kSize = 32;

QPixmap CheckMark(const QColor& aColor);
QPixmap CloseCross();

} // namespace PaletteImages
