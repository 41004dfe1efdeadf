// Renders the palette pop-up and a row of colour selectors offscreen, checks what the pictures
// show, and keeps them beside the build for a person to look over.
#include "gui/colors/LuColorSelector.h"
#include "gui/colors/LuColorSelectorFrm.h"
#include "gui/colors/ColorRefColor.h"
#include "core/colors/miColor.h"

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <optional>

namespace {

QString ScreenshotPath(const char* aName)
{
    const QString folder = QStringLiteral(KEZ_TEST_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + QLatin1String(aName);
}

QImage Grab(QWidget& aWidget)
{
    aWidget.show();
    return aWidget.grab().toImage();
}

// A palette colour by its index, straight from the table (entry k is index k + 1).
QColor PaletteColour(qint32 aIndex) { return ToQColor(miColor::kPalette[std::size_t(aIndex - 1)]); }

// The inside of a cell, past its sunken edge.
QRect Inside(const QWidget* aCell) { return aCell->geometry().adjusted(2, 2, -2, -2); }

// How many pixels of aArea have exactly aColour.
int CountOf(const QImage& aImage, const QRect& aArea, const QColor& aColour)
{
    int count = 0;
    for (int y = aArea.top(); y <= aArea.bottom(); ++y)
        for (int x = aArea.left(); x <= aArea.right(); ++x)
            count += aImage.pixelColor(x, y) == aColour ? 1 : 0;
    return count;
}

// Each cell shows its palette colour; the chosen one, and only it, carries the mark, in black on
// the light colours and in white on the others.
TEST(ColorScreenshot, PopupsShowThePaletteAndMarkTheChosenCell)
{
    const struct {
        qint32 index;
        std::optional<QColor> mark;
    } cases[] = {{0, std::nullopt}, {7, QColor(Qt::black)}, {16, QColor(Qt::white)}, {1, QColor(Qt::white)},
                 {20, std::nullopt}};
    QImage sheet(5 * 131, 149, QImage::Format_RGB32);
    sheet.fill(Qt::darkGray);
    QPainter painter(&sheet);
    int left = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        LuColorSelectorFrm popup;
        popup.SetColorIndex(c.index);
        const QImage image = Grab(popup);
        // The edge rectangle is drawn along the whole border.
        EXPECT_EQ(QColor(image.pixel(0, 0)), popup.palette().color(QPalette::WindowText));
        EXPECT_EQ(QColor(image.pixel(image.width() - 1, image.height() - 1)),
                  popup.palette().color(QPalette::WindowText));
        for (qint32 index = miColor::kFirstIndex; index <= miColor::kLastIndex; ++index) {
            const QWidget* cell = popup.findChild<QLabel*>(QStringLiteral("theColor(%1)").arg(index - 1));
            ASSERT_TRUE(cell);
            const QRect inside = Inside(cell);
            const int swatch = CountOf(image, inside, PaletteColour(index));
            if (index == c.index && c.mark) {
                EXPECT_GT(CountOf(image, inside, *c.mark), 0) << "no mark in cell " << index;
                EXPECT_GT(swatch, inside.width() * inside.height() / 2) << "cell " << index;
            } else {
                EXPECT_EQ(swatch, inside.width() * inside.height()) << "cell " << index << " is not its colour alone";
            }
        }
        painter.drawImage(left, 0, image);
        left += 131;
    }
    painter.end();
    EXPECT_TRUE(sheet.save(ScreenshotPath("colour-popups.png")));
}

// Each selector's sample shows its caption in its text colour on its background colour; a
// disabled one shows neither.
TEST(ColorScreenshot, SelectorsShowTheirSampleInTheirColours)
{
    QWidget host;
    auto* column = new QVBoxLayout(&host);
    const auto add = [&](const QString& aCaption, qint32 aColor, qint32 aBack) {
        auto* selector = new LuColorSelector(&host);
        selector->setFixedSize(175, 21);
        selector->SetCaption(aCaption);
        selector->SetColorIndex(aColor);
        selector->SetBackIndex(aBack);
        column->addWidget(selector);
        return selector;
    };
    struct Shown {
        LuColorSelector* selector;
        QColor text;
        QColor back;
        bool coloured;
    };
    const Shown shown[] = {
        {add(QStringLiteral("Автоматически"), 0, 0), Qt::black, Qt::white, true},
        {add(QStringLiteral("Светло-серый на тёмно-синем"), 16, 9), PaletteColour(16), PaletteColour(9), true},
        {add(QStringLiteral("Только фон"), 0, 7), Qt::black, PaletteColour(7), true},
        {add(QStringLiteral("Выключен"), 6, 7), PaletteColour(6), PaletteColour(7), false},
        {add(QStringLiteral("Жёлтый фон"), 1, 7), PaletteColour(1), PaletteColour(7), true},
    };
    shown[2].selector->SetColorEnabled(false);
    shown[3].selector->SetEnabled(false);
    shown[4].selector->setFixedSize(120, 21);
    const QImage image = Grab(host);
    for (const Shown& s : shown) {
        const QLineEdit* sample = s.selector->findChild<QLineEdit*>(QStringLiteral("theText"));
        ASSERT_TRUE(sample);
        const std::string caption = sample->text().toStdString();
        const QRect box(sample->mapTo(&host, QPoint(0, 0)), sample->size());
        const QRect inside = box.adjusted(3, 3, -3, -3);
        const int back = CountOf(image, inside, s.back);
        // Text ink: pixels near the text colour, and far from the background.
        int ink = 0;
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                const auto near = [&](const QColor& aOther) {
                    return qAbs(c.red() - aOther.red()) + qAbs(c.green() - aOther.green()) +
                               qAbs(c.blue() - aOther.blue()) <= 24;
                };
                ink += near(s.text) && !near(s.back) ? 1 : 0;
            }
        if (s.coloured) {
            EXPECT_GT(back, inside.width() * inside.height() / 2) << caption << ": not on its background colour";
            EXPECT_GT(ink, 0) << caption << ": no text in its colour";
        } else {
            EXPECT_EQ(back, 0) << caption << ": a disabled sample in its colours";
        }
    }
    EXPECT_TRUE(image.save(ScreenshotPath("colour-selectors.png")));
}

} // namespace
