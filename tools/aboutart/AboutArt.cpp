// Draws the about box's two 192 x 192 pictures: the title (gold lettering on dark foliage) and
// the foliage tile (green leaves on black). Run by scripts/make-about-art.sh; the pictures are
// committed, so the program's build does not depend on this tool.
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>

#include <cmath>
#include <cstdio>

namespace {
constexpr int kSide = 192;

// One leaf: a pointed oval with a midrib, at (x, y), turned by angle degrees.
void drawLeaf(QPainter& p, QPointF at, double length, double angle, QColor fill)
{
    p.save();
    p.translate(at);
    p.rotate(angle);
    QPainterPath leaf;
    leaf.moveTo(0, 0);
    leaf.cubicTo(length * 0.3, -length * 0.28, length * 0.75, -length * 0.22, length, 0);
    leaf.cubicTo(length * 0.75, length * 0.22, length * 0.3, length * 0.28, 0, 0);
    QLinearGradient shade(0, -length * 0.25, 0, length * 0.25);
    shade.setColorAt(0, fill.lighter(135));
    shade.setColorAt(1, fill.darker(160));
    p.setPen(QPen(fill.darker(220), 0.8));
    p.setBrush(shade);
    p.drawPath(leaf);
    p.setPen(QPen(fill.lighter(160), 0.7));
    p.drawLine(QPointF(length * 0.05, 0), QPointF(length * 0.9, 0));
    p.restore();
}

// Curling stems with leaves along them; drawn with wrap-around so the picture tiles seamlessly.
void drawFoliage(QPainter& p, quint32 seed, QColor base, int stems)
{
    QRandomGenerator random(seed);
    for (int s = 0; s < stems; ++s) {
        QPointF point(random.bounded(kSide), random.bounded(kSide));
        double heading = random.bounded(360.0);
        const double turn = (random.bounded(2) ? 1 : -1) * (4 + random.bounded(6.0));
        for (int step = 0; step < 14; ++step) {
            const double radians = heading * M_PI / 180;
            const QPointF next = point + QPointF(std::cos(radians), std::sin(radians)) * 6;
            const QColor leafColour = base.lighter(80 + random.bounded(60));
            for (int dx = -kSide; dx <= kSide; dx += kSide)
                for (int dy = -kSide; dy <= kSide; dy += kSide) {
                    const QPointF shift(dx, dy);
                    p.setPen(QPen(base.darker(170), 1.6));
                    p.drawLine(point + shift, next + shift);
                    if (step % 3 == 1)
                        drawLeaf(p, next + shift, 12 + (step % 5), heading + (step % 2 ? 55 : -55), leafColour);
                }
            point = next;
            heading += turn;
        }
    }
}

QImage foliageTile()
{
    QImage image(kSide, kSide, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawFoliage(p, 7, QColor(40, 130, 45), 26);
    return image;
}

QImage titlePicture()
{
    QImage image(kSide, kSide, QImage::Format_RGB32);
    image.fill(QColor(6, 16, 8));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    drawFoliage(p, 11, QColor(22, 70, 30), 22);
    // Darken the middle so the lettering stands out.
    QRadialGradient veil(QPointF(110, 92), 110);
    veil.setColorAt(0, QColor(0, 0, 0, 190));
    veil.setColorAt(1, QColor(0, 0, 0, 40));
    p.fillRect(image.rect(), veil);

    QLinearGradient gold(0, 40, 0, 150);
    gold.setColorAt(0, QColor(255, 236, 150));
    gold.setColorAt(0.5, QColor(214, 160, 40));
    gold.setColorAt(1, QColor(140, 92, 20));
    auto letter = [&](const QString& text, int pointSize, int baseline) {
        QFont font(QStringLiteral("DejaVu Serif"));
        font.setPointSize(pointSize);
        font.setBold(true);
        font.setItalic(true);
        QPainterPath path;
        const int width = QFontMetrics(font).horizontalAdvance(text);
        // Left of centre: the product name is laid over the tile's right edge.
        path.addText(80 - width / 2.0, baseline, font, text);
        p.setPen(QPen(QColor(60, 35, 5), 1.4));
        p.setBrush(gold);
        p.drawPath(path);
    };
    letter(QStringLiteral("KEZ"), 36, 70);
    letter(QStringLiteral("→ RTF"), 16, 108);
    return image;
}
} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: AboutArt <resources folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const bool saved = titlePicture().save(folder + QStringLiteral("/about-title.png")) &&
                       foliageTile().save(folder + QStringLiteral("/about-foliage.png"));
    return saved ? 0 : 1;
}
