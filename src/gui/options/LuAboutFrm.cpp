#include "gui/options/LuAboutFrm.h"
#include "core/errors/mErrorHandling.h"
#include "gui/forms/FormSetup.h"
#include "gui/forms/miGraph.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>

using miGraph::placeTwips;
using mErrorHandling::TopLevel;

namespace {
constexpr const char* kModule = "LuAboutFrm";
constexpr int kClientWidthTwips = 5760;
constexpr int kClientHeightTwips = 3210;
constexpr int kTileTwips = 2880;

constexpr int kMajorVersion = 4;
constexpr int kMinorVersion = 3;
const QString kReleaseDate = QStringLiteral("05.07.2006");

QLabel* transparentLabel(const QString& aText, const char* aName, QWidget* aParent, const QColor& aColour)
{
    auto* label = named(new QLabel(aText, aParent), aName);
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setAutoFillBackground(false);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, aColour);
    label->setPalette(palette);
    return label;
}

QFont labelFont(const QStringList& aFamilies, double aPoints, bool aBold, bool aItalic)
{
    QFont font;
    font.setFamilies(aFamilies);
    font.setPointSizeF(aPoints);
    font.setBold(aBold);
    font.setItalic(aItalic);
    return font;
}
} // namespace

LuAboutFrm::LuAboutFrm(QWidget* aOpener)
    : QDialog(aOpener, kFixedDialogFlags)
    , mOpener(aOpener)
{
    SetUpAppForm(this, QStringLiteral("LuAboutFrm"), QStringLiteral("О программе"), kClientWidthTwips,
                 kClientHeightTwips);

    // Four tiles cover 5760 x 5760 twips; the window shows their upper part.
    for (int i = 0; i < 4; ++i) {
        theBack[i] = new QLabel(this);
        theBack[i]->setObjectName(QStringLiteral("theBack(%1)").arg(i));
        theBack[i]->setScaledContents(true);
        placeTwips(theBack[i], (i % 2) * kTileTwips, (i / 2) * kTileTwips, kTileTwips, kTileTwips);
    }
    theBack[0]->setPixmap(QPixmap(QStringLiteral(":/about/about-title.png")));
    theBack[1]->setPixmap(QPixmap(QStringLiteral(":/about/about-foliage.png")));

    theProductName = transparentLabel(QStringLiteral("Текстовый конвертер из формата KEZ"), "theProductName", this,
                                      QColor(255, 255, 128));
    theProductName->setFont(labelFont({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")}, 9.75, true, false));
    theProductName->setWordWrap(true);
    placeTwips(theProductName, 2520, 1080, 2775, 555);

    theVersion = transparentLabel(QString(), "theVersion", this, QColor(255, 128, 0));
    placeTwips(theVersion, 2400, 1860, 2895, 255);

    theClose = transparentLabel(QStringLiteral("  Закрыть  "), "theClose", this, QColor(255, 128, 0));
    theClose->setFont(
        labelFont({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")}, 14.25, true, true));
    theClose->setCursor(Qt::PointingHandCursor);
    theClose->installEventFilter(this);
    placeTwips(theClose, 2160, 2640, 1470, 330);

    CentreFrameOn(this, [this] { return mOpener ? mOpener->frameGeometry() : screen()->availableGeometry(); });
}

QString LuAboutFrm::VersionLine()
{
    return QStringLiteral("Версия ") + QString::number(kMajorVersion) + QStringLiteral(".") +
           QStringLiteral("%1").arg(kMinorVersion, 2, 10, QLatin1Char('0')) + QStringLiteral(" от ") + kReleaseDate;
}

void LuAboutFrm::Execute()
{
    TopLevel(kModule, "Execute", [&] {
        theVersion->setText(VersionLine());
        theBack[2]->setPixmap(theBack[1]->pixmap());
        theBack[3]->setPixmap(theBack[1]->pixmap());
        exec();
    });
}

void LuAboutFrm::theClose_Click()
{
    TopLevel(kModule, "theClose_Click", [&] { hide(); });
}

bool LuAboutFrm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == theClose && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        theClose_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
