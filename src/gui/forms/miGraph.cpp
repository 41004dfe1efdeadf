#include "gui/forms/miGraph.h"

#include "core/errors/mErrorHandling.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>
#include <limits>

namespace miGraph {
namespace {

constexpr char kModule[] = "miGraph";
constexpr double kTwipsPerInch = 1440.0;
// Used by the converters while the screen cannot be read, so that a layout never divides by 0.
constexpr qint32 kFallbackTwipsPerPixel = 15;

qint32 gPixX = 0;
qint32 gPixY = 0;

qint32 ReadTwipsPerPixel(bool aHorizontal)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 0;
    return TwipsPerPixel(aHorizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY());
}

qint32 Kept(qint32& aKept, bool aHorizontal)
{
    if (aKept <= 0)
        aKept = ReadTwipsPerPixel(aHorizontal);
    return aKept;
}

double Usable(qint32 aTwipsPerPixel) { return aTwipsPerPixel > 0 ? aTwipsPerPixel : kFallbackTwipsPerPixel; }

qint32 ToTwips(qint64 aPixels, qint32 aTwipsPerPixel)
{
    const qint64 twips = aPixels * aTwipsPerPixel;
    if (twips < std::numeric_limits<qint32>::min() || twips > std::numeric_limits<qint32>::max())
        mErrorHandling::RaiseError(KezErrorNumber::Overflow, QStringLiteral("Размер окна в твипах вне допустимого диапазона."));
    return qint32(twips);
}

} // namespace

qint32 TwipsPerPixel(double aDotsPerInch)
{
    if (!(aDotsPerInch > 0) || !std::isfinite(aDotsPerInch))
        return 0;
    const double twips = std::nearbyint(kTwipsPerInch / aDotsPerInch);
    return twips >= 1 && twips <= 1440 ? qint32(twips) : 0;
}

qint32 PixX()
{
    return mErrorHandling::PassOn(kModule, "PixX", [] { return Kept(gPixX, true); });
}

qint32 PixY()
{
    return mErrorHandling::PassOn(kModule, "PixY", [] { return Kept(gPixY, false); });
}

void ForgetPixelSizes()
{
    gPixX = 0;
    gPixY = 0;
}

int TwipsToPixelsX(int aTwips) { return int(std::lround(aTwips / Usable(PixX()))); }
int TwipsToPixelsY(int aTwips) { return int(std::lround(aTwips / Usable(PixY()))); }
int PixelsToTwipsX(int aPixels) { return int(std::lround(aPixels * Usable(PixX()))); }
int PixelsToTwipsY(int aPixels) { return int(std::lround(aPixels * Usable(PixY()))); }

void placeTwips(QWidget* aWidget, int aLeft, int aTop, int aWidth, int aHeight)
{
    aWidget->setGeometry(TwipsToPixelsX(aLeft), TwipsToPixelsY(aTop), TwipsToPixelsX(aWidth),
                         TwipsToPixelsY(aHeight));
}

void GetWindowBounds(const QWidget* aWindow, qint32& aX, qint32& aY, qint32& aW, qint32& aH)
{
    mErrorHandling::PassOn(kModule, "GetWindowBounds", [&] {
        if (!aWindow)
            mErrorHandling::RaiseError(KezErrorNumber::InvalidArgument, QStringLiteral("Окно не указано."));
        const QRect rect = aWindow->isWindow() ? aWindow->frameGeometry()
                                               : QRect(aWindow->mapToGlobal(QPoint(0, 0)), aWindow->size());
        const qint32 pixX = PixX();
        const qint32 pixY = PixY();
        aX = ToTwips(rect.left(), pixX);
        aY = ToTwips(rect.top(), pixY);
        aW = ToTwips(rect.width(), pixX);
        aH = ToTwips(rect.height(), pixY);
    });
}

bool IsChecked(const QCheckBox* aCheckBox)
{
    return mErrorHandling::PassOn(kModule, "IsChecked", [&] {
        if (!aCheckBox)
            mErrorHandling::RaiseError(KezErrorNumber::InvalidArgument, QStringLiteral("Флажок не указан."));
        return aCheckBox->checkState() == Qt::Checked;
    });
}

} // namespace miGraph
