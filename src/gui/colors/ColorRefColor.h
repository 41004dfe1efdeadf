#pragma once
#include "core/colors/miColor.h"

#include <QColor>

// The screen colour of a COLORREF (0x00BBGGRR).
inline QColor ToQColor(miColor::COLORREF aColor)
{
    return QColor(miColor::RedOf(aColor), miColor::GreenOf(aColor), miColor::BlueOf(aColor));
}
