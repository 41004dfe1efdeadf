#include "gui/fonts/FontExampleField.h"

#include "gui/fonts/miFontDrawing.h"

#include <QPainter>

FontExampleField::FontExampleField(QWidget* aParent)
    : QWidget(aParent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void FontExampleField::SetSample(const FontSample& aSample)
{
    mSample = aSample;
    update();
}

void FontExampleField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    if (!mSample.Shown)
        return;
    painter.setFont(mSample.Font);
    painter.setPen(mSample.Fore);
    // Opaque: only the text's own cells take the background colour.
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setBackground(mSample.Back);
    miFont::UnicodeTextOut(painter, mSample.Origin.x(), mSample.Origin.y(), mSample.Text,
                           miFont::TextAlign::CenterBaseline);
}
