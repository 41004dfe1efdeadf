#include "gui/forms/FormFont.h"

#include <QStringList>

QFont FormFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Tahoma")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    return font;
}
