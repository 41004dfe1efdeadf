#pragma once
#include <QColor>

class QWidget;

// An editor's text colour on its background, the same in every colour group: a greyed or
// unfocused editor keeps the colours it was given.
void PaintEditor(QWidget* aEditor, const QColor& aText, const QColor& aBase);

// The system's editor colours: text on the window background when enabled, the dark shade on
// the button face when not.
void PaintEditorSystemColors(QWidget* aEditor, bool aEnabled);
