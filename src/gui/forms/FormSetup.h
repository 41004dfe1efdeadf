#pragma once
// How every form of the program is set up: its name, font, icon and a client area in twips, the
// geometry miGraph converts beside it.
#include <QString>
#include <Qt>

#include <functional>

class QRect;
class QWidget;

// A fixed-size dialog with a title bar, a system menu and a close box, nothing else.
inline constexpr Qt::WindowFlags kFixedDialogFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                     Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                                                     Qt::MSWindowsFixedSizeDialogHint;

// A new control under the object name tests and accessibility tools find it by.
template <class Control>
Control* named(Control* aControl, const char* aName)
{
    aControl->setObjectName(QLatin1String(aName));
    return aControl;
}

// A fixed client area, or one the user may resize, which then opens at the size given.
enum class FormSizing { Fixed, Resizable };

// Names a form, gives it the forms' font and sizes its client area, given in twips.
void SetUpForm(QWidget* aForm, const QString& aName, int aWidthTwips, int aHeightTwips,
               FormSizing aSizing = FormSizing::Fixed);

// The same for one of the program's own windows: with its title and the program's icon.
void SetUpAppForm(QWidget* aForm, const QString& aName, const QString& aTitle, int aWidthTwips, int aHeightTwips,
                  FormSizing aSizing = FormSizing::Fixed);

// Keeps a window's frame, title bar included, centred on the area aArea gives whenever the window
// is shown. The frame's size is known only once the window system has framed the window: until
// then another framed window of the program stands for it, and the window is centred again when
// its own frame turns out otherwise. Later moves (the user's) stand.
void CentreFrameOn(QWidget* aWindow, std::function<QRect()> aArea);
