#include "gui/forms/EditorColors.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

void PaintEditor(QWidget* aEditor, const QColor& aText, const QColor& aBase)
{
    QPalette palette = aEditor->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Text, aText);
        palette.setColor(group, QPalette::Base, aBase);
    }
    aEditor->setPalette(palette);
}

void PaintEditorSystemColors(QWidget* aEditor, bool aEnabled)
{
    const QPalette system = QApplication::palette();
    if (aEnabled)
        PaintEditor(aEditor, system.color(QPalette::Active, QPalette::Text), system.color(QPalette::Active, QPalette::Base));
    else
        PaintEditor(aEditor, system.color(QPalette::Active, QPalette::Dark), system.color(QPalette::Active, QPalette::Button));
}
