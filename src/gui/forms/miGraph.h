#pragma once
#include <QtGlobal>

class QCheckBox;
class QWidget;

// Window geometry in twips (1/1440 inch), the unit every form position is given in.
namespace miGraph {

// Twips per screen pixel, horizontally and vertically (15 at 96 dots per inch): read from the
// primary screen once, rounded, and kept. 0 when the screen cannot be read; read again next time.
qint32 PixX();
qint32 PixY();

// Twips per pixel at aDotsPerInch, rounded; 0 for a reading that is not a resolution.
qint32 TwipsPerPixel(double aDotsPerInch);

// Forgets the kept pixel sizes (a screen change; tests).
void ForgetPixelSizes();

int TwipsToPixelsX(int aTwips);
int TwipsToPixelsY(int aTwips);
int PixelsToTwipsX(int aPixels);
int PixelsToTwipsY(int aPixels);

// Places a child at left, top, width, height given in twips of its parent's client area.
void placeTwips(QWidget* aWidget, int aLeft, int aTop, int aWidth, int aHeight);

// A window's rectangle in screen twips: a top-level window with its frame, a child window as it
// sits on the screen.
void GetWindowBounds(const QWidget* aWindow, qint32& aX, qint32& aY, qint32& aW, qint32& aH);

// True only for a ticked box: unticked and greyed (partially checked) count as not checked.
bool IsChecked(const QCheckBox* aCheckBox);

} // namespace miGraph
