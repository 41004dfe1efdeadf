#include "ui/colors/FormSetup.h"

#include "ui/FormFont.h"
#include "ui/ResourceIcon.h"
#include "ui/colors/miGraph.h"

#include <QApplication>
#include <QEvent>
#include <QMargins>
#include <QRect>
#include <QWidget>

void SetUpForm(QWidget* aForm, const QString& aName, int aWidthTwips, int aHeightTwips, FormSizing aSizing)
{
    aForm->setObjectName(aName);
    aForm->setFont(FormFont());
    const QSize size(miGraph::TwipsToPixelsX(aWidthTwips), miGraph::TwipsToPixelsY(aHeightTwips));
    if (aSizing == FormSizing::Fixed)
        aForm->setFixedSize(size);
    else
        aForm->resize(size);
}

void SetUpAppForm(QWidget* aForm, const QString& aName, const QString& aTitle, int aWidthTwips, int aHeightTwips,
                  FormSizing aSizing)
{
    SetUpForm(aForm, aName, aWidthTwips, aHeightTwips, aSizing);
    aForm->setWindowTitle(aTitle);
    aForm->setWindowIcon(ResourceIcon(QStringLiteral(":/icons/app.rgba")));
}

namespace {

// The window system's frame round a shown window; none before it has one.
QMargins FrameOf(const QWidget* aWindow)
{
    const QRect frame = aWindow->frameGeometry();
    const QRect client = aWindow->geometry();
    return QMargins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                    frame.bottom() - client.bottom());
}

// What the frame of a window about to be shown will be like: that of another framed window of
// the program, the active one first.
QMargins ExpectedFrame(const QWidget* aWindow)
{
    QList<QWidget*> windows = QApplication::topLevelWidgets();
    windows.prepend(QApplication::activeWindow());
    for (const QWidget* other : windows)
        if (other && other != aWindow && other->isVisible() && !FrameOf(other).isNull())
            return FrameOf(other);
    return {};
}

class FrameCentring final : public QObject {
public:
    FrameCentring(QWidget* aWindow, std::function<QRect()> aArea)
        : QObject(aWindow)
        , mWindow(aWindow)
        , mArea(std::move(aArea))
    {
        aWindow->installEventFilter(this);
    }

    bool eventFilter(QObject* aWatched, QEvent* aEvent) override
    {
        if (aWatched != mWindow)
            return false;
        if (aEvent->type() == QEvent::Show) {
            mSettled = false;
            Centre(FrameOf(mWindow).isNull() ? ExpectedFrame(mWindow) : FrameOf(mWindow));
        } else if (!mSettled && (aEvent->type() == QEvent::Move || aEvent->type() == QEvent::Resize)) {
            // The first frame the window system reports settles it.
            const QMargins frame = FrameOf(mWindow);
            if (!frame.isNull()) {
                mSettled = true;
                if (frame != mUsed)
                    Centre(frame);
            }
        }
        return false;
    }

private:
    void Centre(const QMargins& aFrame)
    {
        mUsed = aFrame;
        const QRect area = mArea();
        const QSize outer = mWindow->size().grownBy(aFrame);
        // A window's position is that of its frame.
        mWindow->move(area.left() + (area.width() - outer.width()) / 2,
                      area.top() + (area.height() - outer.height()) / 2);
    }

    QWidget* mWindow;
    std::function<QRect()> mArea;
    QMargins mUsed;
    bool mSettled = false;
};

} // namespace

void CentreFrameOn(QWidget* aWindow, std::function<QRect()> aArea)
{
    new FrameCentring(aWindow, std::move(aArea));
}
