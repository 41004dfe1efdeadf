#include "ui/colors/FormSetup.h"

#include "ui/FormFont.h"
#include "ui/ResourceIcon.h"
#include "ui/colors/miGraph.h"

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

void CentreOn(QWidget* aWindow, const QRect& aArea)
{
    aWindow->move(aArea.center() - QPoint(aWindow->width() / 2, aWindow->height() / 2));
}
