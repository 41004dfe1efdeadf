#include "gui/colors/LuColorSelectorFrm.h"

#include "core/errors/mErrorHandling.h"
#include "gui/forms/FormSetup.h"
#include "gui/colors/ColorRefColor.h"
#include "gui/colors/PaletteImages.h"
#include "core/colors/miColor.h"
#include "gui/forms/miGraph.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

using miGraph::placeTwips;
using mErrorHandling::PassOn;
using mErrorHandling::TopLevel;

namespace {

constexpr char kModule[] = "LuColorSelectorFrm";

constexpr int kFormWidth = 1815;
constexpr int kFormHeight = 2235;
constexpr int kCellSize = 435;
constexpr std::array<int, 4> kCellColumns = {60, 480, 900, 1320};
constexpr std::array<int, 4> kCellRows = {480, 900, 1320, 1740};

// theImage(0) is the black mark, theImage(1) the white one.
constexpr int kBlackMark = 0;
constexpr int kWhiteMark = 1;

void FillWith(QWidget* aWidget, const QColor& aBackground, const QColor& aForeground)
{
    QPalette palette = aWidget->palette();
    palette.setColor(QPalette::Window, aBackground);
    palette.setColor(QPalette::WindowText, aForeground);
    aWidget->setPalette(palette);
    aWidget->setAutoFillBackground(true);
}

QLabel* PictureBox(QWidget* aParent, const QString& aName)
{
    auto* box = new QLabel(aParent);
    box->setObjectName(aName);
    box->setScaledContents(true);
    return box;
}

} // namespace

LuColorSelectorFrm::LuColorSelectorFrm(QWidget* aParent)
    : QDialog(aParent, Qt::Tool | Qt::FramelessWindowHint)
{
    SetUpForm(this, QStringLiteral("LuColorSelectorFrm"), kFormWidth, kFormHeight);
    setWindowModality(Qt::ApplicationModal);
    FillWith(this, palette().color(QPalette::ToolTipBase), palette().color(QPalette::ToolTipText));

    Shape1 = named(new QFrame(this), "Shape1");
    Shape1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Shape1->setLineWidth(1);
    Shape1->setGeometry(rect());
    Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);

    const QPalette system = palette();
    theAuto = named(new QLabel(QStringLiteral("(Auto)"), this), "theAuto");
    theAuto->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    theAuto->setIndent(4);
    FillWith(theAuto, system.color(QPalette::Base), system.color(QPalette::Text));
    placeTwips(theAuto, 60, 60, 1275, 375);

    theClose = PictureBox(this, QStringLiteral("theClose"));
    theClose->setPixmap(PaletteImages::CloseCross());
    FillWith(theClose, system.color(QPalette::Base), system.color(QPalette::Text));
    placeTwips(theClose, 1380, 60, 375, 375);

    for (int k = 0; k < int(theColor.size()); ++k) {
        QLabel* cell = PictureBox(this, QStringLiteral("theColor(%1)").arg(k));
        cell->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        FillWith(cell, ToQColor(miColor::kPalette[std::size_t(k)]), Qt::black);
        placeTwips(cell, kCellColumns[std::size_t(k % 4)], kCellRows[std::size_t(k / 4)], kCellSize, kCellSize);
        theColor[std::size_t(k)] = cell;
    }

    theImage[kBlackMark] = PictureBox(this, QStringLiteral("theImage(0)"));
    theImage[kBlackMark]->setPixmap(PaletteImages::CheckMark(Qt::black));
    theImage[kWhiteMark] = PictureBox(this, QStringLiteral("theImage(1)"));
    theImage[kWhiteMark]->setPixmap(PaletteImages::CheckMark(Qt::white));
    for (QLabel* image : theImage)
        image->hide();

    // The keyboard's frame, drawn over the cell it is on and never in the mouse's way.
    theFocus = named(new QFrame(this), "theFocus");
    theFocus->setFrameStyle(QFrame::Box | QFrame::Plain);
    theFocus->setLineWidth(2);
    QPalette focusPalette = theFocus->palette();
    focusPalette.setColor(QPalette::WindowText, system.color(QPalette::Highlight));
    theFocus->setPalette(focusPalette);
    theFocus->setAttribute(Qt::WA_TransparentForMouseEvents);
    theFocus->hide();
    setFocusPolicy(Qt::StrongFocus);

    for (QLabel* clickable : theColor)
        clickable->installEventFilter(this);
    theAuto->installEventFilter(this);
    theClose->installEventFilter(this);
}

void LuColorSelectorFrm::SetParentControlBounds(qint32 aLeft, qint32 aTop, qint32 aWidth, qint32 aHeight)
{
    PassOn(kModule, "SetParentControlBounds", [&] { mParentBounds = {aLeft, aTop, aWidth, aHeight}; });
}

bool LuColorSelectorFrm::Execute(qint32& aColorIndex)
{
    return PassOn(kModule, "Execute", [&] {
        const PopupPlacement::TwipBounds bounds = BuildFormBounds();
        move(miGraph::TwipsToPixelsX(bounds.X), miGraph::TwipsToPixelsY(bounds.Y));
        mModalResult = false;
        mChosen = false;
        SetColorIndex(aColorIndex);
        FrameCell(aColorIndex >= miColor::kFirstIndex && aColorIndex <= miColor::kLastIndex ? aColorIndex
                                                                                            : miColor::kAutoIndex);
        RefreshControls();
        exec();
        if (mModalResult)
            aColorIndex = mColorIndex;
        return mModalResult;
    });
}

