// Renders the main window offscreen, checks what the picture shows, and keeps it beside the build
// for a person to look at.
#include "support/MainWindowFixture.h"

#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>

using MainWindowScreenshot = MainWindowTest;

namespace {

// The picture's colour in the middle of a control, a few pixels in from its left edge (past the
// frame, before any text).
QColor insideLeftOf(const QImage& aImage, const QWidget* aControl)
{
    const QRect box = aControl->geometry();
    return aImage.pixelColor(box.left() + 3, box.center().y());
}

bool hasHelpTextInk(const QImage& aImage, const QRect& aArea)
{
    for (int y = aArea.top(); y <= aArea.bottom(); ++y)
        for (int x = aArea.left(); x <= aArea.right(); ++x) {
            const QColor c = aImage.pixelColor(x, y);
            if (c.blue() > 90 && c.red() < 80 && c.green() < 80)
                return true;
        }
    return false;
}

} // namespace

TEST_F(MainWindowScreenshot, ThePictureShowsTheHelpTextAndTheFolderBoxInTheChosenDestinationsColour)
{
    start();
    child<QRadioButton>("theDestDirSame")->setChecked(true);
    const QImage same = form->grab().toImage();
    EXPECT_TRUE(hasHelpTextInk(same, list()->geometry())) << "the dark blue help lines in the list";
    EXPECT_EQ(insideLeftOf(same, child<QLineEdit>("theDestDir")), ButtonFaceColour()) << "unused folder box";

    child<QRadioButton>("theDestDirFixed")->setChecked(true);
    const QImage fixed = form->grab().toImage();
    EXPECT_EQ(insideLeftOf(fixed, child<QLineEdit>("theDestDir")), WindowBackgroundColour()) << "folder box in use";

    const QString folder = QStringLiteral(KEZ_TEST_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(same.save(folder + QStringLiteral("/main-window.png")));
}
