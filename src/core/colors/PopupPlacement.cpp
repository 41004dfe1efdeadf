#include "core/colors/PopupPlacement.h"

#include "core/errors/mErrorHandling.h"

#include <limits>

namespace PopupPlacement {
namespace {

qint32 Narrow(qint64 aValue)
{
    if (aValue < std::numeric_limits<qint32>::min() || aValue > std::numeric_limits<qint32>::max())
        mErrorHandling::RaiseError(KezErrorNumber::Overflow, QStringLiteral("Положение палитры вне допустимого диапазона."));
    return qint32(aValue);
}

} // namespace

qint64 HalfRoundedToEven(qint64 aValue)
{
    // Floor division, so that negative odd values round the same way as positive ones.
    qint64 half = aValue / 2;
    if (aValue % 2 != 0 && aValue < 0)
        --half;
    if (aValue % 2 != 0 && half % 2 != 0)
        ++half;
    return half;
}

TwipBounds BuildFormBounds(const TwipBounds& aParent, qint32 aWidth, qint32 aHeight, qint32 aPixY,
                           qint32 aScreenWidth, qint32 aScreenHeight)
{
    const qint64 gap = 2 * qint64(aPixY);
    const qint64 w = aWidth;
    const qint64 h = aHeight;

    qint64 x = aParent.X;
    qint64 y = qint64(aParent.Y) + aParent.H + gap;

    if (y + h > aScreenHeight) {
        const qint64 above = qint64(aParent.Y) - h - gap;
        y = above > 0 ? above : HalfRoundedToEven(qint64(aScreenHeight) - h);
    }

    if (x + w > aScreenWidth) {
        const qint64 rightAligned = qint64(aParent.X) + aParent.W - w;
        if (rightAligned >= 1) {
            x = rightAligned;
        } else {
            const qint64 centredOnControl = HalfRoundedToEven(qint64(aParent.W) - w) + aParent.X;
            if (centredOnControl + w < aScreenWidth && centredOnControl > 0)
                x = centredOnControl;
            else
                x = HalfRoundedToEven(qint64(aScreenWidth) - w);
        }
    }
    return {Narrow(x), Narrow(y), aWidth, aHeight};
}

} // namespace PopupPlacement
