#include "gui/main/WrappingCheckBox.h"

#include <QEvent>
#include <QStyle>
#include <QStyleOptionButton>

WrappingCheckBox::WrappingCheckBox(const QString& aCaption, QWidget* parent) : QCheckBox(parent)
{
    setCaption(aCaption);
}

void WrappingCheckBox::setCaption(const QString& aCaption)
{
    mCaption = aCaption;
    setAccessibleName(aCaption);
    Rewrap();
}

void WrappingCheckBox::resizeEvent(QResizeEvent* event)
{
    QCheckBox::resizeEvent(event);
    Rewrap();
}

void WrappingCheckBox::changeEvent(QEvent* event)
{
    QCheckBox::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        Rewrap();
}

void WrappingCheckBox::Rewrap()
{
    QStyleOptionButton option;
    initStyleOption(&option);
    const int indicator = style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this) +
                          style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);
    const int available = width() - indicator - 2;
    const QFontMetrics metrics = fontMetrics();

    QString wrapped;
    QString line;
    for (const QString& word : mCaption.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > available) {
            wrapped += line + QLatin1Char('\n');
            line = word;
        } else {
            line = candidate;
        }
    }
    wrapped += line;
    if (text() != wrapped)
        setText(wrapped);
}
