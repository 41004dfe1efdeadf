#include "gui/fonts/miFontDrawing.h"

#include "core/errors/mErrorHandling.h"

#include <QFontMetrics>
#include <QPainter>

namespace miFont {

qint32 UnicodeTextOut(QPainter& aPainter, qint32 aX, qint32 aY, const QString& aText, TextAlign aAlign)
{
    return mErrorHandling::TopLevel("miFont", "UnicodeTextOut", [&]() -> qint32 {
        if (aText.isEmpty())
            return 0;
        qint32 left = aX;
        if (aAlign == TextAlign::CenterBaseline)
            left = aX - QFontMetrics(aPainter.font(), aPainter.device()).horizontalAdvance(aText) / 2;
        aPainter.drawText(QPoint(left, aY), aText);
        return 1;
    });
}

} // namespace miFont
