#pragma once
#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QWidget>
#include <gtest/gtest.h>

#include <stdexcept>

// A missing control ends the test that asked for it (GoogleTest reports the exception as that
// test's failure) instead of handing it a null pointer that would bring down the whole executable.
class MissingControl : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A form's control by its object name; a missing one fails the test.
template <class T>
T* FindControl(const QWidget* aForm, const char* aName)
{
    T* found = aForm->findChild<T*>(QLatin1String(aName));
    if (!found) {
        ADD_FAILURE() << "no control named " << aName;
        throw MissingControl(aName);
    }
    return found;
}

// The colours the main window paints its folder text box with.
inline QColor DestDirBackground(const QWidget* aForm)
{
    return FindControl<QLineEdit>(aForm, "theDestDir")->palette().color(QPalette::Base);
}
inline QColor ButtonFaceColour() { return QApplication::palette().color(QPalette::Button); }
inline QColor WindowBackgroundColour() { return QApplication::palette().color(QPalette::Base); }
