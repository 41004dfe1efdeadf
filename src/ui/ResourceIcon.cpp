#include "ui/ResourceIcon.h"

#include <QImageReader>
#include <QPixmap>

QIcon ResourceIcon(const QString& aPngPath)
{
    QImageReader reader(aPngPath, "png");
    reader.setAutoDetectImageFormat(false);
    return QIcon(QPixmap::fromImage(reader.read()));
}
