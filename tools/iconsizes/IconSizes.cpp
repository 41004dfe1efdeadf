// Makes the installed icon theme's pictures from one small PNG: for each size, the picture enlarged
// by the largest whole factor that fits, pixel for pixel (a 16-pixel drawing stays sharp instead of
// blurring), and centred on a transparent square of that size. Run by the build, as iconpixels is.
#include <QDir>
#include <QImage>
#include <QPainter>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 5) {
        std::fprintf(stderr, "usage: iconsizes <picture.png> <theme folder> <icon name> <size>...\n"
                             "writes <theme folder>/<size>x<size>/apps/<icon name>.png for each size\n");
        return 2;
    }
    const QImage picture = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32);
    if (picture.isNull()) {
        std::fprintf(stderr, "iconsizes: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString theme = QString::fromLocal8Bit(argv[2]);
    const QString name = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        const int factor = ok && size > 0 ? size / qMax(picture.width(), picture.height()) : 0;
        if (factor < 1) {
            std::fprintf(stderr, "iconsizes: %s is no size the picture fits\n", argv[i]);
            return 2;
        }
        const QImage enlarged = picture.scaled(picture.width() * factor, picture.height() * factor,
                                               Qt::IgnoreAspectRatio, Qt::FastTransformation);
        QImage square(size, size, QImage::Format_ARGB32);
        square.fill(Qt::transparent);
        {
            QPainter painter(&square);
            painter.drawImage((size - enlarged.width()) / 2, (size - enlarged.height()) / 2, enlarged);
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(theme).arg(size);
        const QString file = QStringLiteral("%1/%2.png").arg(folder, name);
        if (!QDir().mkpath(folder) || !square.save(file, "PNG")) {
            std::fprintf(stderr, "iconsizes: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
