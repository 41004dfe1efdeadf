#pragma once
#include <Qt>

class QRect;
class QString;
class QWidget;

// A fixed-size dialog with a title bar, a system menu and a close box, nothing else.
inline constexpr Qt::WindowFlags kFixedDialogFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                     Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                                     Qt::MSWindowsFixedSizeDialogHint;

// Names a form, gives it the forms' font and fixes its client area, given in twips.
void SetUpForm(QWidget* aForm, const QString& aName, int aWidthTwips, int aHeightTwips);

// The same for one of the program's own windows: with its title and the program's icon.
void SetUpAppForm(QWidget* aForm, const QString& aName, const QString& aTitle, int aWidthTwips, int aHeightTwips);

// Moves a window so that its centre is aArea's centre.
void CentreOn(QWidget* aWindow, const QRect& aArea);
