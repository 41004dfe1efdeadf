#include "gui/forms/ResourceIcon.h"

#include <QFile>
#include <QPixmap>

#include <cstring>

QImage RawIconImage(const QByteArray& aData)
{
    if (aData.size() < 4)
        return {};
    const auto byte = [&](int aAt) { return int(static_cast<unsigned char>(aData[aAt])); };
    const int width = byte(0) | byte(1) << 8;
    const int height = byte(2) | byte(3) << 8;
    const qsizetype rowBytes = qsizetype(width) * 4;
    if (width == 0 || height == 0 || aData.size() != 4 + rowBytes * height)
        return {};
    QImage image(width, height, QImage::Format_RGBA8888);
    if (image.isNull())
        return {};
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), aData.constData() + 4 + rowBytes * y, std::size_t(rowBytes));
    return image;
}

QIcon ResourceIcon(const QString& aRawPath)
{
    QFile file(aRawPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QImage image = RawIconImage(file.readAll());
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}
