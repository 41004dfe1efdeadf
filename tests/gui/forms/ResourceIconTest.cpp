// The program's icons as the build stores them: the same pixels as their PNGs, and damaged data
// refused rather than read past its end.
#include "gui/forms/ResourceIcon.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cstring>

TEST(ResourceIcon, EachIconHasThePixelsOfItsPicture)
{
    for (const char* name : {"app", "folder"}) {
        SCOPED_TRACE(name);
        const QImage picture = QImage(QStringLiteral(KEZ_SOURCE_DIR "/resources/%1.png").arg(QLatin1String(name)))
                                   .convertToFormat(QImage::Format_RGBA8888);
        ASSERT_FALSE(picture.isNull());
        const QString raw = QStringLiteral(":/icons/%1.rgba").arg(QLatin1String(name));
        QFile file(raw);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QImage stored = RawIconImage(file.readAll());
        ASSERT_EQ(stored.size(), picture.size());
        for (int y = 0; y < picture.height(); ++y)
            EXPECT_EQ(std::memcmp(stored.constScanLine(y), picture.constScanLine(y), std::size_t(picture.width()) * 4), 0)
                << "row " << y;
        EXPECT_EQ(ResourceIcon(raw).availableSizes(), QList<QSize>{picture.size()});
    }
}

TEST(ResourceIcon, ShortOrDamagedDataGivesNoPicture)
{
    const QByteArray onePixel = QByteArray::fromHex("01000100" "10203040");
    const QImage image = RawIconImage(onePixel);
    ASSERT_EQ(image.size(), QSize(1, 1));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0x10, 0x20, 0x30, 0x40));

    for (const QByteArray& data : {QByteArray(), QByteArray::fromHex("0100"), QByteArray::fromHex("01000100"),
                                   onePixel.left(7), onePixel + QByteArray(1, '\0'), QByteArray::fromHex("00000100"),
                                   QByteArray::fromHex("ffffffff" "00000000")})
        EXPECT_TRUE(RawIconImage(data).isNull()) << data.toHex().toStdString();
    EXPECT_TRUE(ResourceIcon(QStringLiteral(":/icons/missing.rgba")).isNull());
}
