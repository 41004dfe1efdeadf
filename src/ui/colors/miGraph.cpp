#include "ui/colors/miGraph.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace miGraph {
namespace {

constexpr double kTwipsPerInch = 1440.0;

double dotsPerInch(bool horizontal)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 96.0;
    const double dpi = horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY();
    return dpi > 0 ? dpi : 96.0;
}

} // namespace

double PixX() { return kTwipsPerInch / dotsPerInch(true); }
double PixY() { return kTwipsPerInch / dotsPerInch(false); }

int TwipsToPixelsX(int aTwips) { return int(std::lround(aTwips / PixX())); }
int TwipsToPixelsY(int aTwips) { return int(std::lround(aTwips / PixY())); }
int PixelsToTwipsX(int aPixels) { return int(std::lround(aPixels * PixX())); }
int PixelsToTwipsY(int aPixels) { return int(std::lround(aPixels * PixY())); }

void placeTwips(QWidget* aWidget, int aLeft, int aTop, int aWidth, int aHeight)
{
    aWidget->setGeometry(TwipsToPixelsX(aLeft), TwipsToPixelsY(aTop), TwipsToPixelsX(aWidth),
                         TwipsToPixelsY(aHeight));
}

} // namespace miGraph
