// Renders the palette pop-up and a row of colour selectors offscreen, for a person to look
// over.
#include "ui/colors/LuColorSelector.h"
#include "ui/colors/LuColorSelectorFrm.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QVBoxLayout>
#include <gtest/gtest.h>

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

TEST(ColorScreenshot, PopupsWithTheirMarksSideBySide)
{
    const qint32 indices[] = {0, 7, 16, 1, 20};
    QImage sheet(5 * 131, 149, QImage::Format_RGB32);
    sheet.fill(Qt::darkGray);
    QPainter painter(&sheet);
    int left = 0;
    for (qint32 index : indices) {
        LuColorSelectorFrm popup;
        popup.SetColorIndex(index);
        const QImage image = Grab(popup);
        ASSERT_EQ(image.size(), QSize(121, 149));
        // The edge rectangle is drawn along the whole border.
        EXPECT_EQ(QColor(image.pixel(0, 0)), popup.palette().color(QPalette::WindowText));
        EXPECT_EQ(QColor(image.pixel(120, 148)), popup.palette().color(QPalette::WindowText));
        painter.drawImage(left, 0, image);
        left += 131;
    }
    painter.end();
    EXPECT_TRUE(sheet.save(ScreenshotPath("colour-popups.png")));
}

TEST(ColorScreenshot, SelectorsInSeveralStates)
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
    add(QStringLiteral("Автоматически"), 0, 0);
    add(QStringLiteral("Светло-серый на тёмно-синем"), 16, 9);
    add(QStringLiteral("Только фон"), 0, 7)->SetColorEnabled(false);
    add(QStringLiteral("Выключен"), 6, 7)->SetEnabled(false);
    add(QStringLiteral("Жёлтый фон"), 1, 7)->setFixedSize(120, 21);
    const QImage image = Grab(host);
    EXPECT_TRUE(image.save(ScreenshotPath("colour-selectors.png")));
}

} // namespace
