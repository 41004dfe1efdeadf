#include "gui/errors/ErrorForm.h"
#include "core/errors/ErrorReportText.h"
#include "core/errors/mErrorHandling.h"
#include "gui/forms/FormSetup.h"
#include "gui/forms/miGraph.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

using miGraph::PixelsToTwipsX;
using miGraph::PixelsToTwipsY;
using miGraph::placeTwips;
using miGraph::TwipsToPixelsY;

namespace {
const QString kCaption = QStringLiteral("Сбой программы");
const QString kShortButton = QStringLiteral("Подробнее  >>");
const QString kDetailButton = QStringLiteral("Подробнее  <<");

constexpr int kInitialWidth = 7140;
constexpr int kTextLeft = 900;
constexpr int kTextTop = 150;
constexpr int kRightMargin = 240;
constexpr int kButtonStrip = 840;
constexpr int kGap = 90;
constexpr int kDetailMinHeight = 6000;
constexpr int kShortMaxHeight = 3900;

QPlainTextEdit* makeTextBox(QWidget* parent, const char* name)
{
    auto* box = named(new QPlainTextEdit(parent), name);
    box->setReadOnly(true);
    box->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return box;
}
} // namespace

ErrorForm::ErrorForm(QWidget* parent) : QDialog(parent)
{
    // Opens in the short view's largest size; the user may make it larger or smaller.
    SetUpAppForm(this, QStringLiteral("ErrorForm"), kCaption, kInitialWidth, kShortMaxHeight, FormSizing::Resizable);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    theIcon = named(new QLabel(this), "theIcon");
    theIcon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical).pixmap(32, 32));

    theLabel = named(
        new QLabel(
            QStringLiteral("При работе программы \"KezConverter\" произошла критическая ошибка. Содержание ошибки:"),
            this),
        "theLabel");
    theLabel->setWordWrap(true);

    theShortText = makeTextBox(this, "theShortText");
    theFullText = makeTextBox(this, "theFullText");

    theDetails = named(new QPushButton(kShortButton, this), "theDetails");
    theOK = named(new QPushButton(QStringLiteral("OK"), this), "theOK");
    theOK->setDefault(true);

    connect(theDetails, &QPushButton::clicked, this, [this] { SetDetailView(!mDetailView); });
    connect(theOK, &QPushButton::clicked, this, &QDialog::accept);

    placeTwips(theIcon, 240, kTextTop, 480, 480);
    placeTwips(theLabel, kTextLeft, kTextTop, 6000, 435);
    theDetails->resize(miGraph::TwipsToPixelsX(1800), TwipsToPixelsY(375));
    theOK->resize(miGraph::TwipsToPixelsX(1200), TwipsToPixelsY(375));
    ApplyView();
}

void ErrorForm::Prepare(const QString& aMessage, const QString& aSource, qint32 aErrorCode, const QString& aCaption)
{
    mShortText = ErrorReportText::ShortText(aMessage);
    mFullText = ErrorReportText::FullText(aMessage, aSource, aErrorCode);
    setWindowTitle(aCaption.isEmpty() ? kCaption : aCaption);
    ApplyView();
    theShortText->setPlainText(mShortText);
    theFullText->setPlainText(mFullText);
}

void ErrorForm::Execute(const QString& aMessage, const QString& aSource, qint32 aErrorCode, const QString& aCaption)
{
    Prepare(aMessage, aSource, aErrorCode, aCaption);
    exec();
}

void ErrorForm::SetDetailView(bool aDetailView)
{
    if (aDetailView == mDetailView)
        return;
    mDetailView = aDetailView;
    const int heightTwips = PixelsToTwipsY(height());
    if (mDetailView && heightTwips < kDetailMinHeight)
        resize(width(), TwipsToPixelsY(kDetailMinHeight));
    else if (!mDetailView && heightTwips > kShortMaxHeight)
        resize(width(), TwipsToPixelsY(kShortMaxHeight));
    ApplyView();
}

void ErrorForm::ApplyView()
{
    theLabel->setVisible(!mDetailView);
    theShortText->setVisible(!mDetailView);
    theFullText->setVisible(mDetailView);
    theDetails->setText(mDetailView ? kDetailButton : kShortButton);
}

void ErrorForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    PlaceControls();
}

void ErrorForm::PlaceControls()
{
    const int w = PixelsToTwipsX(width());
    const int h = PixelsToTwipsY(height());
    const int labelHeight = PixelsToTwipsY(theLabel->height());
    // A control that would get a negative size in a very small window keeps its place.
    auto place = [](QWidget* control, int left, int top, int width, int height) {
        if (width >= 0 && height >= 0)
            placeTwips(control, left, top, width, height);
    };
    place(theFullText, kTextLeft, kTextTop, w - (kTextLeft + kRightMargin), h - (kTextTop + kButtonStrip));
    place(theShortText, kTextLeft, kTextTop + labelHeight + kGap, w - (kTextLeft + kRightMargin),
          h - (kTextTop + kButtonStrip) - labelHeight - kGap);

    const int okHeight = PixelsToTwipsY(theOK->height());
    const int buttonTop = h - kButtonStrip + (kButtonStrip - okHeight) / 2;
    theLabel->move(miGraph::TwipsToPixelsX(kTextLeft), TwipsToPixelsY(kTextTop));
    theDetails->move(miGraph::TwipsToPixelsX(kRightMargin), TwipsToPixelsY(buttonTop));
    theOK->move(width() - miGraph::TwipsToPixelsX(kRightMargin) - theOK->width(), TwipsToPixelsY(buttonTop));
}

void ErrorForm::InstallAsPresenter()
{
    // Installed for the program's whole life, so no guard puts a previous one back.
    mErrorHandling::presenter() = [](const QString& aMessage, const QString& aSource, qint32 aErrorCode) {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        ErrorForm form(QApplication::activeWindow());
        form.Execute(aMessage, aSource, aErrorCode, QString());
    };
}