void LuColorSelectorFrm::SetColorIndex(qint32 aValue)
{
    PassOn(kModule, "Let-ColorIndex", [&] {
        mColorIndex = aValue;
        RefreshControls();
        update();
    });
}

PopupPlacement::TwipBounds LuColorSelectorFrm::BuildFormBounds() const
{
    return PassOn(kModule, "BuildFormBounds", [&] {
        const QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            mErrorHandling::RaiseError(KezErrorNumber::Internal, QStringLiteral("Размер экрана недоступен."));
        const qint32 pixX = miGraph::PixX();
        const qint32 pixY = miGraph::PixY();
        const QSize screenSize = screen->geometry().size();
        return PopupPlacement::BuildFormBounds(mParentBounds, width() * pixX, height() * pixY, pixY,
                                               screenSize.width() * pixX, screenSize.height() * pixY);
    });
}

void LuColorSelectorFrm::RefreshControls()
{
    PassOn(kModule, "RefreshControls", [&] {
        for (QLabel* cell : theColor)
            cell->setPixmap(QPixmap());
        QFont autoFont = theAuto->font();
        autoFont.setBold(mColorIndex == miColor::kAutoIndex);
        theAuto->setFont(autoFont);
        if (mColorIndex < miColor::kFirstIndex || mColorIndex > miColor::kLastIndex)
            return;
        // The light colours (green to white) take the black mark, the others the white one.
        const int mark = mColorIndex >= 3 && mColorIndex <= 8 ? kBlackMark : kWhiteMark;
        theColor[std::size_t(mColorIndex - 1)]->setPixmap(theImage[std::size_t(mark)]->pixmap());
    });
}

void LuColorSelectorFrm::theColor_Click(int aIndex)
{
    TopLevel(kModule, "theColor_Click", [&] {
        if (aIndex < 0 || aIndex >= int(theColor.size()))
            mErrorHandling::RaiseError(KezErrorNumber::SubscriptOutOfRange,
                                       QStringLiteral("Индекс вне допустимого диапазона."));
        Choose(aIndex + 1);
    });
}

void LuColorSelectorFrm::theAuto_Click()
{
    TopLevel(kModule, "theAuto_Click", [&] { Choose(miColor::kAutoIndex); });
}

void LuColorSelectorFrm::theClose_Click()
{
    TopLevel(kModule, "theClose_Click", [&] {
        mChosen = true;
        hide();
    });
}

void LuColorSelectorFrm::Choose(qint32 aColorIndex)
{
    SetColorIndex(aColorIndex);
    mModalResult = true;
    mChosen = true;
    hide();
}

bool LuColorSelectorFrm::eventFilter(QObject* aWatched, QEvent* aEvent)
{
    if (aEvent->type() != QEvent::MouseButtonRelease)
        return QDialog::eventFilter(aWatched, aEvent);
    const auto* mouse = static_cast<QMouseEvent*>(aEvent);
    auto* widget = qobject_cast<QWidget*>(aWatched);
    if (mouse->button() != Qt::LeftButton || !widget || !widget->rect().contains(mouse->position().toPoint()))
        return QDialog::eventFilter(aWatched, aEvent);

    if (widget == theAuto) {
        theAuto_Click();
        return true;
    }
    if (widget == theClose) {
        theClose_Click();
        return true;
    }
    for (int k = 0; k < int(theColor.size()); ++k) {
        if (widget == theColor[std::size_t(k)]) {
            theColor_Click(k);
            return true;
        }
    }
    return QDialog::eventFilter(aWatched, aEvent);
}

void LuColorSelectorFrm::FrameCell(qint32 aIndex)
{
    mFramed = aIndex;
    QWidget* target = aIndex == miColor::kAutoIndex ? static_cast<QWidget*>(theAuto) : theColor[std::size_t(aIndex - 1)];
    if (aIndex != miColor::kAutoIndex)
        mColumn = (aIndex - 1) % 4;
    theFocus->setGeometry(target->geometry().adjusted(-2, -2, 2, 2));
    theFocus->raise();
    theFocus->show();
}

void LuColorSelectorFrm::keyPressEvent(QKeyEvent* aEvent)
{
    TopLevel(kModule, "Form_KeyDown", [&] {
        const qint32 first = miColor::kFirstIndex;
        const qint32 last = miColor::kLastIndex;
        const bool onAuto = mFramed == miColor::kAutoIndex;
        switch (aEvent->key()) {
        case Qt::Key_Escape:
            theClose_Click();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            Choose(mFramed);
            return;
        case Qt::Key_Left:
            FrameCell(onAuto || mFramed == first ? miColor::kAutoIndex : mFramed - 1);
            return;
        case Qt::Key_Right:
            FrameCell(onAuto ? first : mFramed < last ? mFramed + 1 : last);
            return;
        case Qt::Key_Up:
            FrameCell(onAuto || mFramed - 4 < first ? miColor::kAutoIndex : mFramed - 4);
            return;
        case Qt::Key_Down:
            FrameCell(onAuto ? first + mColumn : mFramed + 4 <= last ? mFramed + 4 : mFramed);
            return;
        default:
            aEvent->ignore();
        }
    });
}

void LuColorSelectorFrm::showEvent(QShowEvent* aEvent)
{
    QDialog::showEvent(aEvent);
    // A frameless tool window is not always given the keyboard by the window manager: ask for it.
    activateWindow();
    setFocus(Qt::PopupFocusReason);
}

void LuColorSelectorFrm::closeEvent(QCloseEvent* aEvent)
{
    // No caption, so a close can only come from the system: the pop-up stays until a choice.
    if (!mChosen)
        aEvent->ignore();
    else
        QDialog::closeEvent(aEvent);
}
