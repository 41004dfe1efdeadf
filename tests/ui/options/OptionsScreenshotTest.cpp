// Renders every page of the options dialog and the about box offscreen, for a person to look
// over.
#include "ui/options/KezOptionsFrm.h"
#include "options/TLuKezOptions.h"
#include "ui/options/LuAboutFrm.h"
#include "ui/options/OptionsTestSupport.h"

#include <QDir>
#include <QImage>
#include <QPixmap>

namespace {

QString screenshotFolder()
{
    const QString folder = QStringLiteral(KEZ_TEST_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    return folder;
}

bool varied(const QImage& aImage)
{
    for (int y = 0; y < aImage.height(); y += 5)
        for (int x = 0; x < aImage.width(); x += 5)
            if (aImage.pixel(x, y) != aImage.pixel(0, 0))
                return true;
    return false;
}

TEST(OptionsScreenshot, EveryPageOfTheDialog)
{
    TLuKezOptions options;
    options.FillWithDefaults();
    KezOptionsFrm dialog;
    dialog.DistributeValues(options);
    dialog.show();
    for (int page = 0; page < KezOptionsFrm::kPageCount; ++page) {
        dialog.SelectPage(page);
        const QImage image = dialog.grab().toImage();
        EXPECT_EQ(image.size(), QSize(542, 399)); // 8130 x 5985 twips
        EXPECT_TRUE(varied(image));
        EXPECT_TRUE(image.save(screenshotFolder() + QStringLiteral("/options-page-%1.png").arg(page)));
    }
    dialog.hide();
}

TEST(OptionsScreenshot, AboutBox)
{
    LuAboutFrm about;
    QImage image;
    OptionsTestSupport::WhenModalShown([&] { return &about; },
                                       [&](QDialog&) {
                                           image = about.grab().toImage();
                                           about.theClose_Click();
                                       });
    about.Execute();
    EXPECT_EQ(image.size(), QSize(384, 214));
    EXPECT_TRUE(image.save(screenshotFolder() + QStringLiteral("/about-box.png")));
}

} // namespace
