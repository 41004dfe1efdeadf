#include "core/fonts/FontSampleGeometry.h"

#include "core/fonts/miCommon.h"

namespace {

qint32 roundHalfEven(double aValue) { return miCommon::GetLongOrDefault(aValue, 0); }

} // namespace

FontSampleGeometry ComputeSampleGeometry(double aWidth, double aHeight, double aTx, double aTy, qint32 aSize)
{
    FontSampleGeometry geometry;
    geometry.FontHeight = roundHalfEven(-(aTy * double(aSize)) / 10.5);
    geometry.LineYTwips = 0.7 * aHeight;
    geometry.TextX = roundHalfEven((aWidth / 2) / aTx);
    geometry.BaselineY = roundHalfEven(geometry.LineYTwips / aTy);
    return geometry;
}
