#include "gui/forms/FormSetup.h"

#include "gui/forms/FormFont.h"
#include "gui/forms/ResourceIcon.h"
#include "gui/forms/miGraph.h"

#include <QApplication>
#include <QEvent>
#include <QMargins>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <QWindow>

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

// The window system's frame round a shown window; none before it has one. Asked of the window
// system each time: a widget keeps what it learnt first, which may be from before the frame.
QMargins FrameOf(const QWidget* aWindow)
{
    const QWindow* window = aWindow->windowHandle();
    return window ? window->frameMargins() : QMargins();
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
        // The window system tells the widget nothing when it frames the window: look again
        // now and then until it has, for a while.
        mLook.setInterval(50);
        connect(&mLook, &QTimer::timeout, this, [this] {
            if (++mLooks >= kMaxLooks)
                mLook.stop();
            Settle();
        });
    }

    bool eventFilter(QObject* aWatched, QEvent* aEvent) override
    {
        if (aWatched != mWindow)
            return false;
        if (aEvent->type() == QEvent::Show) {
            const QMargins frame = FrameOf(mWindow);
            mSettled = !frame.isNull();
            Centre(mSettled ? frame : ExpectedFrame(mWindow), mSettled);
            mLooks = 0;
            if (!mSettled)
                mLook.start();
        } else if (aEvent->type() == QEvent::Move || aEvent->type() == QEvent::Resize) {
            Settle();
        }
        return false;
    }

private:
    static constexpr int kMaxLooks = 40;

    // Once the window's own frame is known: centred again if it is not the one expected.
    void Settle()
    {
        if (mSettled)
            return;
        const QMargins frame = FrameOf(mWindow);
        if (frame.isNull())
            return;
        mSettled = true;
        mLook.stop();
        if (frame != mUsed)
            Centre(frame, true);
    }

    // Until the window is framed, a move places the window itself, not its frame.
    void Centre(const QMargins& aFrame, bool aFramed)
    {
        mUsed = aFrame;
        const QRect area = mArea();
        const QSize outer = mWindow->size().grownBy(aFrame);
        const QPoint at(area.left() + (area.width() - outer.width()) / 2,
                        area.top() + (area.height() - outer.height()) / 2);
        if (aFramed && mWindow->windowHandle())
            mWindow->windowHandle()->setFramePosition(at);
        else
            mWindow->move(at + QPoint(aFrame.left(), aFrame.top()));
    }

    QWidget* mWindow;
    std::function<QRect()> mArea;
    QMargins mUsed;
    bool mSettled = false;
    QTimer mLook;
    int mLooks = 0;
};

} // namespace

void CentreFrameOn(QWidget* aWindow, std::function<QRect()> aArea)
{
    new FrameCentring(aWindow, std::move(aArea));
}
