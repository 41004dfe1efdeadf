#include "core/fonts/miCommon.h"

#include <QLocale>

#include <cfenv>
#include <cmath>
#include <limits>
#include <optional>

namespace miCommon {
namespace {

std::optional<double> numberOf(const QVariant& aValue)
{
    bool ok = false;
    double number = 0;
    switch (aValue.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        number = aValue.toDouble(&ok);
        break;
    default:
        if (!aValue.canConvert<QString>())
            return std::nullopt;
        number = QLocale().toDouble(aValue.toString().trimmed(), &ok);
    }
    if (!ok || !std::isfinite(number))
        return std::nullopt;
    return number;
}

} // namespace

qint32 GetLongOrDefault(const QVariant& aValue, qint32 aDefault)
{
    const std::optional<double> number = numberOf(aValue);
    if (!number)
        return aDefault;
    const int savedMode = std::fegetround();
    std::fesetround(FE_TONEAREST); // halves to even
    const double rounded = std::nearbyint(*number);
    std::fesetround(savedMode);
    if (rounded < double(std::numeric_limits<qint32>::min()) || rounded > double(std::numeric_limits<qint32>::max()))
        return aDefault;
    return qint32(rounded);
}

double GetDoubleOrDefault(const QVariant& aValue, double aDefault)
{
    return numberOf(aValue).value_or(aDefault);
}

} // namespace miCommon
