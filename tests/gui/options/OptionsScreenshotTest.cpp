// Renders every page of the options dialog and the about box offscreen, checks what the pictures
// show, and keeps them beside the build for a person to look over.
#include "gui/options/KezOptionsFrm.h"
#include "core/options/TLuKezOptions.h"
#include "gui/options/LuAboutFrm.h"
#include "gui/options/OptionsTestSupport.h"

#include <QDir>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPixmap>

#include <algorithm>
#include <optional>

namespace {

QString screenshotFolder()
{
    const QString folder = QStringLiteral(KEZ_TEST_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    return folder;
}

QRect boundsIn(const QWidget& aTop, const QWidget* aWidget)
{
    return QRect(aWidget->mapTo(&aTop, QPoint(0, 0)), aWidget->size());
}

// Where aWidget's drawing lies in aTop's picture: the pixels that change when it is hidden.
QRect drawnArea(QWidget& aTop, QWidget* aWidget)
{
    const QImage with = aTop.grab().toImage();
    aWidget->hide();
    const QImage without = aTop.grab().toImage();
    aWidget->show();
    QRect area;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x)
            if (with.pixel(x, y) != without.pixel(x, y))
                area |= QRect(x, y, 1, 1);
    return area;
}

// Each page shows its own controls, each drawn where the layout puts it and wholly inside the
// window; and the window is as big as what it holds, with margins as narrow on the right and at
// the bottom as on the left and at the top.
TEST(OptionsScreenshot, EveryPageShowsItsControlsWhereTheLayoutPutsThemInsideTheWindow)
{
    TLuKezOptions options;
    options.FillWithDefaults();
    KezOptionsFrm dialog;
    dialog.DistributeValues(options);
    dialog.show();
    // Hiding the control with the focus would move it, and its frame, elsewhere.
    if (QWidget* focused = QApplication::focusWidget())
        focused->clearFocus();

    QRect contents;
    for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        contents |= child->geometry();
    EXPECT_TRUE(dialog.rect().contains(contents));
    const int leftMargin = contents.left();
    const int topMargin = contents.top();
    const int rightMargin = dialog.width() - 1 - contents.right();
    const int bottomMargin = dialog.height() - 1 - contents.bottom();
    const int widest = 2 * std::max(leftMargin, topMargin);
    EXPECT_GT(leftMargin, 0);
    EXPECT_GT(topMargin, 0);
    EXPECT_GT(rightMargin, 0);
    EXPECT_GT(bottomMargin, 0);
    EXPECT_LE(rightMargin, widest);
    EXPECT_LE(bottomMargin, widest);

    int checked = 0;
    for (int page = 0; page < KezOptionsFrm::kPageCount; ++page) {
        dialog.SelectPage(page);
        QFrame* frame = nullptr;
        for (QFrame* candidate : dialog.findChildren<QFrame*>(Qt::FindDirectChildrenOnly))
            if (candidate->isVisible() && candidate->frameShape() == QFrame::StyledPanel)
                frame = frame ? nullptr : candidate;
        ASSERT_TRUE(frame) << "one page frame shown, page " << page;
        EXPECT_TRUE(dialog.rect().contains(boundsIn(dialog, frame))) << page;
        for (QWidget* control : frame->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!control->isVisibleTo(frame))
                continue;
            const QRect place = boundsIn(dialog, control);
            const QRect drawn = drawnArea(dialog, control);
            const std::string name = control->objectName().isEmpty() ? control->metaObject()->className()
                                                                     : control->objectName().toStdString();
            EXPECT_FALSE(drawn.isEmpty()) << name << " on page " << page << " is not drawn";
            EXPECT_TRUE(place.contains(drawn)) << name << " on page " << page << " drawn outside its place";
            EXPECT_TRUE(boundsIn(dialog, frame).contains(place)) << name << " on page " << page;
            ++checked;
        }
        EXPECT_TRUE(dialog.grab().save(screenshotFolder() + QStringLiteral("/options-page-%1.png").arg(page)));
    }
    EXPECT_GT(checked, 2 * KezOptionsFrm::kPageCount);
    dialog.hide();
}

// The box is its art with the texts drawn on it: away from the texts every pixel is the art's.
TEST(OptionsScreenshot, AboutBoxShowsItsArtUnderItsTexts)
{
    LuAboutFrm about;
    QImage image;
    OptionsTestSupport::WhenModalShown([&] { return &about; },
                                       [&](QDialog&) {
                                           image = about.grab().toImage();
                                           about.theClose_Click();
                                       });
    about.Execute();
    ASSERT_FALSE(image.isNull());

    QList<QLabel*> tiles;
    QList<QLabel*> texts;
    for (QLabel* label : about.findChildren<QLabel*>())
        if (label->isVisibleTo(&about))
            (label->pixmap().isNull() ? texts : tiles).append(label);
    ASSERT_EQ(tiles.size(), 4);
    ASSERT_FALSE(texts.isEmpty());

    const auto underText = [&](const QPoint& aPoint) {
        for (const QLabel* text : texts)
            if (text->geometry().contains(aPoint))
                return true;
        return false;
    };
    const auto artAt = [&](const QPoint& aPoint) -> std::optional<QRgb> {
        for (const QLabel* tile : tiles)
            if (tile->geometry().contains(aPoint))
                return tile->pixmap().toImage().pixel(aPoint - tile->geometry().topLeft()) & RGB_MASK;
        return std::nullopt;
    };
    int differing = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QPoint at(x, y);
            if (underText(at))
                continue;
            const std::optional<QRgb> art = artAt(at);
            if (!art || (image.pixel(at) & RGB_MASK) != *art)
                ++differing;
        }
    EXPECT_EQ(differing, 0) << "pixels away from the texts that are not the art's";
    // A text is ink on the art, never a box hiding it: most of its place still shows the art.
    for (const QLabel* text : texts) {
        const QRect box = text->geometry() & image.rect();
        int ink = 0;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x)
                ink += artAt(QPoint(x, y)) != (image.pixel(x, y) & RGB_MASK) ? 1 : 0;
        const std::string name = text->objectName().toStdString();
        EXPECT_GT(ink, 0) << name << " shows no text";
        EXPECT_LT(ink, box.width() * box.height() / 2) << name << " hides the art";
    }
    EXPECT_TRUE(image.save(screenshotFolder() + QStringLiteral("/about-box.png")));
}

} // namespace
