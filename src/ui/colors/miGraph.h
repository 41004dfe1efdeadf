#pragma once
#include <QRect>

class QWidget;

// Window geometry in twips (1/1440 inch), as the layout tables give it.
namespace miGraph {

// Twips per screen pixel, horizontally and vertically (15 at 96 dots per inch).
double PixX();
double PixY();

int TwipsToPixelsX(int aTwips);
int TwipsToPixelsY(int aTwips);
int PixelsToTwipsX(int aPixels);
int PixelsToTwipsY(int aPixels);

// Places a child at left, top, width, height given in twips of its parent's client area.
void placeTwips(QWidget* aWidget, int aLeft, int aTop, int aWidth, int aHeight);

} // namespace miGraph
