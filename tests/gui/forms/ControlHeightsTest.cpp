// No check box, radio button or push button is placed shorter than its box or a line of its text:
// they would be cut at the bottom.
#include "gui/fonts/LuFontSelectorFrm.h"
#include "gui/options/KezOptionsFrm.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QRadioButton>
#include <QStyle>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

QStringList CutButtons(const QWidget& aDialog)
{
    QStringList cut;
    for (const QAbstractButton* button : aDialog.findChildren<QAbstractButton*>()) {
        int box = 0;
        if (qobject_cast<const QCheckBox*>(button))
            box = button->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, button);
        else if (qobject_cast<const QRadioButton*>(button))
            box = button->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, nullptr, button);
        const int needed = std::max(box, button->text().isEmpty() ? 0 : button->fontMetrics().height());
        if (button->height() < needed)
            cut << QStringLiteral("%1: %2 < %3").arg(button->objectName()).arg(button->height()).arg(needed);
    }
    return cut;
}

} // namespace

TEST(ControlHeights, EveryButtonIsAtLeastAsTallAsItIsDrawn)
{
    LuFontSelectorFrm font;
    EXPECT_EQ(CutButtons(font).join(QLatin1Char('\n')).toStdString(), "");
    KezOptionsFrm options;
    EXPECT_EQ(CutButtons(options).join(QLatin1Char('\n')).toStdString(), "");
}
