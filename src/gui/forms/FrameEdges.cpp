#include "gui/forms/FrameEdges.h"

#include <QAbstractScrollArea>

void KeepFrameEdgesWhole(QWidget* aForm)
{
    for (QAbstractScrollArea* area : aForm->findChildren<QAbstractScrollArea*>()) {
        if (area->frameWidth() <= 0 || !area->viewport()->autoFillBackground())
            continue;
        area->setBackgroundRole(area->viewport()->backgroundRole());
        area->setAutoFillBackground(true);
        area->viewport()->setAutoFillBackground(false);
    }
}
