// Renders the main window offscreen to a PNG beside the build, for a person to look at.
#include "app/MainWindowFixture.h"

#include <QDir>
#include <QImage>
#include <QPixmap>

using MainWindowScreenshot = MainWindowTest;

TEST_F(MainWindowScreenshot, RendersTheWholeClientAreaToAPicture)
{
    start();
    const QImage image = form->grab().toImage();
    EXPECT_EQ(image.size(), QSize(563, 427));

    // Something was drawn: the picture is not a single flat colour.
    bool varied = false;
    for (int y = 0; y < image.height() && !varied; y += 7)
        for (int x = 0; x < image.width() && !varied; x += 7)
            varied = image.pixel(x, y) != image.pixel(0, 0);
    EXPECT_TRUE(varied);

    const QString folder = QStringLiteral(KEZ_TEST_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(image.save(folder + QStringLiteral("/main-window.png")));
}
