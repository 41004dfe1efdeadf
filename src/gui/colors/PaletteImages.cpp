#include "gui/colors/PaletteImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

namespace PaletteImages {
namespace {

QPixmap Transparent()
{
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QPixmap CheckMark(const QColor& aColor)
{
    QPixmap pixmap = Transparent();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(aColor, 4.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(7, 16);
    tick.lineTo(13, 23);
    tick.lineTo(25, 9);
    painter.drawPath(tick);
    return pixmap;
}

QPixmap CloseCross()
{
    QPixmap pixmap = Transparent();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 3.0, Qt::SolidLine, Qt::SquareCap));
    painter.drawLine(QPointF(9, 9), QPointF(23, 23));
    painter.drawLine(QPointF(23, 9), QPointF(9, 23));
    return pixmap;
}

} // namespace PaletteImages
