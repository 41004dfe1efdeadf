#pragma once
#include <QString>
#include <QVariant>


// Small helpers of the font dialog.
namespace miCommon {

// The value read as a number in the user's locale and rounded to a 32-bit integer, halves to
// the even neighbour; aDefault when it is empty, not a number or out of range.
qint32 GetLongOrDefault(const QVariant& aValue, qint32 aDefault);

// The same for a double.
double GetDoubleOrDefault(const QVariant& aValue, double aDefault);

} // namespace miCommon
