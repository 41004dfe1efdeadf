#pragma once
#include <QtGlobal>

// Where the palette pop-up goes, as plain arithmetic in screen twips, so that every branch can be
// checked without a window or a particular screen.
namespace PopupPlacement {

struct TwipBounds {
    qint32 X = 0;
    qint32 Y = 0;
    qint32 W = 0;
    qint32 H = 0;
    bool operator==(const TwipBounds&) const = default;
};

// aValue / 2 rounded to the nearest integer, ties to even.
qint64 HalfRoundedToEven(qint64 aValue);

// The pop-up of size aWidth × aHeight for the control at aParent: below it with a two-pixel gap;
// above it (same gap) when it does not fit below; centred vertically on the screen when it fits
// neither. Then, when it runs past the right screen edge: right-aligned with the control, else
// centred on the control, else centred on the screen. W and H of the result are the pop-up's own.
TwipBounds BuildFormBounds(const TwipBounds& aParent, qint32 aWidth, qint32 aHeight, qint32 aPixY,
                           qint32 aScreenWidth, qint32 aScreenHeight);

} // namespace PopupPlacement
