// Turns a PNG into the raw form the program loads its icons from: width and height as 16-bit
// little-endian numbers, then the rows of straight-alpha RGBA bytes. Run by the build, so the
// PNGs stay the only source and the running program never needs an image decoder for them.
#include <QImage>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: iconpixels <picture.png> <out.rgba>\n");
        return 2;
    }
    const QImage picture = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGBA8888);
    if (picture.isNull() || picture.width() > 0xFFFF || picture.height() > 0xFFFF) {
        std::fprintf(stderr, "iconpixels: cannot read %s\n", argv[1]);
        return 1;
    }
    std::FILE* out = std::fopen(argv[2], "wb");
    if (!out) {
        std::perror(argv[2]);
        return 1;
    }
    const unsigned char header[4] = {static_cast<unsigned char>(picture.width() & 0xFF),
                                     static_cast<unsigned char>(picture.width() >> 8),
                                     static_cast<unsigned char>(picture.height() & 0xFF),
                                     static_cast<unsigned char>(picture.height() >> 8)};
    bool ok = std::fwrite(header, 1, sizeof header, out) == sizeof header;
    const std::size_t rowBytes = std::size_t(picture.width()) * 4;
    for (int y = 0; ok && y < picture.height(); ++y)
        ok = std::fwrite(picture.constScanLine(y), 1, rowBytes, out) == rowBytes;
    if (std::fclose(out) != 0 || !ok) {
        std::perror(argv[2]);
        std::remove(argv[2]);
        return 1;
    }
    return 0;
}
