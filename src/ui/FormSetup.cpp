#include "ui/FormSetup.h"

#include "ui/FormFont.h"
#include "ui/ResourceIcon.h"
#include "ui/colors/miGraph.h"

#include <QRect>
#include <QWidget>

void SetUpForm(QWidget* aForm, const QString& aName, int aWidthTwips, int aHeightTwips)
{
    aForm->setObjectName(aName);
    aForm->setFont(FormFont());
    aForm->setFixedSize(miGraph::TwipsToPixelsX(aWidthTwips), miGraph::TwipsToPixelsY(aHeightTwips));
}

void SetUpAppForm(QWidget* aForm, const QString& aName, const QString& aTitle, int aWidthTwips, int aHeightTwips)
{
    SetUpForm(aForm, aName, aWidthTwips, aHeightTwips);
    aForm->setWindowTitle(aTitle);
    aForm->setWindowIcon(ResourceIcon(QStringLiteral(":/icons/app.rgba")));
}

void CentreOn(QWidget* aWindow, const QRect& aArea)
{
    aWindow->move(aArea.center() - QPoint(aWindow->width() / 2, aWindow->height() / 2));
}
