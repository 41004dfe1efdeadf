// Renders the main window offscreen to a PNG beside the build, for a person to look at.
#include "app/BrowserForm.h"
#include "app/miKezConverterMain.h"
#include "support/TestEnvironment.h"

#include <QDir>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

TEST(MainWindowScreenshot, RendersTheWholeClientAreaToAPicture)
{
    TestEnvironment environment;
    miKezConverterMain::CreateAndReadOptions();
    {
        BrowserForm form;
        form.Execute();
        const QImage image = form.grab().toImage();
        EXPECT_EQ(image.size(), QSize(563, 427));

        // Something was drawn: the picture is not a single flat colour.
        const QRgb first = image.pixel(0, 0);
        bool varied = false;
        for (int y = 0; y < image.height() && !varied; y += 7)
            for (int x = 0; x < image.width() && !varied; x += 7)
                varied = image.pixel(x, y) != first;
        EXPECT_TRUE(varied);

        const QString folder = QStringLiteral(KEZ_TEST_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        EXPECT_TRUE(image.save(folder + QStringLiteral("/main-window.png")));
    }
    miKezConverterMain::ReleaseOptions();
}
